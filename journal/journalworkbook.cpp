#include "journal/journalworkbook.h"

#include "archive/xlsxexportfile.h"

namespace JournalWorkbook {

namespace {
const double COLUMN_WIDTHS[] = {26, 14, 7, 12, 7, 22, 16, 16, 14};
}

QStringList headers()
{
    return {QStringLiteral("Время"),   QStringLiteral("Порт"),        QStringLiteral("Адрес"),
            QStringLiteral("Зав. №"),  QStringLiteral("Канал"),       QStringLiteral("Поле"),
            QStringLiteral("Было"),    QStringLiteral("Стало"),       QStringLiteral("Результат")};
}

QStringList texts(const JournalEntry &entry)
{
    const QString time = entry.time.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    return {time, entry.port, QString::number(entry.address), entry.factoryNumber, entry.channel,
            entry.field, entry.before, entry.after, entry.result};
}

bool write(const QString &path, const QVector<JournalEntry> &entries)
{
    XlsxExportFile workbook;
    workbook.file.setFileName(path);
    if (!workbook.createDocument(QStringLiteral("Журнал")))
        return false;
    for (int column = 0; column < int(std::size(COLUMN_WIDTHS)); ++column)
        workbook.setColumnWidth(column + 1, COLUMN_WIDTHS[column]);
    auto writeTexts = [&workbook](int row, const QStringList &texts) {
        QVector<QByteArray> utf8;
        for (const QString &text : texts)
            utf8 << text.toUtf8();
        workbook.writeRow(row, {utf8[0].constData(), utf8[1].constData(), utf8[2].constData(),
                                utf8[3].constData(), utf8[4].constData(), utf8[5].constData(),
                                utf8[6].constData(), utf8[7].constData(), utf8[8].constData()});
    };
    writeTexts(1, headers());
    for (int i = 0; i < entries.size(); ++i)
        writeTexts(i + 2, texts(entries.at(i)));
    return workbook.finishDocument();
}

} // namespace JournalWorkbook
