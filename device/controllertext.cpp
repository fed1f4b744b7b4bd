#include "device/controllertext.h"

#include <QTextCodec>

namespace ControllerText {

// The controller stores Windows-1251 whatever host set it up, so the page never follows the
// host's locale: settings files and controllers stay interchangeable between hosts.
QTextCodec *codec()
{
    static QTextCodec *const windows1251 = QTextCodec::codecForMib(2251);
    return windows1251;
}

QString decode(const char *field)
{
    return codec()->toUnicode(field, int(qstrnlen(field, FIELD_SIZE)));
}

QByteArray encode(const QString &text)
{
    QByteArray bytes = codec()->fromUnicode(text).left(FIELD_SIZE);
    bytes.append(FIELD_SIZE - bytes.size(), '\0');
    return bytes;
}

} // namespace ControllerText
