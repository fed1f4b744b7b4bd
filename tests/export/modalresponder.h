#ifndef MODALRESPONDER_H
#define MODALRESPONDER_H

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QFileDialog;
class QMessageBox;

// Answers the modal windows that open while it lives: a save dialog gets the target name, or is
// cancelled when the target is empty; a message box is confirmed. The program's own boxes (the
// ones titled " ") are kept in order as "critical: text" or "information: text".
class ModalResponder : public QObject
{
public:
    explicit ModalResponder(const QString &target);

    QStringList messages;
    int dialogs = 0;
    // The file the save dialog proposed when it opened.
    QString proposedFile;

private:
    void answer();
    void answerDialog(QFileDialog *dialog, bool first);
    void answerBox(QMessageBox *box);

    QString target;
    QTimer poll;
    QPointer<QWidget> answered;
};

#endif
