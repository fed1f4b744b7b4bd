#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>

class QDialog;
class QFileDialog;
class QMessageBox;

// Answers the modal windows a test provokes, as a user would: message boxes
// are recorded and confirmed (Yes or OK); file dialogs get the queued file
// names typed into their name field, or are cancelled when no name is queued
// or the name is empty; other dialogs are accepted unless a rejection is queued, and the rows
// of their table are recorded. Answers are queued, since a dialog may ask a further
// question (replace the file?) from inside its own accept.
class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    explicit ModalAnswerer(QObject *parent = nullptr);

    void queueFileName(const QString &fileName) { fileNames << fileName; }
    void queueDialogAnswer(bool accept) { dialogAnswers << accept; }
    // Done once, while the next dialog is open, before it is answered.
    void whileNextDialogOpen(std::function<void()> action) { dialogAction = std::move(action); }
    // Object names of the other dialogs, in order, and the rows of the last one's table, each
    // as its cells joined by "|".
    QStringList dialogs() const { return dialogNames; }
    QStringList dialogRows() const { return rows; }
    // Texts of the tool's message boxes, in order.
    QStringList messages() const { return boxTexts; }
    // Captions of the file dialogs, in order, and the file and folder the last one proposed.
    QStringList dialogTitles() const { return titles; }
    QString proposedFile() const { return proposed; }
    QString proposedFolder() const { return proposedDir; }
    void clear() { boxTexts.clear(); }

private:
    void answer();
    void answerBox(QMessageBox *box);
    void answerFileDialog(QFileDialog *dialog, bool first);
    void answerDialog(QDialog *dialog);

    QTimer poll;
    QStringList boxTexts;
    QStringList titles;
    QStringList fileNames;
    QList<bool> dialogAnswers;
    std::function<void()> dialogAction;
    QStringList dialogNames;
    QStringList rows;
    QString proposed;
    QString proposedDir;
    QPointer<QWidget> answered;
    QString dialogName;
    QElapsedTimer openFor;
};
