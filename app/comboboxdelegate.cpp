#include "app/comboboxdelegate.h"

#include "device/celledit.h"

#include <QComboBox>

namespace {

// A list that knows whether a person chose one of its items; items of the column's list carry
// their code, the shown value outside the list carries none.
class ListEditor : public QComboBox
{
public:
    explicit ListEditor(QWidget *parent) : QComboBox(parent)
    {
        connect(this, QOverload<int>::of(&QComboBox::activated), this, [this] { picked = true; });
    }

    bool picked = false;
};

} // namespace

QWidget *comboBoxDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                        const QModelIndex &index) const
{
    auto *editor = new ListEditor(parent);
    if (const QStringList *items = CellEdit::listOf(index.column()))
        for (int code = 0; code < items->size(); ++code)
            editor->addItem(items->at(code), code);
    return editor;
}

void comboBoxDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *list = static_cast<ListEditor *>(editor);
    if (list->count() > 0 && !list->itemData(0).isValid())
        list->removeItem(0);
    const QString shown = index.data(Qt::EditRole).toString();
    int found = list->findText(shown);
    if (found < 0) {
        list->insertItem(0, shown);
        found = 0;
    }
    list->setCurrentIndex(found);
    list->picked = false;
}

void comboBoxDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const
{
    const auto *list = static_cast<ListEditor *>(editor);
    if (list->picked && list->currentData().isValid())
        model->setData(index, list->currentText(), Qt::EditRole);
}
