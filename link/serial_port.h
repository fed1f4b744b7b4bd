#pragma once

#include <QSerialPort>
#include <QString>

// Opens a port for reading and writing with the controller's line settings:
// the given baud rate both ways, 8 data bits, no parity, one stop bit, no flow control.
bool openSerialPort(QSerialPort &port, const QString &name, qint32 baudRate);
