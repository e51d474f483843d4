#include "ListFileLoading.h"

#include "EntryCodec.h"
#include "ListFileReading.h"
#include "WorkThreads.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace quillmark {

namespace {

// Blocks of entries on their way from the thread that reads and decodes the
// file to the one that takes them into the list, a few at most, so that
// decoding runs ahead of the list by little more than a processor's cache.
class BlockQueue
{
public:
    // False once the taker has given up; the reader then stops.
    bool put(QList<CompactText> &&block)
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return blocks.size() < maxWaiting || abandoned; });
        if (abandoned)
            return false;
        blocks.push_back(std::move(block));
        changed.notify_all();
        return true;
    }

    // The next block, or nothing once the reader has ended and all are taken.
    std::optional<QList<CompactText>> take()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return !blocks.empty() || ended; });
        if (blocks.empty())
            return std::nullopt;
        QList<CompactText> block = std::move(blocks.front());
        blocks.pop_front();
        changed.notify_all();
        return block;
    }

    void end()
    {
        const std::lock_guard lock(mutex);
        ended = true;
        changed.notify_all();
    }

    void abandon()
    {
        const std::lock_guard lock(mutex);
        abandoned = true;
        blocks.clear();
        changed.notify_all();
    }

private:
    static constexpr size_t maxWaiting = 8;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<QList<CompactText>> blocks;
    bool ended = false;
    bool abandoned = false;
};

// Reads and decodes the file as far as it is UTF-8, handing the entries to
// takeBlock as they come; stopped when it is not, or when takeBlock says to.
ListFileLines readUtf8Lines(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem,
                            const std::function<bool(QList<CompactText> &&)> &takeBlock)
{
    bool taking = true;
    Utf8LineDecoder decoder([&](QList<CompactText> &&block) { taking = taking && takeBlock(std::move(block)); });
    ListFileLines reading = readListFileLines(fileName, memoryBudget, bytesPerItem,
                                              [&](QByteArrayView lines) { return taking && decoder.decode(lines); });
    if (reading.keepsLines && !reading.stopped)
        decoder.finish();
    return reading;
}

// The same, every block taken on this thread.
ListFileLines readUtf8LinesHere(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem,
                                const std::function<void(QList<CompactText> &&)> &takeBlock)
{
    return readUtf8Lines(fileName, memoryBudget, bytesPerItem, [&](QList<CompactText> &&block) {
        takeBlock(std::move(block));
        return true;
    });
}

// The same, read and decoded on another thread while this one takes the
// entries into the list.
ListFileLines readUtf8LinesBeside(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem,
                                  const std::function<void(QList<CompactText> &&)> &takeBlock)
{
    BlockQueue queue;
    ListFileLines reading;
    std::exception_ptr failure;
    std::thread reader;
    try {
        reader = std::thread([&] {
            try {
                reading = readUtf8Lines(fileName, memoryBudget, bytesPerItem,
                                        [&](QList<CompactText> &&block) { return queue.put(std::move(block)); });
            } catch (...) {
                failure = std::current_exception();
            }
            queue.end();
        });
    } catch (const std::system_error &) {
        // Without a thread to spare, the file is read on this one.
        return readUtf8LinesHere(fileName, memoryBudget, bytesPerItem, takeBlock);
    }
    try {
        while (std::optional<QList<CompactText>> block = queue.take())
            takeBlock(std::move(*block));
    } catch (...) {
        queue.abandon();
        reader.join();
        throw;
    }
    reader.join();
    if (failure)
        std::rethrow_exception(failure);
    return reading;
}

} // namespace

FileFailure loadListFile(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem,
                         const std::function<void(QList<CompactText> &&)> &takeBlock,
                         const std::function<void()> &dropTaken)
{
    const ListFileLines reading = workThreads() > 1
            ? readUtf8LinesBeside(fileName, memoryBudget, bytesPerItem, takeBlock)
            : readUtf8LinesHere(fileName, memoryBudget, bytesPerItem, takeBlock);
    if (reading.stopped) {
        dropTaken();
        const ListFileContent content = readListFile(fileName, memoryBudget, bytesPerItem);
        decodeEntries(content.bytes, takeBlock);
        return content.failure;
    }
    if (!reading.keepsLines)
        dropTaken();
    return reading.failure;
}

} // namespace quillmark
