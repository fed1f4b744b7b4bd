#include "app/archivechart.h"

#include "app/messages.h"
#include "app/archive.h"
#include "archive/archivefiles.h"
#include "device/wholefile.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <qcustomplot.h>
#include <vector>

namespace {

// The shown channel takes the first colour, overlays the first one free.
const QColor GRAPH_COLOURS[ArchiveChart::MAX_OVERLAYS + 1] = {
    Qt::darkBlue, Qt::red,     Qt::darkGreen,  Qt::magenta,    QColor(255, 140, 0),
    Qt::darkCyan, Qt::darkRed, Qt::darkYellow, Qt::darkMagenta};
const QColor THRESHOLD_COLOUR(200, 0, 0);
const QColor EVENT_COLOUR(120, 120, 120);
// A marker answers the mouse this many pixels to either side.
constexpr int EVENT_HOVER_PIXELS = 3;
// Events are ticks this high on the bottom edge: lines across the chart would hide the curve.
constexpr int EVENT_MARK_PIXELS = 10;
const QString MOMENT_FORMAT = QStringLiteral("dd.MM.yy HH:mm:ss");

QString channelName(int channel)
{
    return QString::asprintf("Канал %02d", channel);
}

// Archive times are the controller's wall clock counted as UTC: read as UTC they give the
// local dates and times the archive tables show.
QDateTime archiveMoment(double time)
{
    return QDateTime::fromSecsSinceEpoch(qint64(time), Qt::UTC);
}

QCPItemStraightLine *addLine(QCustomPlot *plot, const QString &name, const QPen &pen, QPointF first,
                             QPointF second)
{
    auto *line = new QCPItemStraightLine(plot);
    line->setObjectName(name);
    line->setPen(pen);
    line->point1->setCoords(first);
    line->point2->setCoords(second);
    return line;
}

// A tick rising from the bottom edge of the axis rect at the time.
QCPItemLine *addEventMark(QCustomPlot *plot, const QPen &pen, double time)
{
    auto *mark = new QCPItemLine(plot);
    mark->setObjectName(QStringLiteral("event"));
    mark->setPen(pen);
    mark->start->setAxisRect(plot->axisRect());
    mark->start->setTypeY(QCPItemPosition::ptAxisRectRatio);
    mark->start->setCoords(time, 1);
    mark->end->setType(QCPItemPosition::ptAbsolute);
    mark->end->setParentAnchor(mark->start);
    mark->end->setCoords(0, -EVENT_MARK_PIXELS);
    return mark;
}

} // namespace

ArchiveChart::ArchiveChart(const Archive &archive, QWidget *parent)
    : QWidget(parent), archive(archive), plot(new QCustomPlot(this)),
      channelList(new QListWidget(this)), title(new QCPTextElement(plot)),
      cursorLabel(new QLabel(this)), lastDir(QDir::homePath())
{
    setObjectName(QStringLiteral("tabChart"));
    plot->setObjectName(QStringLiteral("plotArchive"));
    channelList->setObjectName(QStringLiteral("lwChartChannels"));
    cursorLabel->setObjectName(QStringLiteral("lbChartCursor"));
    auto *save = new QPushButton(QStringLiteral("Сохранить PNG"), this);
    save->setObjectName(QStringLiteral("pbChartSave"));

    auto *side = new QVBoxLayout;
    side->addWidget(new QLabel(QStringLiteral("Каналы папки:"), this));
    side->addWidget(channelList);
    side->addWidget(save);
    auto *chartColumn = new QVBoxLayout;
    chartColumn->addWidget(plot, 1);
    chartColumn->addWidget(cursorLabel);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(chartColumn, 1);
    layout->addLayout(side);
    channelList->setMaximumWidth(160);

    plot->plotLayout()->insertRow(0);
    plot->plotLayout()->addElement(0, 0, title);
    plot->legend->setVisible(true);
    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeFormat(QStringLiteral("dd.MM.yy HH:mm"));
    ticker->setDateTimeSpec(Qt::UTC);
    plot->xAxis->setTicker(ticker);
    // Only time zooms and pans: the values keep their scale while the engineer looks around.
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    // A replot while dragging must stay within a frame; antialiasing a dense curve costs more
    // than that, and the straight markers gain nothing from it.
    plot->setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels);
    plot->setNotAntialiasedElements(QCP::aePlottables | QCP::aeItems);
    plot->axisRect()->setRangeDrag(Qt::Horizontal);
    plot->axisRect()->setRangeZoom(Qt::Horizontal);
    connect(plot, &QCustomPlot::mouseDoubleClick, this, &ArchiveChart::showAll);
    connect(plot, &QCustomPlot::mouseMove, this, &ArchiveChart::followMouse);
    connect(channelList, &QListWidget::itemChanged, this, &ArchiveChart::overlayChanged);
    QMetaObject::connectSlotsByName(this);
}

void ArchiveChart::setSettingsSource(SettingsSource source)
{
    settingsSource = std::move(source);
}

void ArchiveChart::showArchive()
{
    channel = archive.tableChannel();
    folder = archive.folderPath();
    plot->clearGraphs();
    overlays.clear();
    hideUnusedAxes();
    const ChartData::Series series = ChartData::series(
        channelArchiveRecords, std::min(archive.channelRecCount, archive.rowLimit()));
    if (channel > 0)
        addGraph(channel, series);
    plot->yAxis->setLabel(series.unit);
    title->setText(channel > 0 ? channelName(channel) : QString());
    drawEvents();
    showThresholds();
    listFolderChannels();
    showAll();
}

QCPGraph *ArchiveChart::addGraph(int graphChannel, const ChartData::Series &series)
{
    const auto inUse = [this](const QColor &colour) {
        for (int i = 0; i < plot->graphCount(); ++i) {
            if (plot->graph(i)->pen().color() == colour)
                return true;
        }
        return false;
    };
    const QColor *colour =
        std::find_if_not(std::begin(GRAPH_COLOURS), std::end(GRAPH_COLOURS), inUse);
    QCPGraph *graph = plot->addGraph(plot->xAxis, unitAxis(series.unit));
    graph->setName(channelName(graphChannel));
    graph->setPen(QPen(colour == std::end(GRAPH_COLOURS) ? Qt::black : *colour));
    graph->setData(series.times, series.values, true);
    return graph;
}

QCPAxis *ArchiveChart::unitAxis(const QString &unit)
{
    if (plot->yAxis->label() == unit || plot->yAxis->graphs().isEmpty()) {
        plot->yAxis->setLabel(unit);
        return plot->yAxis;
    }
    const QList<QCPAxis *> right = plot->axisRect()->axes(QCPAxis::atRight);
    auto axis = std::find_if(right.begin(), right.end(),
                             [&unit](QCPAxis *a) { return a->visible() && a->label() == unit; });
    if (axis == right.end())
        axis = std::find_if(right.begin(), right.end(), [](QCPAxis *a) { return !a->visible(); });
    QCPAxis *chosen = axis != right.end() ? *axis : plot->axisRect()->addAxis(QCPAxis::atRight);
    chosen->setLabel(unit);
    chosen->setVisible(true);
    return chosen;
}

void ArchiveChart::hideUnusedAxes()
{
    for (QCPAxis *axis : plot->axisRect()->axes(QCPAxis::atRight)) {
        if (axis->graphs().isEmpty())
            axis->setVisible(false);
    }
}

void ArchiveChart::removeItems(QList<QCPAbstractItem *> &items)
{
    for (QCPAbstractItem *item : items)
        plot->removeItem(item);
    items.clear();
}

void ArchiveChart::drawEvents()
{
    removeItems(eventItems);
    eventMarks = ChartData::events(
        eventRecords, std::min(archive.eventRecCount, ARCHIVE_RECORD_CAPACITY), channel);
    const QPen pen(EVENT_COLOUR, 2);
    for (const ChartData::EventMark &mark : eventMarks)
        eventItems << addEventMark(plot, pen, mark.time);
}

void ArchiveChart::showThresholds()
{
    removeItems(thresholdItems);
    thresholdValues.clear();
    const ChannelRecord *settings =
        channel > 0 && settingsSource ? settingsSource(channel) : nullptr;
    if (settings) {
        const QPen pen(THRESHOLD_COLOUR, 1, Qt::DashDotLine);
        for (const ChartData::Threshold &threshold : ChartData::thresholds(*settings)) {
            thresholdItems << addLine(plot, QStringLiteral("threshold"), pen, {0, threshold.value},
                                      {1, threshold.value});
            auto *label = new QCPItemText(plot);
            label->setText(threshold.label);
            label->setColor(THRESHOLD_COLOUR);
            label->setPositionAlignment(Qt::AlignRight | Qt::AlignBottom);
            label->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
            label->position->setCoords(0.99, threshold.value);
            thresholdItems << label;
            thresholdValues << threshold.value;
        }
    }
    fitValues();
    redraw();
}

// Each value axis spans its graphs; the left one also the thresholds, wherever the data are.
// Values do not zoom, so this is their only scaling.
void ArchiveChart::fitValues()
{
    for (QCPAxis *axis : plot->axisRect()->axes(QCPAxis::atLeft | QCPAxis::atRight))
        axis->rescale();
    for (double value : thresholdValues)
        plot->yAxis->setRange(plot->yAxis->range().expanded(value));
}

// A chart out of sight is drawn when it is shown: drawing 16000 points takes the GUI thread
// for tens of milliseconds, which a download or a read must not wait for.
void ArchiveChart::redraw()
{
    if (isVisible())
        plot->replot();
}

void ArchiveChart::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    showThresholds();
}

void ArchiveChart::listFolderChannels()
{
    const QSignalBlocker blocker(channelList);
    channelList->clear();
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("chan??.arh")}, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        const int listed = file.mid(4, 2).toInt();
        if (listed < 1 || listed == channel)
            continue;
        auto *item = new QListWidgetItem(channelName(listed), channelList);
        item->setData(Qt::UserRole, listed);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

// A channel beyond the limit, or one whose file cannot be read, is unchecked again.
void ArchiveChart::overlayChanged(QListWidgetItem *item)
{
    const int listed = item->data(Qt::UserRole).toInt();
    if (item->checkState() != Qt::Checked) {
        if (QCPGraph *graph = overlays.take(listed)) {
            plot->removeGraph(graph);
            hideUnusedAxes();
        }
        fitValues();
        redraw();
        return;
    }
    if (overlays.size() >= MAX_OVERLAYS || !addOverlay(listed)) {
        const QSignalBlocker blocker(channelList);
        item->setCheckState(Qt::Unchecked);
        return;
    }
    fitValues();
    redraw();
}

bool ArchiveChart::addOverlay(int overlayChannel)
{
    QFile file(ArchiveFiles::channelFile(folder, overlayChannel));
    QString error;
    if (!ArchiveFiles::openForReading(file, error)) {
        showCritical(error);
        return false;
    }
    std::vector<ArchiveRecord> records(ARCHIVE_RECORD_CAPACITY);
    const int count = ArchiveFiles::readRecords(file, records.data(), ARCHIVE_RECORD_CAPACITY);
    overlays.insert(overlayChannel,
                    addGraph(overlayChannel, ChartData::series(records.data(), count)));
    return true;
}

void ArchiveChart::showAll()
{
    plot->xAxis->rescale();
    fitValues();
    redraw();
}

void ArchiveChart::followMouse(QMouseEvent *event)
{
    const double time = plot->xAxis->pixelToCoord(event->pos().x());
    const double value = plot->yAxis->pixelToCoord(event->pos().y());
    cursorLabel->setText(archiveMoment(time).toString(MOMENT_FORMAT) + QStringLiteral("   ") +
                         QString::number(value, 'f', 3) + QLatin1Char(' ') + plot->yAxis->label());
    const QString text = eventTextNear(event->pos().x());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPos(), text, plot);
}

QString ArchiveChart::eventTextNear(int pixelX) const
{
    const double from = plot->xAxis->pixelToCoord(pixelX - EVENT_HOVER_PIXELS);
    const double to = plot->xAxis->pixelToCoord(pixelX + EVENT_HOVER_PIXELS);
    auto mark =
        std::lower_bound(eventMarks.begin(), eventMarks.end(), std::min(from, to),
                         [](const ChartData::EventMark &m, double time) { return m.time < time; });
    QStringList texts;
    for (; mark != eventMarks.end() && mark->time <= std::max(from, to); ++mark)
        texts << mark->text;
    return texts.join(QLatin1Char('\n'));
}

void ArchiveChart::on_pbChartSave_clicked()
{
    const QString name = QFileDialog::getSaveFileName(
        this, tr("Сохранить PNG"),
        lastDir + QDir::separator() + QString::asprintf("chan%02d.png", channel),
        tr("PNG (*.png);;All Files (*)"));
    if (name.isEmpty())
        return;
    lastDir = QFileInfo(name).path();
    // Encoded in memory first, so that a full disk leaves the earlier file rather than a part.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!plot->toPixmap().save(&buffer, "PNG") || !WholeFile::write(name, png))
        showCritical(WholeFile::notWrittenText(name));
    else
        emit operationDone(QStringLiteral("График сохранён: ") + QFileInfo(name).fileName());
}
