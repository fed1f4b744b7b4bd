#include "device/comboboxdelegate.h"

#include "device/celledit.h"

#include <QComboBox>

QWidget *comboBoxDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                        const QModelIndex &index) const
{
    auto *editor = new QComboBox(parent);
    if (const QStringList *items = CellEdit::listOf(index.column()))
        editor->addItems(*items);
    return editor;
}

void comboBoxDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = static_cast<QComboBox *>(editor);
    const int found = combo->findData(index.data(Qt::EditRole).toString(), Qt::DisplayRole,
                                      Qt::MatchCaseSensitive);
    if (found >= 0)
        combo->setCurrentIndex(found);
}

void comboBoxDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const
{
    model->setData(index, static_cast<QComboBox *>(editor)->currentText(), Qt::EditRole);
}
