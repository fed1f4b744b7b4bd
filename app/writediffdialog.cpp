#include "app/writediffdialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

WriteDiffDialog::WriteDiffDialog(const QVector<FieldChange> &changes, Purpose purpose,
                                 QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgWriteDiff"));
    setWindowTitle(purpose == Purpose::Write ? QStringLiteral("Записать в устройство")
                                             : QStringLiteral("Сравнить"));
    auto *table = new QTableWidget(changes.size(), 4, this);
    table->setObjectName(QStringLiteral("twWriteDiff"));
    table->setHorizontalHeaderLabels({QStringLiteral("Канал"), QStringLiteral("Поле"),
                                      QStringLiteral("В контроллере"),
                                      QStringLiteral("Новое значение")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    for (int row = 0; row < changes.size(); ++row) {
        const FieldChange &change = changes.at(row);
        const QStringList texts = {QString::asprintf("%02d", change.channel + 1),
                                   ChannelDiff::columnTitle(change.column), change.before,
                                   change.after};
        for (int column = 0; column < texts.size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(texts.at(column)));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);

    auto *buttons = new QDialogButtonBox(this);
    if (purpose == Purpose::Write) {
        buttons->addButton(QStringLiteral("Записать"), QDialogButtonBox::AcceptRole);
        buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    } else {
        buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Изменения: %1").arg(changes.size()), this));
    layout->addWidget(table);
    layout->addWidget(buttons);
    resize(640, 420);
}
