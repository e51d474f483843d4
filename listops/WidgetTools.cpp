#include "WidgetTools.h"

#include "EntryCodec.h"
#include "EntryDelegate.h"
#include "EntryOrdering.h"
#include "FileWriting.h"

#include <QFile>
#include <QListWidget>
#include <QMessageBox>

namespace {

void showIoError(const QString &text)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("IO Error"), text);
    box.exec();
}

const QString cannotAccess = QStringLiteral("IO Error: cannot access open");

} // namespace

void WidgetTools::prepareView(QListWidget *list) const
{
    list->setLayoutMode(QListView::Batched);
    list->setItemDelegate(new EntryDelegate(list));
}

void WidgetTools::loadList(QListWidget *list, const QString &fileName) const
{
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        showIoError(cannotAccess);
        return;
    }
    const BusyCursor busy;
    list->insertItems(list->count(), quillmark::decodeEntries(file.readAll()));
}

void WidgetTools::saveList(QListWidget *list, const QString &fileName) const
{
    if (fileName.isEmpty())
        return;
    quillmark::WriteResult result;
    {
        const BusyCursor busy;
        result = quillmark::writeWholeFile(fileName, quillmark::encodeEntries(entries(list)));
    }
    if (result.failure == quillmark::WriteResult::CannotOpen)
        showIoError(cannotAccess);
    else if (result.failure == quillmark::WriteResult::CannotWrite)
        showIoError(result.message);
}

void WidgetTools::sortList(QListWidget *list) const
{
    rewriteList(list, quillmark::sortEntries);
}

void WidgetTools::pruneList(QListWidget *list) const
{
    const BusyCursor busy;
    const QStringList survivors = quillmark::pruneEntries(entries(list));
    list->clear();
    list->insertItems(0, survivors);
}

QStringList WidgetTools::entries(const QListWidget *list) const
{
    QStringList texts;
    const int count = list->count();
    texts.reserve(count);
    for (int row = 0; row < count; ++row)
        texts.append(list->item(row)->text());
    return texts;
}

void WidgetTools::setTexts(QListWidget *list, const QStringList &texts) const
{
    QAbstractItemModel *model = list->model();
    const int count = int(texts.size());
    {
        // One change notice for the whole list instead of one per entry.
        const QSignalBlocker blocker(model);
        for (int row = 0; row < count; ++row)
            list->item(row)->setText(texts.at(row));
    }
    if (count > 0)
        emit model->dataChanged(model->index(0, 0), model->index(count - 1, 0),
                                {Qt::DisplayRole, Qt::EditRole});
}
