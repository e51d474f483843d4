#pragma once

#include "LineMeasurer.h"

#include <QSize>

class EntryDelegate;

// The size all rows of a list share where they are equally high: as wide as
// the widest and as high as any; none where heights differ, or where a row's
// text remembers no line. Rows are added as their texts are measured, each
// thread's share on its own, and the shares added together after.
class SharedRowSize
{
public:
    void add(LineMeasurer::Line line);
    void add(const SharedRowSize &other);
    // The rows the list held before, laid out on a grid of this size; an
    // invalid one where they were sized each.
    void addEarlierRows(QSize gridSize, int count);

    // The grid that fits every row added, or an invalid size.
    QSize gridSize(const EntryDelegate &delegate) const;

private:
    int width = 0;
    int height = -1;
    qsizetype rows = 0;
    bool shared = true;
    QSize earlierGrid;
    int earlierRows = 0;
};
