#include "app/textcelldelegate.h"

#include "device/controllertext.h"

#include <QLineEdit>

QWidget *TextCellDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->setMaxLength(ControllerText::FIELD_SIZE);
    return editor;
}
