#include "modalresponder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

ModalResponder::ModalResponder(const QString &target) : target(target)
{
    connect(&poll, &QTimer::timeout, this, &ModalResponder::answer);
    poll.start(10);
}

void ModalResponder::answer()
{
    QWidget *modal = QApplication::activeModalWidget();
    const bool first = modal != answered;
    answered = modal;
    if (auto *dialog = qobject_cast<QFileDialog *>(modal))
        answerDialog(dialog, first);
    else if (auto *box = qobject_cast<QMessageBox *>(modal); box && first)
        answerBox(box);
}

// The name is typed into the dialog's name field, as a user would: selectFile() leaves a focused
// field alone. The dialog is answered again for as long as it stays open, since an accept that
// finds no name only opens the folder. Answers are queued: the dialog asks about overwriting
// inside accept(), and this timer does not fire again before the slot returns.
void ModalResponder::answerDialog(QFileDialog *dialog, bool first)
{
    if (first) {
        ++dialogs;
        proposedFile = dialog->selectedFiles().value(0);
    }
    if (target.isEmpty()) {
        QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
        return;
    }
    dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(target);
    QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
}

void ModalResponder::answerBox(QMessageBox *box)
{
    if (box->windowTitle() == QLatin1String(" ")) {
        const QMessageBox::Icon icon = box->icon();
        const QString kind = icon == QMessageBox::Critical      ? QStringLiteral("critical")
                             : icon == QMessageBox::Information ? QStringLiteral("information")
                                                                : QStringLiteral("other");
        messages << kind + QStringLiteral(": ") + box->text();
    }
    QAbstractButton *button = box->button(QMessageBox::Yes);
    if (!button)
        button = box->button(QMessageBox::Ok);
    QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
}
