#ifndef COLUMNWIDTHS_H
#define COLUMNWIDTHS_H

#include <QStandardItemModel>
#include <QStringList>

class QTableView;

// Widths of a table's columns that keep their texts readable: a column keeps its design width
// unless a line of its header or one of its sample texts needs more, as the header and the
// column's delegate lay them out in the table's fonts. Samples are measured, not the rows:
// resizing to the contents of thousands of rows is slow.
class ColumnWidths
{
public:
    explicit ColumnWidths(const QTableView *view);

    // The header's lines are split at '\n'.
    int fit(int column, int designWidth, const QString &header, const QStringList &samples) const;

private:
    int headerWidth(const QString &line) const;
    int cellWidth(int column, const QString &text) const;

    const QTableView *view;
    // One cell that holds the sample being measured.
    mutable QStandardItemModel sample{1, 1};
};

#endif
