#ifndef CONTROLLERSESSION_H
#define CONTROLLERSESSION_H

#include "commandline.h"
#include "controller/controllercore.h"

// A connection to one controller made as the window makes it: the port opened with the line's
// settings, the controller identified, then the command's operations. Failures are said on
// stderr in the window's words.
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
    // True, after saying its text and lines on stderr, when the operation was not done.
    bool failed(const Outcome &outcome) const;

    ControllerCore &controller() { return device; }
    const LinkSettings &settings() const { return line; }
    quint32 factoryNumber() const { return identification.factoryNumber; }
    const DeviceInfo &deviceInfo() const { return identification.info; }

private:
    const LinkSettings line;
    ControllerCore device;
    Identification identification;
};

#endif
