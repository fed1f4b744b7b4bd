#pragma once

#include <cstdint>

// The checks a Modbus reply passes before anything is taken from it. Each judges the reply
// against the request frame it answers (address, function, start and quantity as sent).
class reply_check
{
public:
    static constexpr int EXCEPTION_SIZE = 5;

    // Frame integrity: address, function and a CRC that matches what precedes it.
    static bool crcHolds(const uint8_t *frame, int length);
    // The request's address and function, and the length, byte count or echo that it calls for.
    static bool answers(const uint8_t *request, const uint8_t *reply, int length);
    // The controller's refusal of the request: its address, its function with bit 7, one code.
    static bool refuses(const uint8_t *request, const uint8_t *reply, int length);
    // Length of the normal reply to the request.
    static int answerLength(const uint8_t *request);
    // The length the reply received so far calls for: an exception's once its function says so.
    static int lengthCalledFor(const uint8_t *request, const uint8_t *reply, int received);
};
