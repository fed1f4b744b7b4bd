#include "app/filedialogs.h"

#include "archive/archivestore.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

QString dialogStartFolder(const QString &preferred)
{
    for (const QString &folder : {preferred, ArchiveStore::defaultRoot()}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString askSaveFileName(QWidget *parent, const QString &caption, const QString &startFile,
                        const QString &filter, const QString &suffix)
{
    QFileDialog dialog(parent, caption, startFile, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}
