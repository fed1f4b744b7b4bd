#ifndef FILEDIALOGS_H
#define FILEDIALOGS_H

#include <QString>

class QWidget;

// The folder a file dialog starts in: the given one when it is there, else the archives' folder
// in the documents, else the documents.
QString dialogStartFolder(const QString &preferred = QString());

// Asks for a file to write, proposing startFile; a name typed without a suffix gets this one.
// Empty when the user cancels.
QString askSaveFileName(QWidget *parent, const QString &caption, const QString &startFile,
                        const QString &filter, const QString &suffix);

#endif
