#include "WidgetTools.h"

#include "BusyCursor.h"
#include "EntryCodec.h"
#include "EntryDelegate.h"
#include "EntryItem.h"
#include "EntryListWidget.h"
#include "EntryOrdering.h"
#include "FileWriting.h"
#include "ListFileLoading.h"
#include "MeasuringThreads.h"
#include "MemoryBudget.h"
#include "MessageTexts.h"
#include "Prefetch.h"
#include "RowGrid.h"
#include "SharedRowSize.h"
#include "WorkThreads.h"

#include <QListWidget>
#include <QMessageBox>

#include <algorithm>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

void showIoError(const quillmark::FileFailure &failure)
{
    if (failure.ok())
        return;
    QMessageBox box(QMessageBox::Information, messages::ioErrorTitle(), messages::fileFailureText(failure));
    box.exec();
}

// An entry row's text straight from its compact form: through QVariant it cost
// as much again.
quillmark::CompactText textOf(const QListWidgetItem *item)
{
    if (const EntryItem *entry = EntryItem::of(item))
        return entry->compactText();
    return quillmark::CompactText(item->text());
}

// Moving a row's text, or freeing it, reads the header before its units; a
// caller going through the rows asks for it a few rows ahead.
void prefetchTextHeader(const QListWidgetItem *item)
{
    if (const EntryItem *entry = EntryItem::of(item))
        prefetch(static_cast<const char *>(entry->compactText().data()) - sizeof(QArrayData));
}

// The texts of rows [first, first + count), each as textOfRow gives it.
template <typename List, typename TextOfRow>
QList<quillmark::CompactText> textsOfRows(List *list, int first, int count, const TextOfRow &textOfRow)
{
    const int end = count == quillmark::toEnd ? list->count() : first + count;
    QList<quillmark::CompactText> texts;
    texts.reserve(end - first);
    for (int row = first; row < end; ++row)
        texts.append(textOfRow(list->item(row)));
    return texts;
}

} // namespace

void WidgetTools::loadList(QListWidget *list, const QString &fileName) const
{
    if (fileName.isEmpty())
        return;
    quillmark::FileFailure failure;
    {
        const BusyCursor busy;
        // The entries are made on the thread that decodes the file, which
        // cannot reuse the memory this one freed: it goes back first, so that
        // a list loaded after a Clear does not come on top of the last one.
        quillmark::releaseFreedMemory();
        const int before = list->count();
        const QSize earlierGrid = list->gridSize();
        // The new rows are measured beside this thread a batch at a time,
        // while it adds more.
        auto *entries = qobject_cast<EntryListWidget *>(list);
        if (entries)
            entries->readyDelegate();
        constexpr size_t measuringBatch = 65536;
        std::vector<const quillmark::CompactText *> toMeasure;
        // The texts of the new rows are measured no more before they go.
        const auto stopMeasuring = [&] {
            if (entries)
                entries->measuring().abandon();
            toMeasure.clear();
        };
        const auto dropLoaded = [&] {
            stopMeasuring();
            list->model()->removeRows(before, list->count() - before);
        };
        // A file that was not UTF-8 after all has the entries taken so far
        // back, to make its first bytes again.
        const auto takeBack = [&] {
            stopMeasuring();
            QList<quillmark::CompactText> taken = takeTexts(list, before);
            dropLoaded();
            return taken;
        };
        try {
            failure = quillmark::loadListFile(
                    fileName, quillmark::availableMemory(), EntryItem::memoryBytes(0, true),
                    [&](QList<quillmark::CompactText> &&block) {
                        insertEntries(list, std::move(block), entries ? &toMeasure : nullptr);
                        if (toMeasure.size() >= measuringBatch)
                            entries->measuring().start(std::exchange(toMeasure, {}));
                    },
                    takeBack);
        } catch (const std::bad_alloc &) {
            // The estimate before reading keeps this rare; the list must
            // survive it all the same, as it was.
            dropLoaded();
            failure = {.kind = quillmark::FileFailure::Kind::NotEnoughMemory, .fileName = fileName, .reason = {}};
        }
        if (entries) {
            entries->measuring().start(std::move(toMeasure));
            SharedRowSize rows = entries->measuring().finish();
            rows.addEarlierRows(earlierGrid, before);
            fitRows(list, rows.gridSize(entries->readyDelegate()));
        }
    }
    showIoError(failure);
}

void WidgetTools::appendEntries(QListWidget *list, QList<quillmark::CompactText> texts) const
{
    insertEntries(list, std::move(texts), nullptr);
}

void WidgetTools::insertEntries(QListWidget *list, QList<quillmark::CompactText> texts,
                                std::vector<const quillmark::CompactText *> *toMeasure) const
{
    if (texts.isEmpty())
        return;
    // Each row inserted on its own tells the view, which then forgets its
    // layout and restarts its timer, a microsecond per row. A layout change
    // makes it lay out all rows anew as well, once.
    QAbstractItemModel *model = list->model();
    emit model->layoutAboutToBeChanged();
    {
        const QSignalBlocker blocker(model);
        int row = list->count();
        for (quillmark::CompactText &text : texts) {
            auto *item = new EntryItem(std::move(text));
            list->insertItem(row++, item);
            if (toMeasure)
                toMeasure->push_back(&item->compactText());
        }
    }
    emit model->layoutChanged();
}

void WidgetTools::saveList(QListWidget *list, const QString &fileName) const
{
    if (fileName.isEmpty())
        return;
    quillmark::FileFailure failure;
    {
        const BusyCursor busy;
        // A block of rows at a time, so that neither the list's texts nor its
        // encoded bytes are ever held whole. Written in place, the file must
        // be measured first, which takes a pass of its own.
        constexpr int blockSize = 16384;
        const int count = list->count();
        const auto eachBlock = [&](const auto &take) {
            for (int first = 0; first < count; first += blockSize) {
                if (!take(quillmark::encodeEntries(texts(list, first, qMin(blockSize, count - first)), first == 0)))
                    return;
            }
        };
        const auto measure = [&] {
            qint64 size = 0;
            eachBlock([&](const QByteArray &bytes) {
                size += bytes.size();
                return true;
            });
            return size;
        };
        quillmark::FileWriter file(fileName);
        if (file.open() && (!file.writesInPlace() || file.setSize(measure())))
            eachBlock([&](const QByteArray &bytes) { return file.write(bytes); });
        failure = file.commit();
    }
    showIoError(failure);
}

void WidgetTools::sortList(QListWidget *list) const
{
    const BusyCursor busy;
    // The rows keep their texts' sizes, only in another order, so a grid they
    // shared fits them still.
    const QSize common = list->gridSize();
    {
        const QSignalBlocker blocker(list->model());
        // The keys take 32 bytes an entry on top of the list; memory freed
        // by earlier commands goes back first, so that they do not come on
        // top of that too.
        quillmark::releaseFreedMemory();
        quillmark::sortEntries(
                list->count(), [&](qsizetype row) { return takeText(list->item(int(row))); },
                [&](qsizetype row, quillmark::CompactText &&text) { setText(list->item(int(row)), std::move(text)); });
    }
    announceChange(list, common);
}

void WidgetTools::pruneList(QListWidget *list) const
{
    const BusyCursor busy;
    // As for Sort: the table and the survivors' texts come on top of the list.
    quillmark::releaseFreedMemory();
    // The texts stay in their rows until the survivors are known. A row that
    // is not an entry item gets a compact text of its own, kept where a
    // reference to it stays valid.
    std::unordered_map<qsizetype, quillmark::CompactText> otherTexts;
    const auto textAt = [&](qsizetype row) -> const quillmark::CompactText & {
        const QListWidgetItem *item = list->item(int(row));
        if (const EntryItem *entry = EntryItem::of(item))
            return entry->compactText();
        return otherTexts.try_emplace(row, item->text()).first->second;
    };
    const int count = list->count();
    const std::vector<bool> first = quillmark::firstOfEachText(count, textAt);
    otherTexts.clear();
    // Rows hold other texts afterwards, so nothing stays selected or current.
    list->selectionModel()->clear();
    if (std::find(first.cbegin(), first.cend(), false) == first.cend())
        return;
    auto *entries = qobject_cast<EntryListWidget *>(list);
    SharedRowSize kept;
    keepRows(list, first, entries ? &entries->readyDelegate().measurer() : nullptr, kept);
    announceChange(list, entries ? kept.gridSize(entries->readyDelegate()) : QSize());
}

void WidgetTools::keepRows(QListWidget *list, const std::vector<bool> &keep, const LineMeasurer *measurer,
                           SharedRowSize &kept) const
{
    // The kept texts move, in order, to the last rows, and the rows before
    // them go: the list drops rows from its front at no cost, but shifts
    // every later row for each row taken from the middle. Making new rows for
    // the survivors of a prune instead cost twice as long as all the rest.
    // Going from the last row back, a kept text moves to a row whose text has
    // already moved on or been dropped.
    const int count = list->count();
    int to = count;
    {
        const QSignalBlocker blocker(list->model());
        constexpr int ahead = 16;
        for (int row = count - 1; row >= 0; --row) {
            if (row >= ahead)
                prefetchTextHeader(list->item(row - ahead));
            quillmark::CompactText text = takeText(list->item(row));
            if (!keep[size_t(row)])
                continue;
            if (measurer)
                kept.add(measurer->remembered(text));
            setText(list->item(--to), std::move(text));
        }
    }
    list->model()->removeRows(0, to);
}

QList<quillmark::CompactText> WidgetTools::texts(const QListWidget *list, int first, int count) const
{
    return textsOfRows(list, first, count, textOf);
}

void WidgetTools::rewriteList(QListWidget *list,
                              const std::function<void(QList<quillmark::CompactText> &)> &rewrite) const
{
    const BusyCursor busy;
    QSize commonSize;
    {
        const QSignalBlocker blocker(list->model());
        commonSize = rewriteRows(list, rewrite);
    }
    announceChange(list, commonSize);
}

QSize WidgetTools::rewriteRows(QListWidget *list,
                               const std::function<void(QList<quillmark::CompactText> &)> &rewrite) const
{
    // Small enough for a block's texts to stay in the processor's cache
    // between reading and writing them back, and large enough that starting
    // the threads costs little beside rewriting it. The thread that rewrote
    // a block measures it from what was learnt before; texts it cannot are
    // measured once they are back in their rows.
    constexpr int blockSize = 16384;
    const int count = list->count();
    auto *entries = qobject_cast<EntryListWidget *>(list);
    const LineMeasurer *measurer = entries ? &entries->readyDelegate().measurer() : nullptr;
    // A block for each thread, moved out of the rows and back by this thread.
    std::vector<QList<quillmark::CompactText>> blocks(static_cast<size_t>(quillmark::workThreads()));
    std::vector<SharedRowSize> measured(blocks.size());
    std::vector<std::vector<int>> leftOver(blocks.size());
    SharedRowSize rows;
    bool allEntries = true;
    const int roundSize = blockSize * int(blocks.size());
    for (int round = 0; round < count; round += roundSize) {
        const int inRound = qMin(roundSize, count - round);
        const int used = (inRound + blockSize - 1) / blockSize;
        for (int block = 0; block < used; ++block) {
            const int first = round + block * blockSize;
            blocks[size_t(block)] = takeTexts(list, first, qMin(blockSize, round + inRound - first));
        }
        quillmark::forEachTask(used, [&](qsizetype block) {
            QList<quillmark::CompactText> &texts = blocks[size_t(block)];
            rewrite(texts);
            if (!measurer)
                return;
            const int first = round + int(block) * blockSize;
            for (qsizetype i = 0; i < texts.size(); ++i) {
                if (measurer->measureBeside(texts.at(i), nullptr) == LineMeasurer::Beside::Measured)
                    measured[size_t(block)].add(measurer->remembered(texts.at(i)));
                else
                    leftOver[size_t(block)].push_back(first + int(i));
            }
        });
        std::vector<const quillmark::CompactText *> rest;
        for (int block = 0; block < used; ++block) {
            rows.add(std::exchange(measured[size_t(block)], SharedRowSize()));
            allEntries &= putTexts(list, std::move(blocks[size_t(block)]), round + block * blockSize);
            for (const int row : std::exchange(leftOver[size_t(block)], {})) {
                if (const EntryItem *entry = EntryItem::of(list->item(row)))
                    rest.push_back(&entry->compactText());
            }
        }
        // Measured once back in their rows, which keep what they remember;
        // what is learnt meanwhile serves the rounds after.
        if (measurer)
            rows.add(entries->measuring().measure(std::move(rest)));
    }
    return measurer && allEntries ? rows.gridSize(entries->readyDelegate()) : QSize();
}

void WidgetTools::releaseTexts(QListWidget *list) const
{
    constexpr int ahead = 16;
    const int count = list->count();
    for (int row = 0; row < count; ++row) {
        if (row + ahead < count)
            prefetchTextHeader(list->item(row + ahead));
        if (EntryItem *entry = EntryItem::of(list->item(row)))
            entry->takeText();
    }
}

QList<quillmark::CompactText> WidgetTools::takeTexts(QListWidget *list, int first, int count) const
{
    return textsOfRows(list, first, count, [this](QListWidgetItem *item) { return takeText(item); });
}

quillmark::CompactText WidgetTools::takeText(QListWidgetItem *item) const
{
    if (EntryItem *entry = EntryItem::of(item))
        return entry->takeText();
    return quillmark::CompactText(item->text());
}

bool WidgetTools::putTexts(QListWidget *list, QList<quillmark::CompactText> texts, int first) const
{
    bool allEntries = true;
    for (qsizetype i = 0; i < texts.size(); ++i)
        allEntries &= setText(list->item(first + int(i)), std::move(texts[i]));
    return allEntries;
}

bool WidgetTools::setText(QListWidgetItem *item, quillmark::CompactText text) const
{
    if (EntryItem *entry = EntryItem::of(item)) {
        entry->putText(std::move(text));
        return true;
    }
    item->setText(text.toString());
    return false;
}

// One change notice for the whole list instead of one per entry. The grid
// stays through it and changes after only where the rows' size did, so that
// the rows are laid out again only then.
void WidgetTools::announceChange(QListWidget *list, QSize commonSize) const
{
    QAbstractItemModel *model = list->model();
    const int count = list->count();
    if (count > 0) {
        auto *entries = qobject_cast<EntryListWidget *>(list);
        const RowGrid::Held held(entries ? &entries->rowGrid() : nullptr);
        emit model->dataChanged(model->index(0, 0), model->index(count - 1, 0), {Qt::DisplayRole, Qt::EditRole});
    }
    fitRows(list, commonSize);
}

void WidgetTools::fitRows(QListWidget *list, QSize commonSize) const
{
    if (auto *entries = qobject_cast<EntryListWidget *>(list))
        entries->rowGrid().fit(commonSize);
}
