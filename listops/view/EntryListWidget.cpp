#include "EntryListWidget.h"

void EntryListWidget::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    if (!gridSize().isValid() || viewMode() != ListMode || isWrapping())
        return QListWidget::dataChanged(topLeft, bottomRight, roles);
    // The rows keep their places, and only those in view show the change.
    // Told of more, QAbstractItemView would ask every changed row for its
    // place, which it does not while a layout is pending: millions of calls.
    const int firstInView = indexAt(QPoint(0, 0)).row();
    const QModelIndex lastInView = indexAt(QPoint(0, viewport()->height() - 1));
    const int first = std::max(topLeft.row(), firstInView);
    const int last = lastInView.isValid() ? std::min(bottomRight.row(), lastInView.row()) : bottomRight.row();
    if (firstInView >= 0 && first <= last)
        QAbstractItemView::dataChanged(model()->index(first, 0), model()->index(last, 0), roles);
}
