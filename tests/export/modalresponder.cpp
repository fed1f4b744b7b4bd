#include "modalresponder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <cstdio>

ModalResponder::ModalResponder(const QString &target) : target(target)
{
    connect(&poll, &QTimer::timeout, this, &ModalResponder::answer);
    poll.start(10);
}

void ModalResponder::answer()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (auto *d = qobject_cast<QFileDialog *>(modal)) fprintf(stderr, "poll dialog sel=%s answered=%d\n", qPrintable(d->selectedFiles().join(",")), modal == answered);
    if (!modal || modal == answered)
        return;
    answered = modal;
    if (auto *dialog = qobject_cast<QFileDialog *>(modal))
        answerDialog(dialog);
    else if (auto *box = qobject_cast<QMessageBox *>(modal))
        answerBox(box);
}

// Answers are queued: the save dialog opens its overwrite question inside accept(), and this
// timer does not fire again before the slot returns.
void ModalResponder::answerDialog(QFileDialog *dialog)
{
    ++dialogs;
    proposedFile = dialog->selectedFiles().value(0);
    if (target.isEmpty()) {
        QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
        return;
    }
    dialog->selectFile(target);
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
