#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers the modal message boxes and file dialogs that a test provokes:
// records each box's text and presses Yes or OK, and gives file
// dialogs the queued file names (an empty or missing name cancels).
class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    explicit ModalAnswerer(QObject *parent = nullptr);

    void queueFileName(const QString &fileName) { fileNames << fileName; }
    QStringList messages() const { return seen; }
    void clear() { seen.clear(); }

private:
    void answer();

    QTimer poll;
    QStringList seen;
    QStringList fileNames;
};
