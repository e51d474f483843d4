#include "EntryListWidget.h"

#include "EntryDelegate.h"
#include "EntryItem.h"
#include "MeasuringThreads.h"
#include "RowGrid.h"

#include <list>

EntryListWidget::EntryListWidget(QWidget *parent)
    : QListWidget(parent)
    , delegate(new EntryDelegate(this))
    , grid(new RowGrid(this))
    , measuringThreads(std::make_unique<MeasuringThreads>(*delegate))
{
    // Rows not on a grid are laid out in batches, so that the view paints the
    // first ones at once and stays responsive while it sizes the rest. Each
    // batch is a turn of the event loop; 2000 rows take well under a
    // millisecond, and a million rows take 500 turns instead of the default
    // 10000, which saves a few percent.
    setLayoutMode(QListView::Batched);
    setBatchSize(2000);
    setItemDelegate(delegate);
}

// The helper threads end before the delegate they measure with.
EntryListWidget::~EntryListWidget() = default;

const EntryDelegate &EntryListWidget::readyDelegate()
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    delegate->prepareFor(option);
    return *delegate;
}

QSize EntryListWidget::sharedRowSize()
{
    const EntryDelegate &sizing = readyDelegate();
    // A block at a time, so that no list of every row is held at once; the
    // texts of rows of another kind are measured as copies.
    constexpr int blockSize = 65536;
    std::list<quillmark::CompactText> copies;
    std::vector<const quillmark::CompactText *> block;
    for (int row = 0; row < count(); ++row) {
        if (const EntryItem *entry = EntryItem::of(item(row))) {
            block.push_back(&entry->compactText());
        } else {
            copies.emplace_back(item(row)->text());
            block.push_back(&copies.back());
        }
        if (block.size() == blockSize)
            measuringThreads->start(std::exchange(block, {}));
    }
    measuringThreads->start(std::move(block));
    return measuringThreads->finish().gridSize(sizing);
}

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
