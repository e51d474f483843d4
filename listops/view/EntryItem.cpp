#include "EntryItem.h"

#include "BlockPool.h"

#include <QListWidget>

namespace {

// Never destroyed: items may outlive any static object.
quillmark::BlockPool &itemPool()
{
    static quillmark::BlockPool *const pool = new quillmark::BlockPool(sizeof(EntryItem));
    return *pool;
}

} // namespace

static_assert(alignof(EntryItem) <= alignof(void *));
static_assert(sizeof(void *) != 8 || sizeof(EntryItem) == 72, "memoryBytes counts an item as 72 bytes");

void *EntryItem::operator new(size_t)
{
    return itemPool().allocate();
}

void EntryItem::operator delete(void *item)
{
    itemPool().free(item);
}

EntryItem::EntryItem(quillmark::CompactText text)
    : QListWidgetItem(nullptr, Type)
    , entry(std::move(text))
{
}

QVariant EntryItem::data(int role) const
{
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return entry.toString();
    default:
        return QListWidgetItem::data(role);
    }
}

void EntryItem::setData(int role, const QVariant &value)
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QListWidgetItem::setData(role, value);
    entry = quillmark::CompactText(value.toString());
    // What the standard item does after a change, through the public model.
    if (QListWidget *view = listWidget(); view && !view->model()->signalsBlocked()) {
        QAbstractItemModel *model = view->model();
        const QModelIndex index = model->index(view->row(this), 0);
        emit model->dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    }
}

QListWidgetItem *EntryItem::clone() const
{
    return new EntryItem(*this);
}
