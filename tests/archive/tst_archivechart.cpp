#include "archivefixture.h"

#include "app/archivechart.h"
#include "app/mainwindow.h"
#include "archive/archivefiles.h"
#include "archive/archivestore.h"
#include "device/channelrecord.h"
#include "device/wholefile.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/modalanswerer.h"

#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolTip>
#include <QtTest>
#include <qcustomplot.h>

using Records = std::vector<ArchiveRecord>;
Q_DECLARE_METATYPE(Records)

// The "График" page of the main window, fed through the archive tab as a user feeds it.
class ArchiveChartTest : public QObject
{
    Q_OBJECT
private slots:
    void graphHoldsTheValidRecordsInTimeOrder_data();
    void graphHoldsTheValidRecordsInTimeOrder();
    void thresholdsAppearOnceSettingsAreKnown();
    void eventMarkersAreTheChannelsAndTheControllers();
    void overlaysStopAtEight();
    void overlayOfAnotherUnitHasItsOwnAxis_data();
    void overlayOfAnotherUnitHasItsOwnAxis();
    void savePng_data();
    void savePng();
};

namespace {

constexpr int SHOWN_CHANNEL = 2;

// Values 0, 1.0, 2.0 ... in ppm unless another scale is given.
Records minuteRecords(int count, uint8_t channel, uint8_t scale = 0x12)
{
    Records records;
    for (int i = 0; i < count; ++i) {
        records.push_back(makeRecord("2024-05-01T00:00:00", channel, 0, uint16_t(10 * i), scale));
        records.back().time += uint32_t(60 * i);
    }
    return records;
}

// A main window with its own home, working directory and download root, which holds the archive
// folder "2405" with the events and the given channel archives.
struct ChartWindow {
    ChartWindow()
    {
        QDir::setCurrent(dir.path());
        QDir().mkpath(folder());
    }
    QString folder() const { return ArchiveStore().root() + QStringLiteral("2405/"); }
    void writeFolder(const Records &events, const QMap<int, Records> &channels)
    {
        writeRecords(ArchiveFiles::eventsFile(folder()), events);
        for (auto it = channels.begin(); it != channels.end(); ++it)
            writeRecords(ArchiveFiles::channelFile(folder(), it.key()), it.value());
    }
    void click(const char *name) { window.findChild<QPushButton *>(name)->click(); }
    template <typename T> T *find(const char *name) { return window.findChild<T *>(name); }
    // Imports the channel's archive from the folder, as "Скан" and "Импорт" do.
    void load(int channel = SHOWN_CHANNEL)
    {
        click("pbArcScanDisks");
        auto *disks = find<QComboBox>("cbArcDisk");
        disks->setCurrentIndex(disks->findText(ArchiveStore().root()));
        click("pbArcScanDirs");
        find<QComboBox>("cbArcChannel")->setCurrentIndex(channel);
        click("pbArcImport");
    }
    QList<double> lineCoords(const char *name, bool vertical)
    {
        QList<double> coords;
        for (auto *line : plot->findChildren<QCPItemStraightLine *>(name))
            coords << (vertical ? line->point1->coords().x() : line->point1->coords().y());
        return coords;
    }

    TestHome home;
    QTemporaryDir dir;
    MainWindow window;
    QCustomPlot *plot = window.findChild<QCustomPlot *>("plotArchive");
};

} // namespace

void ArchiveChartTest::graphHoldsTheValidRecordsInTimeOrder_data()
{
    QTest::addColumn<Records>("records");
    QTest::addColumn<QList<int>>("drawn"); // indexes of the records drawn, in time order

    Records mixed = minuteRecords(5, SHOWN_CHANNEL);
    mixed[1].marker = 'X';
    mixed[3] = ArchiveRecord{};
    Records wrapped = minuteRecords(4, SHOWN_CHANNEL);
    std::rotate(wrapped.begin(), wrapped.begin() + 3, wrapped.end());
    QTest::newRow("in order") << minuteRecords(3, SHOWN_CHANNEL) << QList<int>{0, 1, 2};
    QTest::newRow("invalid and empty slots") << mixed << QList<int>{0, 2, 4};
    QTest::newRow("wrapped") << wrapped << QList<int>{1, 2, 3, 0};
    QTest::newRow("empty") << Records{} << QList<int>{};
}

void ArchiveChartTest::graphHoldsTheValidRecordsInTimeOrder()
{
    QFETCH(Records, records);
    QFETCH(QList<int>, drawn);
    ChartWindow w;
    w.writeFolder({}, {{SHOWN_CHANNEL, records}});
    ModalAnswerer answerer;
    w.load();

    QVERIFY(answerer.messages().isEmpty());
    QCOMPARE(w.plot->graphCount(), 1);
    QCPGraph *graph = w.plot->graph(0);
    QCOMPARE(graph->dataCount(), drawn.size());
    for (int i = 0; i < drawn.size(); ++i) {
        const ArchiveRecord &record = records[size_t(drawn[i])];
        QCOMPARE(graph->data()->at(i)->key, double(record.time));
        QCOMPARE(graph->data()->at(i)->value, ArchiveText::value(record));
    }
    if (!drawn.isEmpty()) {
        QCOMPARE(w.plot->xAxis->range().lower, double(records[size_t(drawn.first())].time));
        QCOMPARE(w.plot->xAxis->range().upper, double(records[size_t(drawn.last())].time));
    }
    QCOMPARE(w.plot->yAxis->label(), drawn.isEmpty() ? QString() : QStringLiteral("ppm"));
    QCOMPARE(w.window.findChild<QCPTextElement *>()->text(), QStringLiteral("Канал 02"));
}

void ArchiveChartTest::thresholdsAppearOnceSettingsAreKnown()
{
    ChartWindow w;
    w.writeFolder({}, {{SHOWN_CHANNEL, minuteRecords(3, SHOWN_CHANNEL)}});
    w.load();
    QVERIFY(w.lineCoords("threshold", false).isEmpty());

    // Порог2 keeps a flag in its top bit, which the table does not show either.
    ChannelRecord settings[MAX_CHANNELS]{};
    ChannelRecord &shown = settings[SHOWN_CHANNEL - 1];
    shown.decimals = 1;
    shown.thr1 = 150;
    shown.thr2Type = 1;
    shown.thr2 = 0x8000 | 300;
    shown.thr3 = 455;
    const QString file = w.dir.filePath("setting.bin");
    writeBytes(file, QByteArray(reinterpret_cast<const char *>(settings), sizeof settings));
    ModalAnswerer answerer;
    answerer.queueFileName(file);
    w.click("btImport");

    QCOMPARE(w.lineCoords("threshold", false), (QList<double>{15.0, 30.0, 45.5}));
    // The curve reaches 2.0 only; the thresholds above it are in sight all the same.
    QCOMPARE(w.plot->yAxis->range().lower, 0.0);
    QVERIFY2(w.plot->yAxis->range().upper >= 45.5,
             qPrintable(QString::number(w.plot->yAxis->range().upper)));
    QStringList labels;
    for (auto *text : w.plot->findChildren<QCPItemText *>())
        labels << text->text();
    QCOMPARE(labels, (QStringList{"Порог1 Превыш.", "Порог2 Пониж.", "Порог3 Превыш."}));
}

void ArchiveChartTest::eventMarkersAreTheChannelsAndTheControllers()
{
    const Records events = {
        makeRecord("2024-05-01T00:02:00", 0, 7),
        makeRecord("2024-05-01T00:01:00", SHOWN_CHANNEL, 1, 250, 0x12),
        makeRecord("2024-05-01T00:01:30", 3, 1, 250, 0x12),
        makeRecord("2024-05-01T00:00:30", SHOWN_CHANNEL, 2, 0, 0, 0, 'X'),
    };
    ChartWindow w;
    w.writeFolder(events, {{SHOWN_CHANNEL, minuteRecords(4, SHOWN_CHANNEL)}});
    w.window.show();
    w.find<QTabWidget>("tabWidget")->setCurrentWidget(w.find<QWidget>("tabChart"));
    w.load();

    // Short ticks on the bottom edge, which leave the curve in sight.
    QList<double> times;
    const int bottom = w.plot->axisRect()->rect().top() + w.plot->axisRect()->rect().height();
    for (auto *mark : w.plot->findChildren<QCPItemLine *>("event")) {
        times << mark->start->coords().x();
        QCOMPARE(qRound(mark->start->pixelPosition().y()), bottom);
        QVERIFY(bottom - mark->end->pixelPosition().y() <= 12);
    }
    QCOMPARE(times, (QList<double>{double(events[1].time), double(events[0].time)}));
    const struct {
        const ArchiveRecord &event;
        QString text;
    } hovered[] = {{events[1], "ПОРОГ 1 25.0 ppm"}, {events[0], "ПРИБОР ВКЛ."}};
    for (const auto &hover : hovered) {
        const QPoint at(int(w.plot->xAxis->coordToPixel(hover.event.time)), w.plot->height() / 2);
        QMouseEvent move(QEvent::MouseMove, at, w.plot->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(w.plot, &move);
        QVERIFY2(QToolTip::text().endsWith(hover.text), qPrintable(QToolTip::text()));
    }
}

void ArchiveChartTest::overlaysStopAtEight()
{
    QMap<int, Records> channels;
    for (int channel = 1; channel <= 11; ++channel)
        channels.insert(channel, minuteRecords(channel, uint8_t(channel)));
    ChartWindow w;
    w.writeFolder({}, channels);
    w.load();
    auto *list = w.find<QListWidget>("lwChartChannels");
    QCOMPARE(list->count(), 10);

    for (int i = 0; i < list->count(); ++i) {
        list->item(i)->setCheckState(Qt::Checked);
        const int channel = list->item(i)->data(Qt::UserRole).toInt();
        if (i < ArchiveChart::MAX_OVERLAYS) {
            QCOMPARE(w.plot->graph(w.plot->graphCount() - 1)->dataCount(), channel);
            QCOMPARE(w.plot->graph(w.plot->graphCount() - 1)->name(),
                     QString::asprintf("Канал %02d", channel));
        }
    }
    QCOMPARE(w.plot->graphCount(), 1 + ArchiveChart::MAX_OVERLAYS);
    QCOMPARE(w.plot->legend->itemCount(), w.plot->graphCount());
    QCOMPARE(list->item(8)->checkState(), Qt::Unchecked);
    QCOMPARE(list->item(9)->checkState(), Qt::Unchecked);

    list->item(0)->setCheckState(Qt::Unchecked);
    QCOMPARE(w.plot->graphCount(), ArchiveChart::MAX_OVERLAYS);
    list->item(9)->setCheckState(Qt::Checked);
    QCOMPARE(w.plot->graphCount(), 1 + ArchiveChart::MAX_OVERLAYS);
}

void ArchiveChartTest::overlayOfAnotherUnitHasItsOwnAxis_data()
{
    QTest::addColumn<QList<int>>("units");      // of the overlays, channels 3, 4 ...
    QTest::addColumn<QStringList>("rightAxes"); // labels of the axes on the right
    QTest::newRow("same unit") << QList<int>{2} << QStringList{};
    QTest::newRow("another unit") << QList<int>{3} << QStringList{"mg/m3"};
    QTest::newRow("two of another unit") << QList<int>{1, 1} << QStringList{"%НКПР"};
    QTest::newRow("two other units") << QList<int>{1, 2, 5} << QStringList{"%НКПР", "ug/m3"};
}

// The shown channel is in ppm; every graph is scaled on the axis labelled with its unit.
void ArchiveChartTest::overlayOfAnotherUnitHasItsOwnAxis()
{
    QFETCH(QList<int>, units);
    QFETCH(QStringList, rightAxes);
    QMap<int, Records> channels{{SHOWN_CHANNEL, minuteRecords(3, SHOWN_CHANNEL)}};
    for (int i = 0; i < units.size(); ++i)
        channels.insert(3 + i, minuteRecords(4 + i, uint8_t(3 + i), uint8_t(units[i])));
    ChartWindow w;
    w.writeFolder({}, channels);
    w.load();
    auto *list = w.find<QListWidget>("lwChartChannels");
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setCheckState(Qt::Checked);

    const auto visibleRight = [&w] {
        QStringList labels;
        for (QCPAxis *axis : w.plot->axisRect()->axes(QCPAxis::atRight)) {
            if (axis->visible())
                labels << axis->label();
        }
        return labels;
    };
    QCOMPARE(w.plot->yAxis->label(), QStringLiteral("ppm"));
    QCOMPARE(visibleRight(), rightAxes);
    QCOMPARE(w.plot->graphCount(), 1 + units.size());
    for (int i = 0; i < w.plot->graphCount(); ++i) {
        QCPGraph *graph = w.plot->graph(i);
        const int unit = i == 0 ? 2 : units[i - 1];
        QCOMPARE(graph->valueAxis()->label(), ArchiveText::unitName(unit));
        QCOMPARE(graph->valueAxis() == w.plot->yAxis, unit == 2);
        QVERIFY(
            graph->valueAxis()->range().contains(graph->data()->at(graph->dataCount() - 1)->value));
    }

    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setCheckState(Qt::Unchecked);
    QCOMPARE(visibleRight(), QStringList{});
}

void ArchiveChartTest::savePng_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("diskLimit"); // bytes a file may grow to; 0: no limit
    QTest::addColumn<bool>("written");
    QTest::newRow("written") << QStringLiteral("chart.png") << 0 << true;
    QTest::newRow("missing folder") << QStringLiteral("missing-folder/chart.png") << 0 << false;
    QTest::newRow("disk full keeps the earlier file") << QStringLiteral("chart.png") << 1000
                                                      << false;
}

void ArchiveChartTest::savePng()
{
    QFETCH(QString, name);
    QFETCH(int, diskLimit);
    QFETCH(bool, written);
    ChartWindow w;
    w.writeFolder({}, {{SHOWN_CHANNEL, minuteRecords(100, SHOWN_CHANNEL)}});
    w.load();
    const QString path = w.dir.filePath(name);
    const QByteArray earlier("an earlier chart");
    if (diskLimit)
        QVERIFY(WholeFile::write(path, earlier));
    ModalAnswerer answerer;
    answerer.queueFileName(path);
    {
        std::unique_ptr<FileSizeLimit> full;
        if (diskLimit)
            full = std::make_unique<FileSizeLimit>(diskLimit);
        w.click("pbChartSave");
    }

    QCOMPARE(answerer.messages(),
             written ? QStringList() : QStringList{QStringLiteral("Ошибка записи файла ") + path});
    QCOMPARE(w.window.statusBar()->currentMessage(),
             written ? QStringLiteral("График сохранён: chart.png") : QString());
    if (diskLimit) {
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), earlier);
        return;
    }
    const QImage image(path);
    QCOMPARE(image.isNull(), !written);
    if (written)
        QCOMPARE(image.size(), w.plot->size());
}

QTEST_MAIN(ArchiveChartTest)
#include "tst_archivechart.moc"
