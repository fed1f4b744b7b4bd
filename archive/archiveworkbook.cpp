#include "archive/archiveworkbook.h"

#include "archive/archivefiles.h"
#include "archive/archivetext.h"
#include "archive/xlsxexportfile.h"
#include "device/wholefile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

const QString EVENTS_SHEET = QStringLiteral("События");
constexpr int EVENT_NAME_COLUMN = 4;
constexpr double EVENT_NAME_WIDTH = 15.0;

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

void writeEmptySlotRow(XlsxExportFile &file, int row)
{
    file.writeRow(row, {ArchiveText::EMPTY_SLOT});
}

void writeEventSheetRow(XlsxExportFile &file, const ArchiveRecord &record, int row,
                        const ByteTexts &texts)
{
    using namespace ArchiveText;
    if (!isValid(record)) {
        writeEmptySlotRow(file, row);
        return;
    }
    const bool withValue = carriesValue(record.code);
    file.writeRow(row, {dateChars(record).text, timeChars(record).text, texts.channel(record),
                        texts.eventName(record), withValue ? XlsxCell(value(record)) : XlsxCell(),
                        withValue ? texts.unitNameOrDefault(record) : nullptr});
}

void writeChannelSheetRow(XlsxExportFile &file, const ArchiveRecord &record, int row,
                          const ByteTexts &texts)
{
    using namespace ArchiveText;
    if (!isValid(record)) {
        writeEmptySlotRow(file, row);
        return;
    }
    file.writeRow(row, {dateChars(record).text, timeChars(record).text, value(record),
                        texts.unitName(record)});
}

} // namespace

ArchiveWorkbook::ArchiveWorkbook(const QString &folder, int channelCount)
    : folder(folder), channels(channelCount)
{
}

// Reads at most one buffer's worth of records; -1 when the file cannot be opened.
int ArchiveWorkbook::readFile(const QString &name, std::vector<ArchiveRecord> &buffer)
{
    QFile file(name);
    if (!ArchiveFiles::openForReading(file, error))
        return -1;
    buffer.assign(ARCHIVE_RECORD_CAPACITY, ArchiveRecord{});
    return ArchiveFiles::readRecords(file, buffer.data(), ARCHIVE_RECORD_CAPACITY);
}

bool ArchiveWorkbook::readEvents()
{
    eventCount = readFile(ArchiveFiles::eventsFile(folder), events);
    return eventCount >= 0;
}

bool ArchiveWorkbook::write(XlsxExportFile &file,
                            const std::function<void(int channel)> &channelWritten)
{
    const QString notWritten = WholeFile::notWrittenText(file.file.fileName());
    if (!file.createDocument(EVENTS_SHEET)) {
        error = notWritten;
        return false;
    }
    const ByteTexts texts;
    file.writeRow(1, {"Дата", "Время", "Канал", "Событие", "Концен.", "Ед. изм."});
    file.setColumnWidth(EVENT_NAME_COLUMN, EVENT_NAME_WIDTH);
    for (int i = 0; i < eventCount; ++i)
        writeEventSheetRow(file, events[size_t(i)], i + 2, texts);
    missing.clear();
    for (int channel = 1; channel <= channels; ++channel) {
        const QString name = ArchiveFiles::channelFile(folder, channel);
        if (!QFileInfo::exists(name)) {
            missing << channel;
            channelWritten(channel);
            continue;
        }
        const int recordCount = readFile(name, channelRecords);
        if (recordCount < 0) {
            file.discardDocument();
            return false;
        }
        file.addSheet(QString::asprintf("К.%02d", channel));
        file.writeRow(1, {"Дата", "Время", "Концен.", "Ед. изм."});
        for (int k = 0; k < recordCount; ++k)
            writeChannelSheetRow(file, channelRecords[size_t(k)], k + 2, texts);
        channelWritten(channel);
    }
    if (!file.finishDocument()) {
        error = notWritten;
        return false;
    }
    return true;
}

QString ArchiveWorkbook::missingLine() const
{
    QStringList runs;
    for (int i = 0; i < missing.size();) {
        int last = i;
        while (last + 1 < missing.size() && missing[last + 1] == missing[last] + 1)
            ++last;
        runs << (last == i ? QString::number(missing[i])
                           : QStringLiteral("%1–%2").arg(missing[i]).arg(missing[last]));
        i = last + 1;
    }
    return runs.isEmpty() ? QString()
                          : QStringLiteral("Нет архивов: ") + runs.join(QStringLiteral(", "));
}
