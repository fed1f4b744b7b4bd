#include "tests/archive/archivefixture.h"

#include "app/mainwindow.h"
#include "archive/archivecolumns.h"
#include "device/channelformat.h"
#include "device/columndefs.h"
#include "tests/support/testhome.h"

#include <QApplication>
#include <QScopeGuard>
#include <QtTest>

// The columns of the archive tables and of the channel settings table are wide enough for
// their texts in the font the tables have, and never narrower than designed.
class ColumnWidthsTest : public QObject
{
    Q_OBJECT
private slots:
    void archiveColumnsFitTheirTexts_data();
    void archiveColumnsFitTheirTexts();
    void channelColumnsFitTheirTexts_data();
    void channelColumnsFitTheirTexts();
};

namespace {

void addFontRows()
{
    QTest::addColumn<int>("pixelSize");
    QTest::newRow("application font") << 0;
    QTest::newRow("small font") << 8;
    QTest::newRow("large font") << 22;
}

QFont fontOfSize(int pixelSize)
{
    QFont font = QApplication::font();
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    return font;
}

int widest(const QFontMetrics &metrics, const QStringList &texts)
{
    int width = 0;
    for (const QString &text : texts)
        width = std::max(width, metrics.horizontalAdvance(text));
    return width;
}

QStringList columnTexts(const QTableView *view, int column)
{
    QStringList texts;
    const QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

// The column is at least its design width and holds its header lines and the given texts.
void verifyColumn(const QTableView *view, int column, int designWidth, const QStringList &texts)
{
    const int width = view->columnWidth(column);
    const QString header = view->model()->headerData(column, Qt::Horizontal).toString();
    const QByteArray where = view->objectName().toLatin1() + " column " +
                             QByteArray::number(column) + " width " + QByteArray::number(width);
    QVERIFY2(width >= designWidth, where.constData());
    QVERIFY2(width >= widest(view->horizontalHeader()->fontMetrics(), header.split('\n')),
             where.constData());
    QVERIFY2(width >= widest(view->fontMetrics(), texts), where.constData());
}

} // namespace

void ColumnWidthsTest::archiveColumnsFitTheirTexts_data()
{
    addFontRows();
}

void ColumnWidthsTest::archiveColumnsFitTheirTexts()
{
    QFETCH(int, pixelSize);
    ArchiveFixture f;
    f.ui.tvArcEvents->setFont(fontOfSize(pixelSize));
    f.ui.tvArcNotes->setFont(fontOfSize(pixelSize));
    // Every named event and every unit, with the longest values.
    constexpr int ROWS = ArchiveText::NAMED_EVENT_CODES * ArchiveText::UNIT_NAME_COUNT;
    f.archive.setupTables(ROWS);
    for (int row = 0; row < ROWS; ++row) {
        const auto code = uint8_t(row % ArchiveText::NAMED_EVENT_CODES);
        const auto unit = uint8_t(row / ArchiveText::NAMED_EVENT_CODES);
        const ArchiveRecord record =
            makeRecord("2028-08-28T23:58:58Z", 64, code, 65535, uint8_t(0x30 | unit), 65535);
        f.archive.addEventRow(record, row);
        f.archive.addChannelRow(record, row);
    }
    for (int column = 0; column < ArchiveColumns::COUNT && !QTest::currentTestFailed(); ++column) {
        verifyColumn(f.ui.tvArcEvents, column, ArchiveColumns::EVENTS[column].width,
                     columnTexts(f.ui.tvArcEvents, column));
        verifyColumn(f.ui.tvArcNotes, column, ArchiveColumns::CHANNEL[column].width,
                     columnTexts(f.ui.tvArcNotes, column));
    }
}

void ColumnWidthsTest::channelColumnsFitTheirTexts_data()
{
    addFontRows();
}

void ColumnWidthsTest::channelColumnsFitTheirTexts()
{
    QFETCH(int, pixelSize);
    TestHome home;
    QTemporaryDir dir;
    const QString previousDir = QDir::currentPath();
    const QFont previousFont = QApplication::font();
    const auto restore = qScopeGuard([&] {
        QApplication::setFont(previousFont);
        QDir::setCurrent(previousDir);
    });
    QVERIFY(QDir::setCurrent(dir.path()));
    QApplication::setFont(fontOfSize(pixelSize));
    MainWindow window;
    const auto *view = window.findChild<QTableView *>("tvChannelsCfg");
    QVERIFY(view);
    for (int column = 0; column < COLUMN_COUNT && !QTest::currentTestFailed(); ++column)
        verifyColumn(view, column, COLUMN_DEFS[column].width,
                     ChannelFormat::fixedTexts(column) + columnTexts(view, column));
}

QTEST_MAIN(ColumnWidthsTest)
#include "tst_columnwidths.moc"
