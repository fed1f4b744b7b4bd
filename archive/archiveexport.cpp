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
    if (!ArchiveFiles::openOrReport(file))
        return -1;
    return ArchiveFiles::readRecords(file, buffer, ARCHIVE_RECORD_CAPACITY);
}

void writeEmptySlotRow(int row)
{
    xlsxExportFile.writeRow(row, {QString::fromLatin1(ArchiveText::EMPTY_SLOT)});
}

void writeEventSheetRow(const ArchiveRecord &record, int row)
{
    using namespace ArchiveText;
    if (!isValid(record)) {
        writeEmptySlotRow(row);
        return;
    }
    const bool withValue = carriesValue(record.code);
    xlsxExportFile.writeRow(
        row, {dateText(record), timeText(record), channelText(record), eventName(record.code),
              withValue ? QVariant(value(record)) : QVariant(QString()),
              withValue ? unitNameOrDefault(record) : QString(), QString(), QString()});
}

void writeChannelSheetRow(const ArchiveRecord &record, int row)
{
    using namespace ArchiveText;
    if (!isValid(record)) {
        writeEmptySlotRow(row);
        return;
    }
    xlsxExportFile.writeRow(row, {dateText(record), timeText(record), value(record),
                                  unitName(unitIndex(record)), QString(), QString()});
}

void writeEventSheet(int recordCount)
{
    xlsxExportFile.writeRow(1, {QStringLiteral("Дата"), QStringLiteral("Время"),
                                QStringLiteral("Канал"), QStringLiteral("Событие"),
                                QStringLiteral("Концен."), QStringLiteral("Ед. изм.")});
    xlsxExportFile.setColumnWidth(EVENT_NAME_COLUMN, EVENT_NAME_WIDTH);
    for (int i = 0; i < recordCount; ++i)
        writeEventSheetRow(eventRecords[i], i + 2);
}

// False, after saying so, when the channel's file cannot be opened.
bool writeChannelSheet(const QString &folder, int channel)
{
    const int recordCount =
        readArchiveFile(ArchiveFiles::channelFile(folder, channel), channelArchiveRecords);
    if (recordCount < 0)
        return false;
    xlsxExportFile.addSheet(QString::asprintf("К.%02d", channel));
    xlsxExportFile.writeRow(1, {QStringLiteral("Дата"), QStringLiteral("Время"),
                                QStringLiteral("Концен."), QStringLiteral("Ед. изм.")});
    for (int k = 0; k < recordCount; ++k)
        writeChannelSheetRow(channelArchiveRecords[k], k + 2);
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
    writeEventSheet(eventCount);
    for (int channel = 1; channel <= channelCount; ++channel) {
        if (!writeChannelSheet(folder, channel)) {
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
