#pragma once

#include "link/xmodem_line.h"

// Opens the XMODEM line's protected state to the tests and the fuzz target.
class XmodemProbe : public xmodem_line
{
public:
    using xmodem_line::isOpen;
    using xmodem_line::rxExpected;
};
