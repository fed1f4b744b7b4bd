#include "controllersession.h"

#include "console.h"
#include "link/modbus.h"

ControllerSession::ControllerSession(const LinkSettings &settings)
    : line(settings), controller(settings.devType)
{
}

ControllerSession::~ControllerSession()
{
    mbLine.closePort();
}

bool ControllerSession::open()
{
    mbLine.portName = line.port;
    mbLine.baudRate = line.baud;
    mbLine.mbAddr = line.address;
    mbLine.fastFrameEnd = line.fast;
    if (mbLine.openPort())
        return true;
    reportPortFailure();
    return false;
}

bool ControllerSession::connect(ChannelRecord *records)
{
    if (!open())
        return false;
    controller.readFactoryNumber(number);
    if (linkFailed())
        return false;
    controller.readDeviceInfo(info, records);
    return !linkFailed();
}

bool ControllerSession::linkFailed() const
{
    if (!ControllerLink::linkError())
        return false;
    Console::err(QStringLiteral("Ошибка связи"));
    return true;
}

void ControllerSession::reportPortFailure() const
{
    Console::err(QStringLiteral("Ошибка открытия порта ") + line.port);
}
