#ifndef TRAFFICMODEL_H
#define TRAFFICMODEL_H

#include "link/traffic_log.h"

#include <QAbstractTableModel>
#include <array>
#include <deque>

// The last exchanges of the line, oldest first, with a count of each result since the counts
// were last cleared. Rows are kept as the texts they show, so scrolling formats nothing.
class TrafficModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int CAPACITY = 10000;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void append(const QVector<TrafficEntry> &entries);
    void clear();
    void clearCounts();
    int count(TrafficResult result) const { return counts[size_t(result)]; }
    // The rows as lines of text, for a file.
    QString text() const;

private:
    std::deque<QStringList> rows;
    std::array<int, TRAFFIC_RESULT_COUNT> counts{};
};

#endif
