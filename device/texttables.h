#ifndef TEXTTABLES_H
#define TEXTTABLES_H

#include <QStringList>

extern const QStringList STATE_TEXTS;
extern const QStringList MODULE_TYPE_TEXTS;
extern const QStringList THRESHOLD_STATUS_TEXTS;
extern const QStringList INPUT_STATUS_TEXTS;
extern const QStringList ERROR_STATUS_TEXTS;
extern const QStringList UNIT_TEXTS;
extern const QStringList DISCRETE_TEXTS;
extern const QStringList THRESHOLD_TYPE_TEXTS;
extern const QStringList ARCHIVE_MODE_TEXTS;

enum ModuleType {
    MODULE_NONE = 0,
    MODULE_INTERNAL = 1,
    MODULE_LDM = 2,
    MODULE_QDM = 3,
    MODULE_DORNA = 4
};

// Code of a text: the first exact, case-sensitive match; 0 when none matches.
int codeOfText(const QStringList &table, const QString &text);

// Text of a code; a code outside the table shows as the number itself.
QString textOfCode(const QStringList &table, int code);

#endif
