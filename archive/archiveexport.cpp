#include "archive/archive.h"

#include "app/messages.h"
#include "archive/archivefiles.h"
#include "archive/archivetext.h"
#include "archive/xlsxexportfile.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressBar>
#include <cstring>

namespace {

const QString EVENTS_SHEET = QStringLiteral("События");
constexpr int EVENT_NAME_COLUMN = 4;
constexpr double EVENT_NAME_WIDTH = 15.0;
// The bar advances by channel as if there were always 33 steps, for either channel count.
constexpr int PROGRESS_STEPS = 33;
constexpr int PROGRESS_DONE = 100;

// Reads at most one buffer's worth of records; -1, after saying so, when the file cannot be opened.
int readArchiveFile(const QString &name, ArchiveRecord *buffer)
{
    QFile file(name);
    QString error;
    if (!ArchiveFiles::openForReading(file, error)) {
        showCritical(error);
        return -1;
    }
    std::memset(buffer, 0, sizeof(ArchiveRecord) * ARCHIVE_RECORD_CAPACITY);
    return ArchiveFiles::readRecords(file, buffer, ARCHIVE_RECORD_CAPACITY);
}

// The UTF-8 of the texts that follow from a single byte of a record, made once for an export
// rather than for every row.
class ByteTexts
{
public:
    ByteTexts()
    {
        for (int byte = 0; byte < BYTE_VALUES; ++byte) {
            // One record serves every table, as each of these texts reads a byte of its own.
            ArchiveRecord record{};
            record.channel = record.code = record.scale = uint8_t(byte);
            channels[byte] = ArchiveText::channelText(record).toUtf8();
            eventNames[byte] = ArchiveText::eventName(record.code).toUtf8();
            unitNames[byte] = ArchiveText::unitName(ArchiveText::unitIndex(record)).toUtf8();
            unitNamesOrDefault[byte] = ArchiveText::unitNameOrDefault(record).toUtf8();
        }
    }

    const char *channel(const ArchiveRecord &record) const
    {
        return channels[record.channel].constData();
    }
    const char *eventName(const ArchiveRecord &record) const
    {
        return eventNames[record.code].constData();
    }
    const char *unitName(const ArchiveRecord &record) const
    {
        return unitNames[record.scale].constData();
    }
    const char *unitNameOrDefault(const ArchiveRecord &record) const
    {
        return unitNamesOrDefault[record.scale].constData();
    }

private:
    static constexpr int BYTE_VALUES = 256;
    QByteArray channels[BYTE_VALUES];
    QByteArray eventNames[BYTE_VALUES];
    QByteArray unitNames[BYTE_VALUES];
    QByteArray unitNamesOrDefault[BYTE_VALUES];
};

void writeEmptySlotRow(int row)
{
    xlsxExportFile.writeRow(row, {ArchiveText::EMPTY_SLOT});
}

void writeEventSheetRow(const ArchiveRecord &record, int row, const ByteTexts &texts)
{
    using namespace ArchiveText;
    if (!isValid(record)) {
        writeEmptySlotRow(row);
        return;
    }
    const bool withValue = carriesValue(record.code);
    xlsxExportFile.writeRow(row, {dateChars(record).text, timeChars(record).text,
                                  texts.channel(record), texts.eventName(record),
                                  withValue ? XlsxCell(value(record)) : XlsxCell(),
                                  withValue ? texts.unitNameOrDefault(record) : nullptr});
}

void writeChannelSheetRow(const ArchiveRecord &record, int row, const ByteTexts &texts)
{
    using namespace ArchiveText;
    if (!isValid(record)) {
        writeEmptySlotRow(row);
        return;
    }
    xlsxExportFile.writeRow(row, {dateChars(record).text, timeChars(record).text, value(record),
                                  texts.unitName(record)});
}

void writeEventSheet(int recordCount, const ByteTexts &texts)
{
    xlsxExportFile.writeRow(1, {"Дата", "Время", "Канал", "Событие", "Концен.", "Ед. изм."});
    xlsxExportFile.setColumnWidth(EVENT_NAME_COLUMN, EVENT_NAME_WIDTH);
    for (int i = 0; i < recordCount; ++i)
        writeEventSheetRow(eventRecords[i], i + 2, texts);
}

// False, after saying so, when the channel's file cannot be opened.
bool writeChannelSheet(const QString &folder, int channel, const ByteTexts &texts)
{
    const int recordCount =
        readArchiveFile(ArchiveFiles::channelFile(folder, channel), channelArchiveRecords);
    if (recordCount < 0)
        return false;
    xlsxExportFile.addSheet(QString::asprintf("К.%02d", channel));
    xlsxExportFile.writeRow(1, {"Дата", "Время", "Концен.", "Ед. изм."});
    for (int k = 0; k < recordCount; ++k)
        writeChannelSheetRow(channelArchiveRecords[k], k + 2, texts);
    return true;
}

// Asks for the workbook's name, starting from the last one; empty when the user cancels.
QString chooseTarget()
{
    const QString lastName = QFileInfo(xlsxExportFile.file.fileName()).fileName().trimmed();
    return QFileDialog::getSaveFileName(nullptr, Archive::tr("Файл настроек"),
                                        xlsxExportFile.lastDir + QDir::separator() + lastName,
                                        Archive::tr(" (*.xlsx);;All Files (*)"));
}

void reportNotWritten(const QString &target)
{
    showCritical(QStringLiteral("Ошибка записи файла ") + target);
}

} // namespace

void Archive::exportToXlsx(QProgressBar *bar)
{
    const QString folder = folderPath();
    const int eventCount = readArchiveFile(ArchiveFiles::eventsFile(folder), eventRecords);
    if (eventCount < 0)
        return;
    const QString target = chooseTarget();
    if (target.isEmpty())
        return;
    xlsxExportFile.lastDir = QFileInfo(target).path();
    xlsxExportFile.file.setFileName(target);

    if (!xlsxExportFile.createDocument(EVENTS_SHEET)) {
        reportNotWritten(target);
        return;
    }
    const ByteTexts texts;
    writeEventSheet(eventCount, texts);
    for (int channel = 1; channel <= channelCount; ++channel) {
        if (!writeChannelSheet(folder, channel, texts)) {
            xlsxExportFile.discardDocument();
            return;
        }
        bar->setValue(PROGRESS_DONE * channel / PROGRESS_STEPS);
    }
    if (!xlsxExportFile.finishDocument()) {
        reportNotWritten(target);
        return;
    }
    bar->setValue(PROGRESS_DONE);
    showInformation(QStringLiteral("Запись завершена"));
    bar->setValue(0);
}
