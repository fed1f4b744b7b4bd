#include "journal/commissioningreport.h"

#include "device/channelformat.h"
#include "device/columndefs.h"
#include "device/wholefile.h"
#include "journal/journalworkbook.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextDocument>

namespace CommissioningReport {

namespace {

constexpr int RESOLUTION_DPI = 300;
constexpr int TABLE_POINT_SIZE = 6;

// Columns drawn from what the channel measures now: a record of the set-up leaves them out.
bool isLiveValue(int column)
{
    return (column >= 3 && column <= 6) || column == 10 || column == 11;
}

QString cellHtml(const QString &tag, const QString &text)
{
    return QStringLiteral("<%1>%2</%1>").arg(tag, text.toHtmlEscaped());
}

QString shown(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("—") : text;
}

QString identityHtml(const ReportContent &content)
{
    QString rows;
    auto row = [&rows](const QString &name, const QString &value) {
        rows += QStringLiteral("<tr>") + cellHtml(QStringLiteral("td"), name) +
                cellHtml(QStringLiteral("td"), shown(value)) + QStringLiteral("</tr>");
    };
    if (!content.settingsFile.isEmpty())
        row(QStringLiteral("Файл настроек"), content.settingsFile);
    row(QStringLiteral("Заводской номер"), content.factoryNumber);
    row(QStringLiteral("Аппаратная версия"), content.hardwareVersion);
    row(QStringLiteral("Часы контроллера"), content.controllerClock);
    row(QStringLiteral("Время ПК"),
        content.computerTime.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
    row(QStringLiteral("Порт"), content.port);
    row(QStringLiteral("MB адрес"),
        content.address > 0 ? QString::number(content.address) : QString());
    row(QStringLiteral("Каналы"),
        QStringLiteral("%1–%2").arg(content.first + 1).arg(content.last + 1));
    return QStringLiteral("<table cellpadding=\"2\">") + rows + QStringLiteral("</table>");
}

QString channelsHtml(const ReportContent &content)
{
    const QVector<int> shownColumns = columns(content.devType);
    QString html = QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" "
                                  "cellpadding=\"1\" style=\"font-size: %1pt\"><tr>")
                       .arg(TABLE_POINT_SIZE);
    html += cellHtml(QStringLiteral("th"), QStringLiteral("Канал"));
    for (const int column : shownColumns)
        html += cellHtml(QStringLiteral("th"), QString::fromUtf8(COLUMN_DEFS[column].header));
    html += QStringLiteral("</tr>");
    for (int channel = content.first; channel <= content.last; ++channel) {
        html += QStringLiteral("<tr>") + cellHtml(QStringLiteral("td"), QString::number(channel + 1));
        if (content.known[size_t(channel)]) {
            for (const int column : shownColumns)
                html += cellHtml(QStringLiteral("td"),
                                 ChannelFormat::cell(content.records[channel], column).toString());
        } else {
            html += QStringLiteral("<td colspan=\"%1\">не прочитано</td>").arg(shownColumns.size());
        }
        html += QStringLiteral("</tr>");
    }
    return html.replace(QLatin1Char('\n'), QStringLiteral("<br>")) + QStringLiteral("</table>");
}

QString journalHtml(const ReportContent &content)
{
    if (content.entries.isEmpty())
        return QStringLiteral("<p>Записей нет.</p>");
    QString html = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"1\" "
                                  "style=\"font-size: %1pt\"><tr>")
                       .arg(TABLE_POINT_SIZE + 1);
    for (const QString &header : JournalWorkbook::headers())
        html += cellHtml(QStringLiteral("th"), header);
    html += QStringLiteral("</tr>");
    for (const JournalEntry &entry : content.entries) {
        html += QStringLiteral("<tr>");
        for (const QString &text : JournalWorkbook::texts(entry))
            html += cellHtml(QStringLiteral("td"), text);
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString signaturesHtml()
{
    const QString line = QStringLiteral("<p>%1: ______________________ / ______________________ "
                                        "/&nbsp;&nbsp;&nbsp;Дата: ______________</p>");
    return line.arg(QStringLiteral("Инженер")) + line.arg(QStringLiteral("Представитель заказчика"));
}

} // namespace

QVector<int> columns(int devType)
{
    QVector<int> shownColumns;
    for (int column = 0; column < COLUMN_COUNT; ++column) {
        if (columnAvailable(devType, column) && !isLiveValue(column))
            shownColumns << column;
    }
    return shownColumns;
}

QString html(const ReportContent &content)
{
    const QString day = content.computerTime.date().toString(QStringLiteral("dd.MM.yyyy"));
    return QStringLiteral("<html><body><h2>Отчёт о настройке контроллера TQ-17</h2>") +
           identityHtml(content) + QStringLiteral("<h3>Настройки каналов</h3>") +
           channelsHtml(content) + QStringLiteral("<h3>Журнал записей за ") + day +
           QStringLiteral("</h3>") + journalHtml(content) + QStringLiteral("<br>") +
           signaturesHtml() + QStringLiteral("</body></html>");
}

// The system's general font carries Cyrillic on Windows; on Linux fontconfig picks one that does.
QByteArray pdf(const ReportContent &content)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(RESOLUTION_DPI);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
        writer.setTitle(QStringLiteral("Отчёт о настройке контроллера TQ-17"));
        QTextDocument document;
        document.setDefaultFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
        document.setHtml(html(content));
        document.print(&writer);
    }
    return bytes;
}

bool write(const QString &fileName, const ReportContent &content)
{
    return WholeFile::write(fileName, pdf(content));
}

} // namespace CommissioningReport
