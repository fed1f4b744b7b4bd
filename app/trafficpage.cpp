#include "app/trafficpage.h"

#include "app/filedialogs.h"
#include "app/messages.h"
#include "app/trafficmodel.h"
#include "device/wholefile.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

namespace {

constexpr int PULL_INTERVAL_MS = 200;
// The results counted below the list; a transfer is a line of its own, not a count.
constexpr TrafficResult COUNTED[] = {TrafficResult::Ok,         TrafficResult::NoReply,
                                     TrafficResult::Crc,        TrafficResult::WrongReply,
                                     TrafficResult::Exception,  TrafficResult::Refused};

} // namespace

TrafficPage::TrafficPage(QWidget *parent)
    : QWidget(parent), model(new TrafficModel(this)), view(new QTableView(this)),
      countsLabel(new QLabel(this))
{
    setObjectName(QStringLiteral("tabTraffic"));
    view->setObjectName(QStringLiteral("tvTraffic"));
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->hide();
    // Fixed row heights and column widths: nothing is measured row by row while scrolling.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    const int hexWidth = view->fontMetrics().horizontalAdvance(QStringLiteral("00 ")) * 24;
    view->setColumnWidth(0, view->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.000  ")));
    view->setColumnWidth(1, hexWidth);
    view->setColumnWidth(2, hexWidth);
    view->horizontalHeader()->setStretchLastSection(true);
    countsLabel->setObjectName(QStringLiteral("lbTrafficCounts"));

    auto *clearButton = new QPushButton(QStringLiteral("Очистить"), this);
    clearButton->setObjectName(QStringLiteral("pbTrafficClear"));
    auto *saveButton = new QPushButton(QStringLiteral("Сохранить"), this);
    saveButton->setObjectName(QStringLiteral("pbTrafficSave"));
    auto *bottomRow = new QHBoxLayout;
    bottomRow->addWidget(countsLabel, 1);
    bottomRow->addWidget(clearButton);
    bottomRow->addWidget(saveButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(view);
    layout->addLayout(bottomRow);

    showCounts();
    connect(&pull, &QTimer::timeout, this, &TrafficPage::takeRecorded);
    pull.start(PULL_INTERVAL_MS);
    QMetaObject::connectSlotsByName(this);
}

void TrafficPage::connectionStarted()
{
    takeRecorded();
    model->clearCounts();
    showCounts();
}

// The view follows the newest exchange only while it is scrolled to the end, so that reading an
// older one is not disturbed.
void TrafficPage::takeRecorded()
{
    const QVector<TrafficEntry> entries = traffic.take();
    if (entries.isEmpty())
        return;
    QScrollBar *bar = view->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    model->append(entries);
    if (atEnd)
        view->scrollToBottom();
    showCounts();
}

void TrafficPage::showCounts()
{
    QStringList parts;
    for (const TrafficResult result : COUNTED)
        parts << TrafficEntry::resultText(result) + QStringLiteral(": ") +
                     QString::number(model->count(result));
    countsLabel->setText(parts.join(QStringLiteral("   ")));
}

void TrafficPage::on_pbTrafficClear_clicked()
{
    traffic.take();
    model->clear();
    showCounts();
}

void TrafficPage::on_pbTrafficSave_clicked()
{
    takeRecorded();
    const QString target =
        askSaveFileName(nullptr, QStringLiteral("Обмен"),
                        QDir(dialogStartFolder(lastDir)).filePath(QStringLiteral("traffic.txt")),
                        QStringLiteral(" (*.txt);;Все файлы (*)"), QStringLiteral("txt"));
    if (target.isEmpty())
        return;
    lastDir = QFileInfo(target).path();
    if (!WholeFile::write(target, model->text().toUtf8()))
        showCritical(WholeFile::notWrittenText(target));
}
