#include "app/messages.h"

#include <QMessageBox>

namespace {
const QString TITLE = QStringLiteral(" ");
}

void showCritical(const QString &text)
{
    QMessageBox::critical(nullptr, TITLE, text, QMessageBox::Ok);
}

void showWarning(const QString &text)
{
    QMessageBox::warning(nullptr, TITLE, text, QMessageBox::Ok);
}

void showInformation(const QString &text)
{
    QMessageBox::information(nullptr, TITLE, text, QMessageBox::Ok);
}
