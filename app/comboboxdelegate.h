#ifndef COMBOBOXDELEGATE_H
#define COMBOBOXDELEGATE_H

#include <QItemDelegate>

// Editor for the channel-table columns whose values come from a fixed list. Only an item a
// person picks is written: a list closed without a pick (the cursor moving on, Esc, focus
// leaving) writes nothing. A value outside the list is offered as an item of its own, which
// writes nothing either.
class comboBoxDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    using QItemDelegate::QItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
};

#endif
