#include "device/texttables.h"

const QStringList STATE_TEXTS = {"откл.", "ВКЛЮЧЕН"};
const QStringList MODULE_TYPE_TEXTS = {"-", "Внутр.", "VT84-LDM", "VT84-QDM", "DORNA"};
const QStringList THRESHOLD_STATUS_TEXTS = {"-", "Норма", "Порог1", "Порог2", "Порог3"};
const QStringList INPUT_STATUS_TEXTS = {"-",      "Авария",  "Инициал.", "Норма",
                                        "Сервис", "Превыш.", "Обрыв"};
const QStringList ERROR_STATUS_TEXTS = {"-", "Норма", "Ош.Modbus", "Ош. типа"};
const QStringList UNIT_TEXTS = {"-", "%НКПР", "ppm", "mg/m3", "vol", "ug/m3", "ppb", "ma"};
const QStringList DISCRETE_TEXTS = {"1", "0.1", "0.01"};
const QStringList THRESHOLD_TYPE_TEXTS = {"Превыш.", "Пониж."};
const QStringList ARCHIVE_MODE_TEXTS = {"откл", "Интервал", "Дельта"};

int codeOfText(const QStringList &table, const QString &text)
{
    const int index = table.indexOf(text);
    return index < 0 ? 0 : index;
}

QString textOfCode(const QStringList &table, int code)
{
    if (code >= 0 && code < table.size())
        return table.at(code);
    return QString::number(code);
}
