#ifndef CELLWRITE_H
#define CELLWRITE_H

#include "controller/controllerlink.h"

#include <QString>

class Data;
class QModelIndex;

// An edited cell of the channel table into its record and, while connected, into the patch that
// sends it to the controller.
class CellWrite
{
public:
    explicit CellWrite(const Data &data);

    // What became of an edited cell: refused (the text cannot be a value of its
    // field, nothing changed), stored in its record only, or also to be sent to the controller
    // as the patch; ignored in a column drawn from live values, where the text stays until the
    // next redraw.
    enum class Result { Refused, Stored, Sent, Ignored };
    Result write(const QModelIndex &index, RegisterPatch &patch);

private:
    RegisterPatch storeText(int channel, int column, const QString &text);
    bool storeCode(int channel, int column, int code, RegisterPatch &patch);
    RegisterPatch storeNumber(int channel, int column, int raw);

    const Data &data;
};

#endif
