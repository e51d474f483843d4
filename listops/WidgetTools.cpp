#include "WidgetTools.h"

#include "BusyCursor.h"
#include "EntryCodec.h"
#include "EntryDelegate.h"
#include "EntryOrdering.h"
#include "FileMessages.h"
#include "FileWriting.h"
#include "ListFileReading.h"
#include "MemoryBudget.h"

#include <QListWidget>
#include <QMessageBox>

#include <new>
#include <utility>

namespace {

void showIoError(const QString &text)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("IO Error"), text);
    box.exec();
}

} // namespace

void WidgetTools::prepareView(QListWidget *list) const
{
    list->setLayoutMode(QListView::Batched);
    // Each batch is a turn of the event loop. 2000 rows take well under a
    // millisecond with EntryDelegate and about 10 ms where texts need shaping,
    // so the window stays smooth either way, and a million rows take 500
    // turns instead of the default 10000, which saves a few percent.
    list->setBatchSize(2000);
    list->setItemDelegate(new EntryDelegate(list));
}

void WidgetTools::loadList(QListWidget *list, const QString &fileName) const
{
    if (fileName.isEmpty())
        return;
    QString error;
    {
        const BusyCursor busy;
        QStringList entries;
        try {
            quillmark::ListFileContent content = quillmark::readListFile(fileName, quillmark::availableMemory());
            error = content.error;
            // The file's bytes go before the items are made, which is when the
            // memory peaks.
            entries = quillmark::decodeEntries(std::exchange(content.bytes, {}));
        } catch (const std::bad_alloc &) {
            // The estimate before reading keeps this rare; the list must
            // survive it all the same.
            entries.clear();
            error = quillmark::fileFailure(QStringLiteral("load"), fileName,
                                           QStringLiteral("There is not enough memory for it."));
        }
        if (!entries.isEmpty())
            list->insertItems(list->count(), entries);
    }
    if (!error.isEmpty())
        showIoError(error);
}

void WidgetTools::saveList(QListWidget *list, const QString &fileName) const
{
    if (fileName.isEmpty())
        return;
    quillmark::WriteResult result;
    {
        const BusyCursor busy;
        // A block of rows at a time, so that neither the list's texts nor its
        // encoded bytes are ever held whole.
        constexpr int blockSize = 16384;
        const int count = list->count();
        result = quillmark::writeWholeFile(fileName, [&] {
            return [&, next = 0]() mutable {
                if (next >= count)
                    return QByteArray();
                const int first = next;
                next = qMin(count, first + blockSize);
                return quillmark::encodeEntries(entries(list, first, next - first), 0, -1, first == 0);
            };
        });
    }
    if (result.failure == quillmark::WriteResult::CannotOpen)
        showIoError(quillmark::withOpenFailureHeading(result.message));
    else if (!result.ok())
        showIoError(result.message);
}

void WidgetTools::sortList(QListWidget *list) const
{
    const BusyCursor busy;
    QStringList texts = entries(list);
    quillmark::sortEntries(texts);
    {
        const QSignalBlocker blocker(list->model());
        setTexts(list, texts);
    }
    announceChange(list);
}

void WidgetTools::pruneList(QListWidget *list) const
{
    const BusyCursor busy;
    const QStringList survivors = quillmark::pruneEntries(entries(list));
    list->clear();
    list->insertItems(0, survivors);
}

QStringList WidgetTools::entries(const QListWidget *list, int first, int count) const
{
    const int end = count < 0 ? list->count() : first + count;
    QStringList texts;
    texts.reserve(end - first);
    for (int row = first; row < end; ++row)
        texts.append(list->item(row)->text());
    return texts;
}

void WidgetTools::rewriteList(QListWidget *list, const std::function<void(QStringList &)> &rewrite) const
{
    // Small enough for the block's texts to stay in the processor's cache
    // between reading and writing them back.
    constexpr int blockSize = 4096;
    const BusyCursor busy;
    {
        const QSignalBlocker blocker(list->model());
        const int count = list->count();
        for (int first = 0; first < count; first += blockSize) {
            const QStringList before = entries(list, first, qMin(blockSize, count - first));
            QStringList texts = before;
            rewrite(texts);
            // An entry the rewrite left alone still shares its text with the
            // item, and needs no writing back.
            for (qsizetype i = 0; i < texts.size(); ++i) {
                if (!texts.at(i).isSharedWith(before.at(i)))
                    list->item(first + int(i))->setText(texts.at(i));
            }
        }
    }
    announceChange(list);
}

void WidgetTools::setTexts(QListWidget *list, const QStringList &texts) const
{
    for (qsizetype row = 0; row < texts.size(); ++row)
        list->item(int(row))->setText(texts.at(row));
}

// One change notice for the whole list instead of one per entry.
void WidgetTools::announceChange(QListWidget *list) const
{
    QAbstractItemModel *model = list->model();
    const int count = list->count();
    if (count > 0)
        emit model->dataChanged(model->index(0, 0), model->index(count - 1, 0), {Qt::DisplayRole, Qt::EditRole});
}
