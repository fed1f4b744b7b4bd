#include "app/archiveexport.h"

#include "app/archive.h"
#include "app/filedialogs.h"
#include "app/messages.h"
#include "archive/archiveworkbook.h"
#include "archive/xlsxexportfile.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressBar>

namespace {

// The bar advances by channel as if there were always 33 steps, for either channel count.
constexpr int PROGRESS_STEPS = 33;
constexpr int PROGRESS_DONE = 100;

// Asks for the workbook's name, proposing the folder's name beside the folder; empty when the
// user cancels.
QString chooseTarget(const QString &folder)
{
    const QString path = QDir::cleanPath(folder);
    const QString proposed =
        QFileInfo(path).fileName().isEmpty() ? path : path + QStringLiteral(".xlsx");
    return askSaveFileName(nullptr, Archive::tr("Файл настроек"), proposed,
                           Archive::tr(" (*.xlsx);;Все файлы (*)"), QStringLiteral("xlsx"));
}

} // namespace

void ArchiveExport::toXlsx(const QString &folder, int channelCount, QProgressBar *bar)
{
    ArchiveWorkbook workbook(folder, channelCount);
    if (!workbook.readEvents()) {
        showCritical(workbook.errorString());
        return;
    }
    const QString target = chooseTarget(folder);
    if (target.isEmpty())
        return;
    xlsxExportFile.lastDir = QFileInfo(target).path();
    xlsxExportFile.file.setFileName(target);
    const bool written = workbook.write(xlsxExportFile, [bar](int channel) {
        bar->setValue(PROGRESS_DONE * channel / PROGRESS_STEPS);
    });
    if (!written) {
        showCritical(workbook.errorString());
        return;
    }
    bar->setValue(PROGRESS_DONE);
    const QString missing = workbook.missingLine();
    showInformation(QStringLiteral("Запись завершена") +
                    (missing.isEmpty() ? QString() : QLatin1Char('\n') + missing));
    bar->setValue(0);
}
