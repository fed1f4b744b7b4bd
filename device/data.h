#ifndef DATA_H
#define DATA_H

#include <QObject>

class QModelIndex;
class QStandardItemModel;
class Ui_MainWindow;

// The connected controller: request flags, device-wide values and the
// operations that move channel settings between the controller and the records.
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
    quint8 reqWriteChan = 0;
    quint8 reqDirectMode = 0;

    int devType = 0;
    int chanCount = 32;
    quint32 devTime = 0;
    quint16 hwVer = 0;

    void clearRequests();
    void setUi(Ui_MainWindow *ui);

    void readDeviceInfo();
    void readLiveValues();
    void readChannel(int channel);
    void writeChannel(int channel);
    void setActive(int channel, int value);
    void showSerialNumber(quint32 number);

    void fillRow(int channel);
    void redrawCell(int channel, int column);
    // What became of an edited cell: refused (the text cannot be a value of its
    // field, nothing changed), stored in its record only, or also sent to the controller.
    enum class CellWrite { Refused, Stored, Sent };
    // Stores an edited cell in its record and, while connected, in the controller.
    CellWrite writeCell(const QModelIndex &index);

private:
    QStandardItemModel *channelModel() const;
    // Edits go to the controller only while the line is open.
    bool online() const;
    void storeText(int channel, int column, const QString &text);
    void storeCode(int channel, int column, int code);
    void storeNumber(int channel, int column, int raw);
    void writeMaskBits(int start, int channel, bool set, bool withSecond, bool secondSet);

    Ui_MainWindow *ui = nullptr;
};

#endif
