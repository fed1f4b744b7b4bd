#ifndef DATA_H
#define DATA_H

#include "device/channelrecord.h"

#include <QObject>
#include <bitset>

// Requests of the poll tick as bits, in the order a tick serves them.
enum PollRequest : quint32 {
    REQ_SERIAL_NUM_SET = 1u << 0,
    REQ_HW_VER_SET = 1u << 1,
    REQ_DATE_TIME_READ = 1u << 2,
    REQ_DATE_TIME_WRITE = 1u << 3,
    REQ_READ = 1u << 4,
    REQ_WRITE = 1u << 5,
    REQ_SAVE = 1u << 6,
    REQ_IDENTIFY = 1u << 7,
    REQ_ARC_LOAD = 1u << 8,
    REQ_ARC_LOAD_ALL = 1u << 9,
    REQ_WRITE_CHAN = 1u << 10,
    REQ_DIRECT_MODE = 1u << 11,
};

// The connected controller as the window knows it: request flags and device-wide values.
class Data : public QObject
{
    Q_OBJECT
public:
    explicit Data(QObject *parent = nullptr);

    // Request flags, set by the window and served by the poll tick.
    quint8 reqIdentify = 0;
    quint8 reqSerialNumSet = 0;
    quint8 reqHwVerSet = 0;
    quint8 reqDateTimeRead = 0;
    quint8 reqDateTimeWrite = 0;
    quint8 reqWrite = 0;
    quint8 reqRead = 0;
    quint8 reqSave = 0;
    quint8 reqArcLoad = 0;
    quint8 reqArcLoadAll = 0;
    quint8 reqWriteChan = 0;
    quint8 reqDirectMode = 0;

    int devType = 0;
    int chanCount = 32;
    quint32 devTime = 0;
    quint16 hwVer = 0;
    // Edits go to the controller only while connected.
    bool online = false;
    // Channels (by record index) whose settings were read from the controller or loaded from a
    // settings file; the others hold defaults.
    std::bitset<MAX_CHANNELS> settingsKnown;

    void clearRequests();
    // The pending requests as PollRequest bits, cleared; restoreRequests sets bits again.
    quint32 takeRequests();
    void restoreRequests(quint32 requests);

    void setActive(int channel, int value);

private:
    quint8 *requestFlag(quint32 request);
};

#endif
