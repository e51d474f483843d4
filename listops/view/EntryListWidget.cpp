#include "EntryListWidget.h"

void EntryListWidget::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    if (gridSize().isValid() && viewMode() == ListMode && !isWrapping()) {
        // What QListView adds to this is the new layout; the rest, such as
        // repainting and telling assistive tools, stays.
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    QListWidget::dataChanged(topLeft, bottomRight, roles);
}
