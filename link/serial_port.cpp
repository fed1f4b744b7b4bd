#include "link/serial_port.h"

bool openSerialPort(QSerialPort &port, const QString &name, qint32 baudRate)
{
    port.setPortName(name);
    port.setBaudRate(baudRate, QSerialPort::AllDirections);
    port.setStopBits(QSerialPort::OneStop);
    port.setParity(QSerialPort::NoParity);
    port.setFlowControl(QSerialPort::NoFlowControl);
    return port.open(QIODevice::ReadWrite);
}
