#include "app/channelspage.h"

#include "device/channelformat.h"
#include "device/channelrecord.h"
#include "ui_mainwindow.h"

#include <QStandardItemModel>

void ChannelsPage::init(Ui_MainWindow *mainUi)
{
    ui = mainUi;
}

QStandardItemModel *ChannelsPage::channelModel() const
{
    return static_cast<QStandardItemModel *>(ui->tvChannelsCfg->model());
}

void ChannelsPage::fillRow(int channel)
{
    QStandardItemModel *model = channelModel();
    const ChannelRecord &r = channelRecords[channel];
    const QBrush colour(r.active ? Qt::black : Qt::gray);
    for (int column = 0; column < model->columnCount(); ++column) {
        model->setData(model->index(channel, column), colour, Qt::ForegroundRole);
        model->setData(model->index(channel, column), QVariant(), Qt::BackgroundRole);
    }
    redrawRow(channel);
    channelRecords[channel].edited = 0;
}

void ChannelsPage::redrawRow(int channel)
{
    for (int column = 0; column < channelModel()->columnCount(); ++column)
        redrawCell(channel, column);
}

void ChannelsPage::markRefused(int channel, int column)
{
    QStandardItemModel *model = channelModel();
    model->setData(model->index(channel, column), QBrush(Qt::red), Qt::BackgroundRole);
}

void ChannelsPage::redrawCell(int channel, int column)
{
    QStandardItemModel *model = channelModel();
    model->setData(model->index(channel, column),
                   ChannelFormat::cell(channelRecords[channel], column), Qt::DisplayRole);
}
