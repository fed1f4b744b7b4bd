#include "controller/archivedownload.h"

#include "controller/controllerlink.h"
#include "device/registermap.h"
#include "link/modbus.h"
#include "link/xmodem_line.h"

#include <cstring>

namespace {

constexpr int RECORDS_PER_BLOCK = 64;
constexpr int BLOCK_HEADER = 3;
constexpr int BLOCK_DATA = RECORDS_PER_BLOCK * int(sizeof(ArchiveRecord));
static_assert(BLOCK_DATA == ArchiveDownload::BLOCK_DATA_SIZE, "a block carries 64 records");
// Longer than the silence that ends a Modbus frame, so the controller sees a clean line.
constexpr int CANCEL_QUIET_MS = 100;
// The controller leaving transfer mode may still send for a while; a request sent into that
// would meet a garbled reply.
constexpr int TRANSFER_END_QUIET_MS = 100;

} // namespace

ArchiveDownload::ArchiveDownload(modbus &modbusLine, xmodem_line &xmodemLine)
    : mbLine(modbusLine), xmLine(xmodemLine)
{
}

bool ArchiveDownload::request(int archiveNumber)
{
    return ControllerLink(mbLine).sendCommand(CMD_ARCHIVE_UPLOAD, quint16(archiveNumber));
}

ArchiveDownload::Outcome ArchiveDownload::run(int blocksToFill, const Callbacks &callbacks)
{
    received.clear();
    mbLine.closePort();
    xmLine.portName = mbLine.portName;
    if (!xmLine.openPort()) {
        xmLine.closePort();
        return Outcome::PortFailed;
    }
    const Outcome outcome = receive(blocksToFill, callbacks);
    xmLine.closePort();
    return outcome;
}

bool ArchiveDownload::reopenModbus()
{
    if (!mbLine.openPort())
        return false;
    mbLine.discardUntilQuiet(TRANSFER_END_QUIET_MS);
    return true;
}

ArchiveDownload::Outcome ArchiveDownload::receive(int blocksToFill, const Callbacks &callbacks)
{
    int row = 0;
    int progress = 100;
    bool endAcknowledged = false;
    int length = xmLine.transfer(xmodem_line::START, xmodem_line::BLOCK_SIZE);
    const bool firstAnswered = length != -1 && length != 0;
    for (;;) {
        const bool endOfTransfer = xmLine.rxBuf[0] == xmodem_line::EOT;
        if (length != -1 && length != 0) {
            Block block;
            block.firstRow = row;
            block.records.resize(RECORDS_PER_BLOCK);
            memcpy(block.records.data(), xmLine.rxBuf + BLOCK_HEADER, BLOCK_DATA);
            if (!endOfTransfer)
                received.append(reinterpret_cast<const char *>(block.records.constData()),
                                BLOCK_DATA);
            callbacks.blockReceived(block);
            row += RECORDS_PER_BLOCK;
        }
        if (endOfTransfer) {
            length = xmLine.transfer(xmodem_line::ACK, 0);
            endAcknowledged = true;
        }
        callbacks.progress(progress / blocksToFill, row);
        progress += 100;
        if (length != xmodem_line::BLOCK_SIZE)
            break;
        if (callbacks.cancelled()) {
            xmLine.cancel(CANCEL_QUIET_MS);
            return Outcome::Cancelled;
        }
        length = xmLine.transfer(xmodem_line::ACK, xmodem_line::BLOCK_SIZE);
    }
    if (endAcknowledged)
        return Outcome::Complete;
    return firstAnswered ? Outcome::Broken : Outcome::NoReply;
}
