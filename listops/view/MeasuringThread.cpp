#include "MeasuringThread.h"

#include "EntryDelegate.h"
#include "WorkThreads.h"

#include <QListWidget>

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

namespace {

// Large enough that starting a thread for each batch costs little, and small
// enough that the last one, which this thread measures, is over soon.
constexpr size_t batchSize = 65536;

} // namespace

MeasuringThread::MeasuringThread(const QListWidget *list)
    : list(list)
    , earlierSize(list->gridSize())
    , earlierRows(list->count())
{
}

void MeasuringThread::blockAdded()
{
    if (batch.size() >= batchSize)
        handOver();
}

void MeasuringThread::handOver()
{
    join();
    const bool first = !delegate;
    if (first)
        delegate = EntryDelegate::readyFor(list);
    if (!delegate) {
        allRemembered = false;
        batch.clear();
        return;
    }
    if (first || quillmark::workThreads() == 1) {
        measureHere(std::exchange(batch, {}));
        return;
    }
    measuring = std::exchange(batch, {});
    try {
        thread = std::thread([this] {
            try {
                delegate->rememberKnownWidths(measuring, unknown);
                for (const quillmark::CompactText *text : measuring)
                    threadWidest = std::max(threadWidest, delegate->rememberedWidth(*text));
            } catch (const std::bad_alloc &) {
                // Rows it could not list as unknown are left unmeasured.
                allRemembered = false;
            }
        });
    } catch (const std::system_error &) {
        measureHere(std::exchange(measuring, {}));
    }
}

void MeasuringThread::join()
{
    if (!thread.joinable())
        return;
    thread.join();
    // What the thread could not measure, this one measures, learning the
    // characters it holds for the batches after.
    delegate->rememberWidths(unknown);
    takeWidths(std::exchange(unknown, {}));
    widest = std::max(widest, threadWidest);
    measured += qsizetype(measuring.size());
    measuring.clear();
}

void MeasuringThread::measureHere(const std::vector<const quillmark::CompactText *> &texts)
{
    delegate->rememberWidths(texts);
    takeWidths(texts);
    measured += qsizetype(texts.size());
}

void MeasuringThread::takeWidths(const std::vector<const quillmark::CompactText *> &texts)
{
    for (const quillmark::CompactText *text : texts) {
        const int width = delegate->rememberedWidth(*text);
        allRemembered = allRemembered && width >= 0;
        widest = std::max(widest, width);
    }
}

QSize MeasuringThread::finish()
{
    join();
    if (!batch.empty())
        handOver();
    join();
    if (!delegate || !allRemembered || measured == 0 || measured != list->count() - earlierRows)
        return QSize();
    const QSize added = delegate->usualRowSize(widest);
    if (earlierRows == 0)
        return added;
    if (earlierSize.height() != added.height())
        return QSize();
    return QSize(std::max(earlierSize.width(), added.width()), added.height());
}

void MeasuringThread::stop()
{
    if (thread.joinable())
        thread.join();
    batch.clear();
    measuring.clear();
    unknown.clear();
    threadWidest = 0;
    widest = 0;
    measured = 0;
    allRemembered = true;
}
