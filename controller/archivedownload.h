#ifndef ARCHIVEDOWNLOAD_H
#define ARCHIVEDOWNLOAD_H

#include "archive/archiverecord.h"

#include <QByteArray>
#include <QVector>
#include <functional>

class modbus;
class xmodem_line;

// One archive upload over XMODEM-1K: the controller is told which archive to send, the one
// serial port is handed from the Modbus line to the XMODEM line and back again afterwards.
class ArchiveDownload
{
public:
    enum class Outcome {
        PortFailed, // the XMODEM line did not open; the Modbus line stays closed
        NoReply,    // nothing usable came for the first block
        Broken,     // the transfer ended before its end-of-transfer
        Cancelled,  // stopped by the caller between blocks
        Complete,
    };

    // The records of one XMODEM-1K block.
    static constexpr int BLOCK_DATA_SIZE = 1024;

    struct Block {
        int firstRow = 0;
        QVector<ArchiveRecord> records; // the 64 records of one reply, in order
    };
    struct Callbacks {
        // Every reply that carries records, including the one with EOT, whose records are zeros.
        std::function<void(const Block &)> blockReceived;
        // After each reply: the progress of the design's bar and the row reached.
        std::function<void(int progress, int row)> progress;
        // Asked between blocks; true stops the transfer.
        std::function<bool()> cancelled;
    };

    // The port is handed between the two lines.
    ArchiveDownload(modbus &modbusLine, xmodem_line &xmodemLine);

    // Asks the controller for archive 0 (events) or k (channel k); false when it did not answer.
    bool request(int archiveNumber);
    // Receives the requested archive; blocksToFill is the number of 1024-byte blocks that fill
    // the tables (it scales the progress).
    Outcome run(int blocksToFill, const Callbacks &callbacks);
    // Reopens the Modbus line after run() and waits until the line has been quiet for a while;
    // false when it does not open.
    bool reopenModbus();

    // The records received before the end of transfer, as the controller sent them.
    const QByteArray &records() const { return received; }

private:
    Outcome receive(int blocksToFill, const Callbacks &callbacks);

    modbus &mbLine;
    xmodem_line &xmLine;
    QByteArray received;
};

#endif
