#include "device/data.h"

#include "device/channelformat.h"
#include "device/channelrecord.h"
#include "device/registerio.h"
#include "device/registermap.h"
#include "device/texttables.h"
#include "link/modbus.h"
#include "ui_mainwindow.h"

#include <QStandardItemModel>

Data::Data(QObject *parent) : QObject(parent) {}

void Data::clearRequests()
{
    reqIdentify = reqSerialNumSet = reqHwVerSet = reqDateTimeRead = reqDateTimeWrite = 0;
    reqWrite = reqRead = reqSave = reqArcLoad = reqWriteChan = reqDirectMode = 0;
}

void Data::setUi(Ui_MainWindow *mainUi)
{
    ui = mainUi;
}

// A failed read leaves the records as they were; the caller's link check reports it.
void Data::readDeviceInfo()
{
    if (devType != 0 && devType != 1)
        return;
    quint16 regs[24];
    if (!RegisterIo::read(0, DEVICE_INFO_COUNT[devType], regs))
        return;
    devTime = regs[REG_CLOCK] | quint32(regs[REG_CLOCK + 1]) << 16;
    hwVer = regs[REG_HW_VERSION];
    const int words = MASK_WORDS[devType];
    const quint64 enabled = RegisterIo::maskOf(regs + REG_ENABLE_MASK, words);
    const quint64 interval = RegisterIo::maskOf(regs + ARCHIVE_INTERVAL_MASK[devType], words);
    const quint64 delta = RegisterIo::maskOf(regs + ARCHIVE_DELTA_MASK[devType], words);
    for (int i = 0; i < CHANNEL_COUNTS[devType]; ++i) {
        channelRecords[i].enabled = int(enabled >> i & 1);
        channelRecords[i].arcMode = delta >> i & 1 ? 2 : int(interval >> i & 1);
    }
}

void Data::readLiveValues()
{
    const int *bases = REG_BASES[devType];
    for (int entry = BASE_STATUS; entry <= BASE_PWM; ++entry) {
        mbLine.readInput(bases[entry], unsigned(chanCount));
        mbLine.waitPkt();
        if (mbLine.linkError)
            return;
        for (int i = 0; i < chanCount; ++i) {
            const int value = mbLine.getReg(i);
            ChannelRecord &r = channelRecords[i];
            switch (entry) {
            case BASE_STATUS: r.status = quint16(value); break;
            case BASE_CONCENTRATION: r.concentration = value; break;
            case BASE_ADC: r.adcValue = value; break;
            default: r.pwmValue = value; break;
            }
        }
    }
}

void Data::readChannel(int channel)
{
    quint16 reg[CHANNEL_BLOCK_SIZE];
    if (!RegisterIo::read(channelBlock(channel), CHANNEL_BLOCK_SIZE, reg))
        return;
    ChannelRecord &r = channelRecords[channel];
    r.serialNo = quint32(reg[CH_SERIAL_HIGH]) << 16 | reg[CH_SERIAL_LOW];
    const quint16 config = reg[CH_CONFIG];
    r.unit = config & CONFIG_UNIT_MASK;
    r.decimals = (config & CONFIG_DECIMALS_MASK) >> CONFIG_DECIMALS_SHIFT;
    const int moduleField = (config & CONFIG_MODULE_MASK) >> CONFIG_MODULE_SHIFT;
    if (devType == 0 && channel < INTERNAL_CHANNELS_32K)
        r.moduleType = MODULE_INTERNAL;
    else
        r.moduleType = moduleField ? moduleField + 1 : MODULE_NONE;
    r.thr1Type = reg[CH_THRESHOLD1] >> 15;
    r.thr1 = reg[CH_THRESHOLD1] & THRESHOLD_VALUE_MASK;
    r.thr2Type = reg[CH_THRESHOLD2] >> 15;
    r.thr2 = reg[CH_THRESHOLD2] & THRESHOLD_VALUE_MASK;
    r.thr3Type = reg[CH_THRESHOLD3] >> 15;
    r.thr3 = reg[CH_THRESHOLD3] & THRESHOLD_VALUE_MASK;
    r.rangeMin = reg[CH_RANGE_MIN];
    r.rangeMax = reg[CH_RANGE_MAX];
    r.hysteresis = reg[CH_HYSTERESIS];
    r.delay = reg[CH_DELAY];
    r.dac4mA = reg[CH_DAC_4MA];
    r.dac20mA = reg[CH_DAC_20MA];
    RegisterIo::wordsToText(reg + CH_GAS_NAME, r.gasName);
    RegisterIo::wordsToText(reg + CH_TAG, r.tag);
    r.deadZone = reg[CH_DEAD_ZONE];
    r.arcInterval = reg[CH_ARC_INTERVAL];
    r.arcDelta = reg[CH_ARC_DELTA];
    r.adcCal = reg[CH_ADC_CAL];
    r.concCal = reg[CH_CONC_CAL];
    r.adc4mA = reg[CH_ADC_4MA];
    r.adc20mA = reg[CH_ADC_20MA];
    r.moduleAddress = reg[CH_MODULE_ADDRESS] >> 8;
    r.swVersion = reg[CH_SW_VERSION];
    r.swBuild = reg[CH_SW_BUILD];
    r.currentAlarm = reg[CH_CURRENT_ALARM];
    r.currentInit = reg[CH_CURRENT_INIT];
    r.currentService = reg[CH_CURRENT_SERVICE];
}

// Read-modify-write: registers the tool does not own keep the controller's values.
// When the read fails nothing is written, since the image was never read.
void Data::writeChannel(int channel)
{
    const int block = channelBlock(channel);
    quint16 word[CHANNEL_BLOCK_SIZE];
    if (!RegisterIo::read(block, CHANNEL_BLOCK_SIZE, word))
        return;
    const ChannelRecord &r = channelRecords[channel];
    RegisterIo::textToWords(r.tag, word + CH_TAG);
    RegisterIo::textToWords(r.gasName, word + CH_GAS_NAME);
    const int moduleField = r.moduleType ? (r.moduleType - 1) & 15 : 0;
    word[CH_CONFIG] = quint16(
        (word[CH_CONFIG] & ~(CONFIG_UNIT_MASK | CONFIG_DECIMALS_MASK | CONFIG_MODULE_MASK)) |
        (r.unit & 15) | (r.decimals & 3) << CONFIG_DECIMALS_SHIFT |
        moduleField << CONFIG_MODULE_SHIFT);
    word[CH_RANGE_MIN] = quint16(r.rangeMin);
    word[CH_RANGE_MAX] = quint16(r.rangeMax);
    word[CH_THRESHOLD1] = RegisterIo::thresholdWord(r.thr1Type, r.thr1);
    word[CH_THRESHOLD2] = RegisterIo::thresholdWord(r.thr2Type, r.thr2);
    // A 64-channel controller has no third threshold.
    word[CH_THRESHOLD3] = devType == 1 ? 0 : RegisterIo::thresholdWord(r.thr3Type, r.thr3);
    word[CH_HYSTERESIS] = quint16(r.hysteresis);
    word[CH_DELAY] = quint16(r.delay);
    word[CH_DEAD_ZONE] = quint16(r.deadZone);
    word[CH_ARC_INTERVAL] = quint16(r.arcInterval);
    word[CH_ARC_DELTA] = quint16(r.arcDelta);
    word[CH_CURRENT_ALARM] = quint16(r.currentAlarm);
    word[CH_CURRENT_INIT] = quint16(r.currentInit);
    word[CH_CURRENT_SERVICE] = quint16(r.currentService);
    word[CH_MODULE_ADDRESS] = quint16(r.moduleAddress * 256);
    RegisterIo::write(block, CHANNEL_BLOCK_SIZE, word);
}

void Data::setActive(int channel, int value)
{
    channelRecords[channel].active = quint8(value);
}

void Data::showSerialNumber(quint32 number)
{
    ui->SerialNumDev->setText(QString::number(number));
}

QStandardItemModel *Data::channelModel() const
{
    return static_cast<QStandardItemModel *>(ui->tvChannelsCfg->model());
}

void Data::fillRow(int channel)
{
    QStandardItemModel *model = channelModel();
    const ChannelRecord &r = channelRecords[channel];
    const QBrush colour(r.active ? Qt::black : Qt::gray);
    for (int column = 0; column < model->columnCount(); ++column)
        model->setData(model->index(channel, column), colour, Qt::ForegroundRole);
    for (int column = 0; column < model->columnCount(); ++column)
        redrawCell(channel, column);
    channelRecords[channel].edited = 0;
}

void Data::redrawCell(int channel, int column)
{
    QStandardItemModel *model = channelModel();
    model->setData(model->index(channel, column),
                   ChannelFormat::cell(channelRecords[channel], column), Qt::DisplayRole);
}
