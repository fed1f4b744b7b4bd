#include "app/columnwidths.h"

#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTableView>
#include <algorithm>

ColumnWidths::ColumnWidths(const QTableView *view) : view(view) {}

int ColumnWidths::fit(int column, int designWidth, const QString &header,
                      const QStringList &samples) const
{
    int width = designWidth;
    for (const QString &line : header.split(QLatin1Char('\n')))
        width = std::max(width, headerWidth(line));
    for (const QString &sample : samples)
        width = std::max(width, cellWidth(column, sample));
    return width;
}

// Measured in bold, as the header itself does: the sections of a selected row are drawn so.
int ColumnWidths::headerWidth(const QString &line) const
{
    const QHeaderView *header = view->horizontalHeader();
    QFont font = header->font();
    font.setBold(true);
    QStyleOptionHeader option;
    option.initFrom(header);
    option.fontMetrics = QFontMetrics(font);
    option.text = line;
    return header->style()
        ->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), header)
        .width();
}

// What the column's delegate asks for to show the text whole, and the grid line.
int ColumnWidths::cellWidth(int column, const QString &text) const
{
    QAbstractItemDelegate *delegate = view->itemDelegateForColumn(column);
    if (!delegate)
        delegate = view->itemDelegate();
    sample.setData(sample.index(0, 0), text);
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    option.fontMetrics = view->fontMetrics();
    option.widget = view;
    return delegate->sizeHint(option, sample.index(0, 0)).width() + (view->showGrid() ? 1 : 0);
}
