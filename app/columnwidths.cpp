#include "app/columnwidths.h"

#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <algorithm>

// A cell's text is inset by the focus frame margin and one pixel on each side, plus the grid
// line; a header's by the header margin on each side.
ColumnWidths::ColumnWidths(const QTableView *view)
    : cellMetrics(view->font()), headerMetrics(view->horizontalHeader()->font()),
      cellMargin(2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) +
                 1),
      headerMargin(2 * view->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr,
                                                  view->horizontalHeader()))
{}

int ColumnWidths::fit(int designWidth, const QString &header, const QStringList &samples) const
{
    int width = designWidth;
    for (const QString &line : header.split(QLatin1Char('\n')))
        width = std::max(width, headerMetrics.horizontalAdvance(line) + headerMargin);
    for (const QString &sample : samples)
        width = std::max(width, cellMetrics.horizontalAdvance(sample) + cellMargin);
    return width;
}
