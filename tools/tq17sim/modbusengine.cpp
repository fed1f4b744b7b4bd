#include "tools/tq17sim/modbusengine.h"

#include <sys/socket.h>
#include <unistd.h>

namespace {

// Every frame is complete in the socket before libmodbus reads it; the byte time-out only ends
// frames that are shorter than their header promises.
constexpr int kByteTimeoutUs = 20000;
// Before some exception replies libmodbus waits this long for the rest of a bad frame, which
// is never coming here.
constexpr int kResponseTimeoutUs = 1000;

} // namespace

ModbusEngine::ModbusEngine(int slaveAddress)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    engineEnd_ = ends[0];
    ourEnd_ = ends[1];
    // The device name is never opened: the context only ever uses the socket set below.
    context_ = modbus_new_rtu("/dev/null", 115200, 'N', 8, 1);
    if (context_ == nullptr)
        return;
    modbus_set_slave(context_, slaveAddress);
    modbus_set_socket(context_, engineEnd_);
    modbus_set_byte_timeout(context_, 0, kByteTimeoutUs);
    modbus_set_response_timeout(context_, 0, kResponseTimeoutUs);
}

ModbusEngine::~ModbusEngine()
{
    if (context_ != nullptr)
        modbus_free(context_);
    if (engineEnd_ >= 0)
        ::close(engineEnd_);
    if (ourEnd_ >= 0)
        ::close(ourEnd_);
}

QByteArray ModbusEngine::reply(const QByteArray &request, modbus_mapping_t *mapping,
                               int exceptionCode)
{
    if (!isValid() || request.isEmpty())
        return {};
    // Bytes of an earlier frame that libmodbus did not consume would spoil this one.
    takePending(engineEnd_);
    if (::send(ourEnd_, request.constData(), size_t(request.size()), MSG_NOSIGNAL) !=
        request.size())
        return {};
    uint8_t frame[MODBUS_RTU_MAX_ADU_LENGTH];
    const int length = modbus_receive(context_, frame);
    if (length <= 0)
        return {};
    const int sent = exceptionCode != 0 ? modbus_reply_exception(context_, frame, exceptionCode)
                                        : modbus_reply(context_, frame, length, mapping);
    return sent > 0 ? takePending(ourEnd_) : QByteArray();
}

QByteArray ModbusEngine::takePending(int fd)
{
    QByteArray bytes;
    char buffer[512];
    ssize_t count;
    while ((count = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
        bytes.append(buffer, int(count));
    return bytes;
}
