#include "tests/archive/archivefixture.h"

#include "app/mainwindow.h"
#include "archive/archivecolumns.h"
#include "device/channelformat.h"
#include "device/columndefs.h"
#include "journal/journal.h"

#include <QApplication>
#include <QScopeGuard>
#include <QTabWidget>
#include <QtTest>

// The columns of the archive tables, the channel settings table and the journal are wide enough
// for their texts in the tables' fonts, and never narrower than designed.
class ColumnWidthsTest : public QObject
{
    Q_OBJECT
private slots:
    void columnsFitTheirTexts_data();
    void columnsFitTheirTexts();
};

namespace {

int widest(const QFontMetrics &metrics, const QStringList &texts)
{
    int width = 0;
    for (const QString &text : texts)
        width = std::max(width, metrics.horizontalAdvance(text));
    return width;
}

// The width the view's delegate asks for to show the cell whole, with the grid line.
int cellWidth(const QTableView *view, const QModelIndex &index)
{
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    option.fontMetrics = view->fontMetrics();
    option.widget = view;
    return view->itemDelegate(index)->sizeHint(option, index).width() + (view->showGrid() ? 1 : 0);
}

// Checks every column against its design width, its header lines, its cells and the samples.
void verifyColumns(const QTableView *view, const std::function<int(int)> &designWidth,
                   const std::function<QStringList(int)> &samples = {})
{
    const QAbstractItemModel *model = view->model();
    for (int column = 0; column < model->columnCount() && !QTest::currentTestFailed(); ++column) {
        const int width = view->columnWidth(column);
        const QByteArray where = view->objectName().toLatin1() + " column " +
                                 QByteArray::number(column) + " width " + QByteArray::number(width);
        QVERIFY2(width >= designWidth(column), where.constData());
        QVERIFY2(width >= view->horizontalHeader()->sectionSizeHint(column), where.constData());
        QVERIFY2(width >= widest(view->fontMetrics(), samples ? samples(column) : QStringList()),
                 where.constData());
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, column);
            QVERIFY2(width >= cellWidth(view, index),
                     (where + " row " + QByteArray::number(row) + ": " + index.data().toString().toUtf8())
                         .constData());
        }
    }
}

} // namespace

void ColumnWidthsTest::columnsFitTheirTexts_data()
{
    QTest::addColumn<int>("pixelSize");
    QTest::newRow("application font") << 0;
    QTest::newRow("large font") << 22;
}

void ColumnWidthsTest::columnsFitTheirTexts()
{
    QFETCH(int, pixelSize);
    QFont font = QApplication::font();
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    ArchiveFixture f;
    f.ui.tvArcEvents->setFont(font);
    f.ui.tvArcNotes->setFont(font);
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
    verifyColumns(f.ui.tvArcEvents, [](int c) { return ArchiveColumns::EVENTS[c].width; });
    verifyColumns(f.ui.tvArcNotes, [](int c) { return ArchiveColumns::CHANNEL[c].width; });

    // A journal entry of the longest texts a write leaves.
    JournalEntry entry;
    entry.time = QDateTime(QDate(2026, 12, 28), QTime(23, 58, 58));
    entry.port = QStringLiteral("/dev/ttyUSB10");
    entry.address = 247;
    entry.factoryNumber = QStringLiteral("4294967295");
    entry.channel = QStringLiteral("64");
    entry.field = QStringLiteral("Ток сервис. режима");
    entry.before = QStringLiteral("Превыш.");
    entry.after = QStringLiteral("Пониж.");
    entry.result = Journal::NOT_TAKEN;
    QVERIFY(Journal().add(entry));

    const QFont previousFont = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(previousFont); });
    QApplication::setFont(font);
    MainWindow window;
    verifyColumns(
        window.findChild<QTableView *>("tvChannelsCfg"), [](int c) { return COLUMN_DEFS[c].width; },
        ChannelFormat::fixedTexts);

    auto *tabs = window.findChild<QTabWidget *>("tabWidget");
    tabs->setCurrentWidget(window.findChild<QWidget *>("tabJournal"));
    verifyColumns(window.findChild<QTableView *>("tvJournal"), [](int) { return 0; });
}

QTEST_MAIN(ColumnWidthsTest)
#include "tst_columnwidths.moc"
