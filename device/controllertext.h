#ifndef CONTROLLERTEXT_H
#define CONTROLLERTEXT_H

#include <QByteArray>
#include <QString>

class QTextCodec;

// Tag and gas name travel as 16 bytes of 8-bit text, two characters per register.
namespace ControllerText {

constexpr int FIELD_SIZE = 16;

// The 8-bit code page of the controller's strings.
QTextCodec *codec();
// The field's bytes up to the first NUL, at most FIELD_SIZE of them.
QString decode(const char *field);
// The text in the code page, NUL-padded or cut to FIELD_SIZE bytes.
QByteArray encode(const QString &text);

} // namespace ControllerText

#endif
