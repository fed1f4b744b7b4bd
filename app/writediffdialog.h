#ifndef WRITEDIFFDIALOG_H
#define WRITEDIFFDIALOG_H

#include "device/channeldiff.h"

#include <QDialog>

// What a range write would change, field by field. Before a write "Записать" accepts and
// "Отмена" rejects; after "Сравнить" it is only shown, with "Закрыть".
class WriteDiffDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Purpose { Write, Compare };

    WriteDiffDialog(const QVector<FieldChange> &changes, Purpose purpose,
                    QWidget *parent = nullptr);
};

#endif
