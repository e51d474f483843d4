#include "EntryItem.h"

#include <QListWidget>

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
