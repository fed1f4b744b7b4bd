#ifndef CONTROLLERSESSION_H
#define CONTROLLERSESSION_H

#include "commandline.h"
#include "device/controllerlink.h"

// A connection to one controller made as the window makes it: the port opened with the line's
// settings, the controller identified, then the command's exchanges. Failures are said on stderr
// in the window's words.
class ControllerSession
{
public:
    explicit ControllerSession(const LinkSettings &settings);
    ~ControllerSession(); // closes the line
    ControllerSession(const ControllerSession &) = delete;
    ControllerSession &operator=(const ControllerSession &) = delete;

    // Opens the port; false, after saying "Ошибка открытия порта", when it does not open.
    bool open();
    // Opens the port and identifies the controller: its factory number, then the device block
    // into the records. False, after saying why, when either failed.
    bool connect(ChannelRecord *records);
    // After an exchange: true, after saying "Ошибка связи", when it failed.
    bool linkFailed() const;
    // "Ошибка открытия порта " with the port's name.
    void reportPortFailure() const;

    ControllerLink &link() { return controller; }
    const LinkSettings &settings() const { return line; }
    quint32 factoryNumber() const { return number; }
    const DeviceInfo &deviceInfo() const { return info; }

private:
    const LinkSettings line;
    ControllerLink controller;
    quint32 number = 0;
    DeviceInfo info;
};

#endif
