#include "tests/support/modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

ModalAnswerer::ModalAnswerer(QObject *parent) : QObject(parent)
{
    connect(&poll, &QTimer::timeout, this, &ModalAnswerer::answer);
    poll.start(10);
}

void ModalAnswerer::answer()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        seen << box->text();
        QAbstractButton *button = box->button(QMessageBox::Yes);
        if (!button)
            button = box->button(QMessageBox::Ok);
        if (button)
            button->click();
        else
            box->accept();
    } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        const QString name = fileNames.isEmpty() ? QString() : fileNames.takeFirst();
        seen << QStringLiteral("dialog:") + dialog->windowTitle();
        if (name.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(name);
            static_cast<QDialog *>(dialog)->accept();
        }
    }
}
