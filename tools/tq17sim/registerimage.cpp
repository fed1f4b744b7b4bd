#include "tools/tq17sim/registerimage.h"

#include "tools/tq17sim/devicelayout.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>
#include <QVector>

namespace {

constexpr quint32 kFileMagic = 0x54513137; // "TQ17"

bool inRange(int address, int count)
{
    return address >= 0 && address < count;
}

} // namespace

RegisterImage::RegisterImage()
    : mapping_(modbus_mapping_new(0, 0, DeviceLayout::kHoldingCount, DeviceLayout::kInputCount))
{
    Q_CHECK_PTR(mapping_.get());
}

quint16 RegisterImage::holding(int address) const
{
    return inRange(address, mapping_->nb_registers) ? mapping_->tab_registers[address] : 0;
}

void RegisterImage::setHolding(int address, quint16 value)
{
    if (inRange(address, mapping_->nb_registers))
        mapping_->tab_registers[address] = value;
}

quint16 RegisterImage::input(int address) const
{
    return inRange(address, mapping_->nb_input_registers) ? mapping_->tab_input_registers[address]
                                                          : 0;
}

void RegisterImage::setInput(int address, quint16 value)
{
    if (inRange(address, mapping_->nb_input_registers))
        mapping_->tab_input_registers[address] = value;
}

bool RegisterImage::save(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out << kFileMagic << qint32(mapping_->nb_registers) << qint32(mapping_->nb_input_registers);
    for (int a = 0; a < mapping_->nb_registers; ++a)
        out << mapping_->tab_registers[a];
    for (int a = 0; a < mapping_->nb_input_registers; ++a)
        out << mapping_->tab_input_registers[a];
    return out.status() == QDataStream::Ok && file.commit();
}

bool RegisterImage::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QDataStream in(&file);
    quint32 magic = 0;
    qint32 holdingCount = 0;
    qint32 inputCount = 0;
    in >> magic >> holdingCount >> inputCount;
    if (magic != kFileMagic || holdingCount != mapping_->nb_registers ||
        inputCount != mapping_->nb_input_registers)
        return false;
    QVector<quint16> values(holdingCount + inputCount);
    for (quint16 &value : values)
        in >> value;
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return false;
    std::copy(values.cbegin(), values.cbegin() + holdingCount, mapping_->tab_registers);
    std::copy(values.cbegin() + holdingCount, values.cend(), mapping_->tab_input_registers);
    return true;
}
