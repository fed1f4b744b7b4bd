#pragma once

#include <QtGlobal>

// One holding register as written by a Modbus function 16 request.
struct RegisterWrite {
    int address;
    quint16 value;

    bool operator==(const RegisterWrite &other) const
    {
        return address == other.address && value == other.value;
    }
};
