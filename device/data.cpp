#include "device/data.h"

#include "device/channelrecord.h"

Data::Data(QObject *parent) : QObject(parent) {}

void Data::clearRequests()
{
    reqIdentify = reqSerialNumSet = reqHwVerSet = reqDateTimeRead = reqDateTimeWrite = 0;
    reqWrite = reqRead = reqSave = reqArcLoad = reqArcLoadAll = reqWriteChan = 0;
    reqDirectMode = 0;
}

quint8 *Data::requestFlag(quint32 request)
{
    switch (request) {
    case REQ_SERIAL_NUM_SET: return &reqSerialNumSet;
    case REQ_HW_VER_SET: return &reqHwVerSet;
    case REQ_DATE_TIME_READ: return &reqDateTimeRead;
    case REQ_DATE_TIME_WRITE: return &reqDateTimeWrite;
    case REQ_READ: return &reqRead;
    case REQ_WRITE: return &reqWrite;
    case REQ_SAVE: return &reqSave;
    case REQ_IDENTIFY: return &reqIdentify;
    case REQ_ARC_LOAD: return &reqArcLoad;
    case REQ_ARC_LOAD_ALL: return &reqArcLoadAll;
    case REQ_WRITE_CHAN: return &reqWriteChan;
    default: return &reqDirectMode;
    }
}

quint32 Data::takeRequests()
{
    quint32 requests = 0;
    for (quint32 bit = REQ_SERIAL_NUM_SET; bit <= REQ_DIRECT_MODE; bit <<= 1) {
        quint8 *flag = requestFlag(bit);
        if (*flag)
            requests |= bit;
        *flag = 0;
    }
    return requests;
}

void Data::restoreRequests(quint32 requests)
{
    for (quint32 bit = REQ_SERIAL_NUM_SET; bit <= REQ_DIRECT_MODE; bit <<= 1)
        if (requests & bit)
            *requestFlag(bit) = 1;
}

void Data::setActive(int channel, int value)
{
    channelRecords[channel].active = quint8(value);
}
