#include "archive/archive.h"

#include "app/messages.h"
#include "archive/archiveworkbook.h"
#include "archive/xlsxexportfile.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressBar>

namespace {

// The bar advances by channel as if there were always 33 steps, for either channel count.
constexpr int PROGRESS_STEPS = 33;
constexpr int PROGRESS_DONE = 100;

// Asks for the workbook's name, starting from the last one; empty when the user cancels.
QString chooseTarget()
{
    const QString lastName = QFileInfo(xlsxExportFile.file.fileName()).fileName().trimmed();
    return QFileDialog::getSaveFileName(nullptr, Archive::tr("Файл настроек"),
                                        xlsxExportFile.lastDir + QDir::separator() + lastName,
                                        Archive::tr(" (*.xlsx);;All Files (*)"));
}

} // namespace

void Archive::exportToXlsx(QProgressBar *bar)
{
    ArchiveWorkbook workbook(folderPath(), channelCount);
    if (!workbook.readEvents()) {
        showCritical(workbook.errorString());
        return;
    }
    const QString target = chooseTarget();
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
