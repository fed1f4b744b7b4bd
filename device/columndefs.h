#ifndef COLUMNDEFS_H
#define COLUMNDEFS_H

struct ColumnDef {
    int width;
    const char *header; // UTF-8
    bool on64K;         // the column exists on a 64-channel controller
};

constexpr int COLUMN_COUNT = 38;

constexpr ColumnDef COLUMN_DEFS[COLUMN_COUNT] = {
    {70, "Состоян.", true},
    {60, "Тип. устр.", true},
    {105, "Тэг", true},
    {60, "Статус\n порогов", true},
    {60, "Статус\n входа", true},
    {60, "Статус\n ошибки", true},
    {60, "Концен-\nтрация.", true},
    {60, "Ед.\n измер.", true},
    {60, "Дискрет", true},
    {105, "Тип газа", true},
    {60, "АЦП \n знач.", false},
    {60, "ШИМ \n знач.", false},
    {60, "Мин. \nдиап.", true},
    {60, "Макс.\n диап.", true},
    {60, "Тип1", true},
    {60, "Порог1", true},
    {60, "Тип2", true},
    {60, "Порог2", true},
    {60, "Тип3", false},
    {60, "Порог3", false},
    {60, "Гисте-\nрезис", true},
    {60, "Задерж.", true},
    {60, "Мёртв.з.", false},
    {60, "ЦАП \n 4ма", false},
    {60, "ЦАП \n 20ма", false},
    {60, "Арх.\n статус.", true},
    {60, "Арх.\n инт.", true},
    {60, "Ар. \n дельта", true},
    {60, "АЦП \n калиб.", false},
    {60, "Конц. \n калиб.", false},
    {60, "АЦП \n 4ма.", false},
    {60, "АЦП \n 20ма.", false},
    {60, "Ток \n авар.", false},
    {60, "Ток \n иниц.", false},
    {60, "Ток \n серв.", false},
    {60, "МБ \n адр.", true},
    {60, "Вер. ПО", true},
    {80, "Зав.\n ном.", true},
};

// Columns a 64-channel controller has, for the given device type.
constexpr bool columnAvailable(int devType, int column)
{
    return devType != 1 || COLUMN_DEFS[column].on64K;
}

#endif
