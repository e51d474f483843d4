#include "SharedRowSize.h"

#include "EntryDelegate.h"

#include <algorithm>

void SharedRowSize::add(LineMeasurer::Line line)
{
    shared = shared && line.isValid() && (rows == 0 || line.height == height);
    width = std::max(width, line.width);
    height = line.height;
    ++rows;
}

void SharedRowSize::add(const SharedRowSize &other)
{
    if (other.rows == 0)
        return;
    shared = shared && other.shared && (rows == 0 || other.height == height);
    width = std::max(width, other.width);
    height = other.height;
    rows += other.rows;
}

void SharedRowSize::addEarlierRows(QSize gridSize, int count)
{
    earlierGrid = gridSize;
    earlierRows = count;
}

QSize SharedRowSize::gridSize(const EntryDelegate &delegate) const
{
    if (!shared || (earlierRows > 0 && !earlierGrid.isValid()))
        return QSize();
    if (rows == 0)
        return earlierRows > 0 ? earlierGrid : QSize();
    const QSize added = delegate.rowSize({width, height});
    if (earlierRows == 0)
        return added;
    if (added.height() != earlierGrid.height())
        return QSize();
    return QSize(std::max(added.width(), earlierGrid.width()), added.height());
}
