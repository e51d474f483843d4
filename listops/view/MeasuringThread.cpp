#include "MeasuringThread.h"

#include "EntryDelegate.h"

#include <new>
#include <system_error>
#include <utility>

namespace {

// Large enough that starting a thread for each batch costs little, and small
// enough that the last one, which the view measures, is over soon.
constexpr size_t batchSize = 65536;

} // namespace

void MeasuringThread::blockAdded()
{
    if (batch.size() >= batchSize)
        handOver();
}

void MeasuringThread::handOver()
{
    if (thread.joinable())
        thread.join();
    if (!delegate) {
        delegate = EntryDelegate::readyFor(list);
        if (!delegate) {
            batch.clear();
            return;
        }
        delegate->rememberWidths(std::exchange(batch, {}));
        return;
    }
    // What the thread could not measure, this one measures, learning the
    // characters it holds for the batches after.
    delegate->rememberWidths(std::exchange(unknown, {}));
    measuring = std::exchange(batch, {});
    try {
        thread = std::thread([this] {
            try {
                delegate->rememberKnownWidths(measuring, unknown);
            } catch (const std::bad_alloc &) {
                // Rows it could not list as unknown are left to the view.
            }
        });
    } catch (const std::system_error &) {
        // Without a thread to spare, the view measures these rows.
        measuring.clear();
    }
}

void MeasuringThread::stop()
{
    if (thread.joinable())
        thread.join();
    batch.clear();
    measuring.clear();
    unknown.clear();
}
