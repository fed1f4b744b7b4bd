#pragma once

#include <QByteArray>
#include <modbus.h>

// libmodbus as the protocol engine of the slave. Its RTU context talks over one end of a socket
// pair instead of a serial port, so the frames can be taken from the pseudo-terminal, and the
// replies given back to it, by our own code.
class ModbusEngine
{
public:
    explicit ModbusEngine(int slaveAddress);
    ~ModbusEngine();
    ModbusEngine(const ModbusEngine &) = delete;
    ModbusEngine &operator=(const ModbusEngine &) = delete;

    bool isValid() const { return context_ != nullptr; }

    // Lets libmodbus parse the request frame and serve it from the mapping; a non-zero exception
    // code makes it refuse the request with that code instead. Empty when libmodbus rejects the
    // frame (bad CRC, cut short).
    QByteArray reply(const QByteArray &request, modbus_mapping_t *mapping, int exceptionCode);

private:
    static QByteArray takePending(int fd);

    modbus_t *context_ = nullptr;
    int engineEnd_ = -1;
    int ourEnd_ = -1;
};
