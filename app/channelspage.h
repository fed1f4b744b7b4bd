#ifndef CHANNELSPAGE_H
#define CHANNELSPAGE_H

class QStandardItemModel;
class Ui_MainWindow;

// The "Каналы" tab: the channel table drawn from the records.
class ChannelsPage
{
public:
    void init(Ui_MainWindow *ui);

    void fillRow(int channel);
    // Every cell of the row drawn from its record; colours and marks stay.
    void redrawRow(int channel);
    void redrawCell(int channel, int column);
    // Drawn red until the channel's row is filled again from a read.
    void markRefused(int channel, int column);

private:
    QStandardItemModel *channelModel() const;

    Ui_MainWindow *ui = nullptr;
};

#endif
