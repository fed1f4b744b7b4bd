#pragma once

#include "link/modbus.h"
#include "tests/support/fastexchange.h"

// Opens the Modbus line's protected state to the tests.
class ModbusProbe : public modbus
{
public:
    ModbusProbe() { fastFrameEnd = fastExchangeUnderTest(); }

    using modbus_line::port;
    using modbus_line::rxAccum;
    using modbus_line::rxExpected;

    // True when readyRead was connected to read(); leaves it disconnected.
    bool dropReadyReadConnection()
    {
        return QObject::disconnect(&port, &QSerialPort::readyRead, this, &modbus_line::read);
    }
};
