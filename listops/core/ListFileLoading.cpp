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
// takeBlock as they come; the rest is read whole where it is not, or where
// takeBlock says to stop.
ListFileLines readUtf8Lines(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem,
                            Utf8LineDecoder &decoder, const bool &taking)
{
    ListFileLines reading = readListFileLines(fileName, memoryBudget, bytesPerItem, [&](QByteArrayView lines) {
        if (!taking)
            return LinesTaken::Stop;
        return decoder.decode(lines) ? LinesTaken::Taken : LinesTaken::Refused;
    });
    // Where a run was refused, the entries decoded before it are taken back
    // whole, those not handed over yet among them.
    if (reading.keepsLines && !reading.stopped)
        decoder.finish();
    return reading;
}

// The same, every block taken on this thread.
ListFileLines readUtf8LinesHere(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem,
                                const std::function<void(QList<CompactText> &&)> &takeBlock,
                                std::optional<Utf8LineDecoder> &decoder)
{
    const bool taking = true;
    decoder.emplace(takeBlock);
    return readUtf8Lines(fileName, memoryBudget, bytesPerItem, *decoder, taking);
}

// The same, read and decoded on another thread while this one takes the
// entries into the list.
ListFileLines readUtf8LinesBeside(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem,
                                  const std::function<void(QList<CompactText> &&)> &takeBlock,
                                  std::optional<Utf8LineDecoder> &decoder)
{
    BlockQueue queue;
    ListFileLines reading;
    std::exception_ptr failure;
    std::thread reader;
    bool taking = true;
    decoder.emplace([&](QList<CompactText> &&block) { taking = taking && queue.put(std::move(block)); });
    try {
        reader = std::thread([&] {
            try {
                reading = readUtf8Lines(fileName, memoryBudget, bytesPerItem, *decoder, taking);
            } catch (...) {
                failure = std::current_exception();
            }
            queue.end();
        });
    } catch (const std::system_error &) {
        // Without a thread to spare, the file is read on this one.
        return readUtf8LinesHere(fileName, memoryBudget, bytesPerItem, takeBlock, decoder);
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
                         const std::function<QList<CompactText>()> &takeBack)
{
    std::optional<Utf8LineDecoder> decoder;
    ListFileLines reading = workThreads() > 1
            ? readUtf8LinesBeside(fileName, memoryBudget, bytesPerItem, takeBlock, decoder)
            : readUtf8LinesHere(fileName, memoryBudget, bytesPerItem, takeBlock, decoder);
    if (!reading.keepsLines) {
        takeBack();
        return reading.failure;
    }
    if (reading.refused) {
        // Not UTF-8 after all, or not by itself: the whole file tells its
        // encoding. The bytes of the lines taken so far are made again from
        // their entries, in front of the rest read after them.
        QByteArray bytes = decoder->bytesOf(takeBack());
        bytes += std::exchange(reading.rest, {});
        decodeEntries(bytes, takeBlock);
    }
    return reading.failure;
}

} // namespace quillmark
