#ifndef WRITEDIFFDIALOG_H
#define WRITEDIFFDIALOG_H

#include "device/channeldiff.h"

#include <QDialog>

// What a range write would change, field by field, before it is sent: "Записать" accepts,
// "Отмена" rejects.
class WriteDiffDialog : public QDialog
{
    Q_OBJECT
public:
    explicit WriteDiffDialog(const QVector<FieldChange> &changes, QWidget *parent = nullptr);
};

#endif
