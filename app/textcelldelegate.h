#ifndef TEXTCELLDELEGATE_H
#define TEXTCELLDELEGATE_H

#include <QStyledItemDelegate>

// Editor for the channel-table columns of controller text: it takes no more characters than
// the controller keeps, one byte each.
class TextCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
};

#endif
