#include "RowGrid.h"

#include "EntryListWidget.h"

#include <QEvent>
#include <QListWidget>

RowGrid::RowGrid(EntryListWidget *list)
    : QObject(list)
    , list(list)
{
    const QAbstractItemModel *model = list->model();
    const auto turnOff = [this] { this->turnOff(); };
    connect(model, &QAbstractItemModel::rowsInserted, this, turnOff);
    connect(model, &QAbstractItemModel::rowsRemoved, this, turnOff);
    connect(model, &QAbstractItemModel::dataChanged, this, turnOff);
    connect(model, &QAbstractItemModel::layoutChanged, this, turnOff);
    connect(model, &QAbstractItemModel::modelReset, this, turnOff);
    list->installEventFilter(this);
}

void RowGrid::fit(QSize known)
{
    const QSize size = known.isValid() ? known : list->sharedRowSize();
    if (size != list->gridSize())
        list->setGridSize(size);
}

bool RowGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        turnOff();
    return QObject::eventFilter(watched, event);
}

void RowGrid::turnOff()
{
    if (held)
        return;
    // The model, a child of the list, resets as it goes, when the list is no
    // more than a QWidget being destroyed.
    QListWidget *view = qobject_cast<QListWidget *>(parent());
    if (view && view->gridSize().isValid())
        view->setGridSize(QSize());
}
