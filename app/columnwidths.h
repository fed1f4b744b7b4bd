#ifndef COLUMNWIDTHS_H
#define COLUMNWIDTHS_H

#include <QFontMetrics>
#include <QStringList>

class QTableView;

// Widths of a table's columns that keep their texts readable: a column keeps its design width
// unless a line of its header or one of its sample texts needs more in the table's fonts.
// Samples are measured, not the rows: resizing to the contents of thousands of rows is slow.
class ColumnWidths
{
public:
    explicit ColumnWidths(const QTableView *view);

    // The header's lines are split at '\n'.
    int fit(int designWidth, const QString &header, const QStringList &samples) const;

private:
    QFontMetrics cellMetrics;
    QFontMetrics headerMetrics;
    int cellMargin;
    int headerMargin;
};

#endif
