#include "device/channeldiff.h"

#include "device/channelformat.h"
#include "device/channelimage.h"
#include "device/channelrecord.h"
#include "device/columndefs.h"
#include "device/controllertext.h"
#include "device/registermap.h"

#include <QRegularExpression>
#include <QStringList>
#include <QtAlgorithms>

namespace ChannelDiff {

namespace {

// The registers (or the bits of one) a range write sends, by the column that shows them.
struct WrittenField {
    int column;
    int reg;
    int words;
    quint16 mask;
};

constexpr int TEXT_WORDS = ControllerText::FIELD_SIZE / 2;

constexpr WrittenField WRITTEN_FIELDS[] = {
    {1, CH_CONFIG, 1, CONFIG_MODULE_MASK},
    {2, CH_TAG, TEXT_WORDS, 0xFFFF},
    {7, CH_CONFIG, 1, CONFIG_UNIT_MASK},
    {8, CH_CONFIG, 1, CONFIG_DECIMALS_MASK},
    {9, CH_GAS_NAME, TEXT_WORDS, 0xFFFF},
    {12, CH_RANGE_MIN, 1, 0xFFFF},
    {13, CH_RANGE_MAX, 1, 0xFFFF},
    {14, CH_THRESHOLD1, 1, THRESHOLD_BELOW_BIT},
    {15, CH_THRESHOLD1, 1, THRESHOLD_VALUE_MASK},
    {16, CH_THRESHOLD2, 1, THRESHOLD_BELOW_BIT},
    {17, CH_THRESHOLD2, 1, THRESHOLD_VALUE_MASK},
    {18, CH_THRESHOLD3, 1, THRESHOLD_BELOW_BIT},
    {19, CH_THRESHOLD3, 1, THRESHOLD_VALUE_MASK},
    {20, CH_HYSTERESIS, 1, 0xFFFF},
    {21, CH_DELAY, 1, 0xFFFF},
    {22, CH_DEAD_ZONE, 1, 0xFFFF},
    {26, CH_ARC_INTERVAL, 1, 0xFFFF},
    {27, CH_ARC_DELTA, 1, 0xFFFF},
    {32, CH_CURRENT_ALARM, 1, 0xFFFF},
    {33, CH_CURRENT_INIT, 1, 0xFFFF},
    {34, CH_CURRENT_SERVICE, 1, 0xFFFF},
    {35, CH_MODULE_ADDRESS, 1, 0xFFFF},
};

QVector<quint16> fieldWords(const WrittenField &field, const ChannelBlock &block)
{
    QVector<quint16> words;
    for (int i = 0; i < field.words; ++i)
        words << quint16(block[size_t(field.reg + i)] & field.mask);
    return words;
}

// The field's register bits, for a difference the table's texts do not show (bits of an
// internal channel's module type, the low byte of the module address).
QString registerText(const WrittenField &field, const QVector<quint16> &words)
{
    const int shift = qCountTrailingZeroBits(field.mask);
    QStringList values;
    for (quint16 word : words)
        values << QString::number(word >> shift);
    return values.join(QLatin1Char(' '));
}

} // namespace

QString columnTitle(int column)
{
    QString title = QString::fromUtf8(COLUMN_DEFS[column].header);
    title.replace(QRegularExpression(QStringLiteral("-\\n\\s*")), QStringLiteral("-"));
    return title.simplified();
}

QVector<FieldChange> blockChanges(int devType, int channel, const ChannelBlock &held,
                                  const ChannelBlock &sent)
{
    ChannelRecord heldRecord{}, sentRecord{};
    ChannelImage::decode(devType, channel, held, heldRecord);
    ChannelImage::decode(devType, channel, sent, sentRecord);
    QVector<FieldChange> changes;
    for (const WrittenField &field : WRITTEN_FIELDS) {
        const QVector<quint16> before = fieldWords(field, held);
        const QVector<quint16> after = fieldWords(field, sent);
        if (before == after)
            continue;
        FieldChange change{channel, field.column,
                           ChannelFormat::cell(heldRecord, field.column).toString(),
                           ChannelFormat::cell(sentRecord, field.column).toString()};
        if (change.before == change.after) {
            change.before = registerText(field, before);
            change.after = registerText(field, after);
        }
        changes.append(change);
    }
    return changes;
}

QString describe(const FieldChange &change)
{
    return QString::asprintf("Канал %02d, ", change.channel + 1) + columnTitle(change.column) +
           QStringLiteral(": ") + change.before + QStringLiteral(" → ") + change.after;
}

} // namespace ChannelDiff
