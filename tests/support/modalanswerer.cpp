#include "tests/support/modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableWidget>
#include <utility>

namespace {
// A file dialog fills its folder view in the background and then selects its
// start file; a name typed before that would be overwritten.
constexpr int DIALOG_SETTLE_MS = 150;
} // namespace

ModalAnswerer::ModalAnswerer(QObject *parent) : QObject(parent)
{
    connect(&poll, &QTimer::timeout, this, &ModalAnswerer::answer);
    poll.start(10);
}

void ModalAnswerer::answer()
{
    QWidget *modal = QApplication::activeModalWidget();
    const bool first = modal != answered;
    answered = modal;
    if (auto *dialog = qobject_cast<QFileDialog *>(modal))
        answerFileDialog(dialog, first);
    else if (auto *box = qobject_cast<QMessageBox *>(modal); box && first)
        answerBox(box);
    else if (auto *dialog = qobject_cast<QDialog *>(modal); dialog && first)
        answerDialog(dialog);
}

// Only the tool's own boxes, titled with one blank, are recorded; questions a
// file dialog asks (replace the file?) are answered too.
void ModalAnswerer::answerBox(QMessageBox *box)
{
    if (box->windowTitle() == QLatin1String(" "))
        boxTexts << box->text();
    QAbstractButton *button = box->button(QMessageBox::Yes);
    if (!button)
        button = box->button(QMessageBox::Ok);
    if (button)
        QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
    else
        QMetaObject::invokeMethod(box, &QDialog::accept, Qt::QueuedConnection);
}

void ModalAnswerer::answerDialog(QDialog *dialog)
{
    dialogNames << dialog->objectName();
    rows.clear();
    if (const auto *table = dialog->findChild<QTableWidget *>()) {
        for (int row = 0; row < table->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < table->columnCount(); ++column)
                cells << table->item(row, column)->text();
            rows << cells.join(QLatin1Char('|'));
        }
    }
    if (dialogAction)
        std::exchange(dialogAction, nullptr)();
    const bool accept = dialogAnswers.isEmpty() || dialogAnswers.takeFirst();
    QMetaObject::invokeMethod(dialog, accept ? &QDialog::accept : &QDialog::reject,
                              Qt::QueuedConnection);
}

// The dialog is answered again, now and then, for as long as it stays open:
// an accept that finds no usable name leaves it open.
void ModalAnswerer::answerFileDialog(QFileDialog *dialog, bool first)
{
    if (first) {
        openFor.start();
        titles << dialog->windowTitle();
        proposed = dialog->selectedFiles().value(0);
        proposedDir = dialog->directory().absolutePath();
        dialogName = fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    if (openFor.elapsed() < DIALOG_SETTLE_MS)
        return;
    openFor.restart();
    if (dialogName.isEmpty()) {
        QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
        return;
    }
    dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(dialogName);
    QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
}
