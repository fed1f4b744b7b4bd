#ifndef LINKSETTINGS_H
#define LINKSETTINGS_H

#include <QString>

// How to reach a controller: the window's port, baud rate and address fields and its device type.
struct LinkSettings {
    QString port;
    qint32 baud = 115200;
    quint8 address = 1;
    int devType = 0;   // 0: 32 channels, 1: 64
    bool fast = false; // a reply ends at its length, not at the silence after it
};

#endif
