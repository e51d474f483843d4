#pragma once

#include <QListWidget>

#include <algorithm>

// The window's list: a QListWidget whose rows keep their places when only
// their texts change while they share one grid. QListView lays out every row
// again after any change of data, a quarter of a second for each four million
// rows, although on a grid a row's place follows from its row number alone;
// a change of the grid itself still lays them out. Only the rows in view are
// repainted, and only they are reported to assistive tools as changed.
class EntryListWidget : public QListWidget
{
    Q_OBJECT

public:
    using QListWidget::QListWidget;

protected:
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
};
