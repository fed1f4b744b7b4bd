#pragma once

#include "tools/tq17sim/simfault.h"

#include <QByteArray>

// Turns a well-formed reply into one of the wrong shape a fault names, ending in a valid CRC so
// that only its shape gives it away. Replies the fault does not apply to come back as they were.
namespace ReplyShape {

QByteArray spoil(const QByteArray &reply, SimFault fault, int parameter);

} // namespace ReplyShape
