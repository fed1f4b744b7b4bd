#include "device/controllertext.h"

#include <QTextCodec>

namespace ControllerText {

// The controllers are set up from Russian Windows hosts, whose 8-bit code page is
// Windows-1251; hosts with a multi-byte locale (UTF-8 on Linux) use that page too,
// so settings files and controllers stay interchangeable between hosts.
QTextCodec *codec()
{
#ifdef Q_OS_WIN
    QTextCodec *locale = QTextCodec::codecForLocale();
    if (locale->mibEnum() != 106)
        return locale;
#endif
    return QTextCodec::codecForName("Windows-1251");
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
