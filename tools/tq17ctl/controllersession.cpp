#include "controllersession.h"

#include "console.h"

ControllerSession::ControllerSession(const LinkSettings &settings) : line(settings) {}

ControllerSession::~ControllerSession()
{
    device.close();
}

bool ControllerSession::open()
{
    return !failed(device.open(line));
}

bool ControllerSession::connect(ChannelRecord *records)
{
    return open() && !failed(device.identify(identification, records));
}

bool ControllerSession::failed(const Outcome &outcome) const
{
    if (outcome.kind == Outcome::Kind::Done)
        return false;
    Console::err(outcome.text);
    for (const QString &line : outcome.lines)
        Console::err(line);
    return true;
}
