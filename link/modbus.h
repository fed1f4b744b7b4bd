#pragma once

#include "link/modbus_line.h"

#include <cstdint>

// Modbus RTU master: request frames for functions 03, 04 and 16 and the registers of the reply.
class modbus : public modbus_line
{
    Q_OBJECT

public:
    static constexpr unsigned MAX_READ = 125;
    static constexpr unsigned MAX_WRITE = 123;

    bool readHolding(int start, unsigned n);
    bool readInput(int start, unsigned n);
    bool writeMultiple(int start, unsigned n, const uint16_t *words);
    // Register i of the last reply; 0 past the registers it carried.
    int getReg(int i) const;
    uint8_t replyFunction() const;

    uint8_t mbAddr = 1;

private:
    int carriedRegisters() const;
    bool readRequest(uint8_t function, int start, unsigned n);
    void putHeader(uint8_t function, int start, unsigned n);
    bool finishFrame(int dataLength);
    bool refuse();
};

uint16_t swap16(uint16_t value);
