#include "app/trafficmodel.h"

#include <algorithm>

namespace {

const QStringList HEADERS{QStringLiteral("Время"),   QStringLiteral("Запрос"),
                          QStringLiteral("Ответ"),   QStringLiteral("Функция"),
                          QStringLiteral("Регистр"), QStringLiteral("Кол-во"),
                          QStringLiteral("Результат")};

} // namespace

int TrafficModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows.size());
}

int TrafficModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : HEADERS.size();
}

QVariant TrafficModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    return rows[size_t(index.row())].value(index.column());
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QVariant();
    return HEADERS.value(section);
}

// The oldest rows make room first, so that the view moves as little as it can.
void TrafficModel::append(const QVector<TrafficEntry> &entries)
{
    if (entries.isEmpty())
        return;
    for (const TrafficEntry &entry : entries)
        ++counts[size_t(entry.result)];
    const int incoming = std::min(int(entries.size()), CAPACITY);
    const int dropped = std::max(0, int(rows.size()) + incoming - CAPACITY);
    if (dropped > 0) {
        beginRemoveRows(QModelIndex(), 0, dropped - 1);
        rows.erase(rows.begin(), rows.begin() + dropped);
        endRemoveRows();
    }
    beginInsertRows(QModelIndex(), int(rows.size()), int(rows.size()) + incoming - 1);
    for (auto entry = entries.end() - incoming; entry != entries.end(); ++entry)
        rows.push_back(entry->line().split(QLatin1Char('\t')));
    endInsertRows();
}

void TrafficModel::clear()
{
    beginResetModel();
    rows.clear();
    endResetModel();
    clearCounts();
}

void TrafficModel::clearCounts()
{
    counts.fill(0);
}

QString TrafficModel::text() const
{
    QString text = HEADERS.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const QStringList &row : rows)
        text += row.join(QLatin1Char('\t')) + QLatin1Char('\n');
    return text;
}
