#pragma once

#include <QByteArray>

// Tells where a Modbus RTU request ends, from its function code, without waiting for the
// inter-frame silence (a pseudo-terminal carries no timing worth trusting).
class RequestFramer
{
public:
    static constexpr int kUntilSilence = -1;

    // Length of the request at the start of bytes; 0 while too few bytes have come to tell;
    // kUntilSilence for functions whose frames end only where the line falls silent.
    static int frameLength(const QByteArray &bytes);
    // Read holding, read input and write multiple registers: all the controller serves.
    static bool isServedFunction(int function)
    {
        return function == 3 || function == 4 || function == 16;
    }
};
