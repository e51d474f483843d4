#include "EntryOrdering.h"
#include "EntryOrderingHash.h"

#include "PackedText.h"
#include "Prefetch.h"
#include "WorkThreads.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

namespace quillmark {

namespace {

// An entry as the sort holds it: the text itself, moved in, and its next few
// code units from the depth being sorted packed into one number. Most steps
// compare and move these numbers in order through one array, and the texts,
// scattered across the heap, are read only a few units at a time. Two keys
// fill a cache line, and all of them come on top of the list.
struct SortKey {
    PackedText text;
    quint64 packed = 0;
};
static_assert(std::is_trivially_copyable_v<SortKey> && std::is_trivially_destructible_v<SortKey>);

// Each unit is packed as its value plus one, the first one highest, so that
// 0 stands for "past the end" and sorts before every unit, and packed numbers
// compare as their units do. Seven 9-bit units where every text is Latin-1,
// as nearly always, else three 17-bit ones.
struct Packing {
    qsizetype units;
    int bits;
};
constexpr Packing latin1Packing{7, 9};
constexpr Packing utf16Packing{3, 17};

// The code unit at a depth, or -1 past the end.
int unitAt(const PackedText &text, qsizetype depth)
{
    if (depth >= text.size())
        return -1;
    return text.isWide() ? int(static_cast<const char16_t *>(text.data())[depth])
                         : int(static_cast<const uchar *>(text.data())[depth]);
}

quint64 packedUnits(const PackedText &text, qsizetype depth, Packing packing)
{
    quint64 packed = 0;
    for (qsizetype k = 0; k < packing.units; ++k)
        packed = packed << packing.bits | quint64(unitAt(text, depth + k) + 1);
    return packed;
}

// Whether the texts with these packed units end within them: then texts
// with equal packed units are equal.
bool endsWithin(quint64 packed, Packing packing)
{
    return (packed & ((quint64(1) << packing.bits) - 1)) == 0;
}

void packAt(SortKey *keys, qsizetype count, qsizetype depth, Packing packing)
{
    // Asking for the texts a few keys ahead lets their reads from memory
    // overlap instead of waiting for each in turn.
    constexpr qsizetype ahead = 8;
    for (qsizetype i = 0; i < count; ++i) {
        if (i + ahead < count) {
            const PackedText &text = keys[i + ahead].text;
            prefetch(static_cast<const char *>(text.data()) + (text.isWide() ? 2 * depth : depth));
        }
        keys[i].packed = packedUnits(keys[i].text, depth, packing);
    }
}

// Whether a sorts before b, both sharing their first depth units and packed
// from there.
bool sortsBefore(const SortKey &a, const SortKey &b, qsizetype depth, Packing packing)
{
    if (a.packed != b.packed)
        return a.packed < b.packed;
    if (endsWithin(a.packed, packing))
        return false;
    for (depth += packing.units;; ++depth) {
        const int unitA = unitAt(a.text, depth);
        const int unitB = unitAt(b.text, depth);
        if (unitA != unitB || unitA < 0)
            return unitA < unitB;
    }
}

// Where the median of the first, middle and last keys' packed units lies.
qsizetype medianOfThree(const SortKey *keys, qsizetype count)
{
    const qsizetype first = 0;
    const qsizetype middle = count / 2;
    const qsizetype last = count - 1;
    const quint64 a = keys[first].packed;
    const quint64 b = keys[middle].packed;
    const quint64 c = keys[last].packed;
    if ((a <= b) == (b <= c))
        return middle;
    if ((b <= a) == (a <= c))
        return first;
    return last;
}

struct Part {
    SortKey *keys;
    qsizetype count;
    qsizetype depth;
};

// One step of multikey quicksort: partitions the keys by the packed units at
// their depth into those below, equal to and above the middle key's, the
// three parts in ascending order of size. Texts that end within the pivot's
// units are equal and in place, so the equal part is then left out (empty);
// otherwise it is packed from the units after those.
std::array<Part, 3> partition(Part whole, Packing packing)
{
    SortKey *keys = whole.keys;
    const qsizetype count = whole.count;
    // The median of the first, middle and last keys splits more evenly than
    // one of them, which saved a tenth of the steps.
    std::swap(keys[0], keys[medianOfThree(keys, count)]);
    const quint64 pivot = keys[0].packed;
    // [0, less) below the pivot, [less, i) equal, (greater, count) above.
    qsizetype less = 0;
    qsizetype greater = count - 1;
    for (qsizetype i = 1; i <= greater;) {
        const quint64 packed = keys[i].packed;
        if (packed < pivot)
            std::swap(keys[less++], keys[i++]);
        else if (packed > pivot)
            std::swap(keys[i], keys[greater--]);
        else
            ++i;
    }
    const bool equalDone = endsWithin(pivot, packing);
    const qsizetype equal = equalDone ? 0 : greater + 1 - less;
    if (!equalDone)
        packAt(keys + less, equal, whole.depth + packing.units, packing);
    std::array<Part, 3> parts{{{keys, less, whole.depth},
                               {keys + less, equal, whole.depth + packing.units},
                               {keys + greater + 1, count - greater - 1, whole.depth}}};
    std::sort(parts.begin(), parts.end(), [](const Part &a, const Part &b) { return a.count < b.count; });
    return parts;
}

// Multikey quicksort: partitions by the packed units at one depth, so the long
// prefixes that lists share ("https://www.") are read once per partition
// rather than once per comparison. All keys share their first depth units and
// are packed from there.
void sortFrom(Part part, Packing packing)
{
    while (part.count > 1) {
        if (part.count < 16) {
            std::sort(part.keys, part.keys + part.count,
                      [depth = part.depth, packing](const SortKey &a, const SortKey &b) {
                          return sortsBefore(a, b, depth, packing);
                      });
            return;
        }
        const std::array<Part, 3> parts = partition(part, packing);
        // The largest part is sorted by this loop and only the others by
        // recursion, which then never goes deeper than log2 of the count.
        sortFrom(parts[0], packing);
        sortFrom(parts[1], packing);
        part = parts[2];
    }
}

// The parts of a sort that are still to be done, for threads to take one at a
// time. Any thread may partition a part and hand back the smaller pieces, so
// that all threads are busy from the first partition on.
class SortTasks
{
public:
    explicit SortTasks(Part whole) { waiting.push_back(whole); }

    // The next part, once there is one; false when all are done.
    bool take(Part &part)
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return !waiting.empty() || working == 0; });
        if (waiting.empty())
            return false;
        part = waiting.back();
        waiting.pop_back();
        ++working;
        return true;
    }

    void give(Part part)
    {
        {
            const std::lock_guard lock(mutex);
            waiting.push_back(part);
        }
        changed.notify_one();
    }

    void finished()
    {
        {
            const std::lock_guard lock(mutex);
            --working;
        }
        changed.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Part> waiting;
    int working = 0;
};

// Parts smaller than this are sorted by the thread that made them: handing
// them over costs more than it spreads.
constexpr qsizetype handedOverCount = 32768;

void sortOnThreads(Part whole, Packing packing)
{
    if (whole.count < 2 * handedOverCount || workThreads() == 1)
        return sortFrom(whole, packing);
    SortTasks tasks(whole);
    forEachTask(workThreads(), [&](qsizetype) {
        for (Part part; tasks.take(part); tasks.finished()) {
            while (part.count >= handedOverCount) {
                const std::array<Part, 3> parts = partition(part, packing);
                for (const Part &smaller : {parts[0], parts[1]}) {
                    if (smaller.count >= handedOverCount)
                        tasks.give(smaller);
                    else
                        sortFrom(smaller, packing);
                }
                part = parts[2];
            }
            sortFrom(part, packing);
        }
    });
}

// The keys of a sort, made on the work threads, each their share. Their
// memory is new from the system, and its first touch costs more than all
// the rest of filling it: on a virtual machine that took 1 to 7 microseconds
// a page, moving fourteen million texts into new keys took up to 2 s on the
// list's thread instead of half a second.
class SortKeys
{
public:
    explicit SortKeys(qsizetype count)
        : keys(std::allocator<SortKey>().allocate(size_t(count)))
        , count(count)
    {
        try {
            forEachPart(count, handedOverCount, [this](qsizetype begin, qsizetype end) {
                std::uninitialized_default_construct(keys + begin, keys + end);
            });
        } catch (...) {
            std::allocator<SortKey>().deallocate(keys, size_t(count));
            throw;
        }
    }
    ~SortKeys() { std::allocator<SortKey>().deallocate(keys, size_t(count)); }
    SortKeys(const SortKeys &) = delete;
    SortKeys &operator=(const SortKeys &) = delete;

    SortKey &operator[](qsizetype index) { return keys[index]; }
    SortKey *data() { return keys; }

private:
    SortKey *keys;
    qsizetype count;
};

} // namespace

void sortEntries(qsizetype count, const std::function<CompactText(qsizetype row)> &take,
                 const std::function<void(qsizetype row, CompactText &&text)> &put)
{
    // The texts are moved into the keys and back, so that they sort in place
    // of their rows without a second array of them beside the keys. Whatever
    // stops the sort, such as no memory left for its list of parts still to
    // sort, the texts taken go back to the rows in the order they have
    // reached: none is lost.
    SortKeys keys(count);
    qsizetype taken = 0;
    const auto putBack = [&] {
        for (qsizetype row = 0; row < taken; ++row)
            put(row, keys[row].text.unpack());
    };
    try {
        bool allLatin1 = true;
        for (; taken < count; ++taken) {
            keys[taken].text = PackedText(take(taken));
            allLatin1 = allLatin1 && !keys[taken].text.isWide();
        }
        const Packing packing = allLatin1 ? latin1Packing : utf16Packing;
        forEachPart(count, handedOverCount,
                    [&](qsizetype begin, qsizetype end) { packAt(keys.data() + begin, end - begin, 0, packing); });
        sortOnThreads({keys.data(), count, 0}, packing);
    } catch (...) {
        putBack();
        throw;
    }
    putBack();
}

namespace {

// Fewer entries than this are not worth a thread of their own.
constexpr qsizetype shareCount = 16384;

// The rows of a prune sorted by the high bits of their hashes into buckets,
// each in row order: every repeat of a text has its hash, so it lies in the
// bucket of the text's first occurrence, after it. A bucket's table then
// stays in the processor's cache, where one table for each thread's share of
// the rows, 64 MB at fourteen million entries, missed it on nearly every
// lookup.
struct HashBuckets {
    std::vector<quint32> rows;
    // Where each bucket's rows begin in rows, and where the last one ends.
    std::vector<qsizetype> starts;
    int shift;

    explicit HashBuckets(const std::vector<quint32> &hashes)
    {
        constexpr qsizetype rowsPerBucket = 16384;
        int bits = 0;
        while (bits < 16 && (qsizetype(rowsPerBucket) << bits) < qsizetype(hashes.size()))
            ++bits;
        shift = 32 - bits;
        starts.assign((size_t(1) << bits) + 1, 0);
        for (const quint32 hashValue : hashes)
            ++starts[bucketOf(hashValue) + 1];
        for (size_t bucket = 1; bucket < starts.size(); ++bucket)
            starts[bucket] += starts[bucket - 1];
        std::vector<qsizetype> next(starts.cbegin(), starts.cend() - 1);
        rows.resize(hashes.size());
        for (size_t row = 0; row < hashes.size(); ++row)
            rows[size_t(next[bucketOf(hashes[row])]++)] = quint32(row);
    }
    qsizetype count() const { return qsizetype(starts.size()) - 1; }
    // Shifting a 32-bit number by 32 is undefined; a single bucket takes all.
    size_t bucketOf(quint32 hashValue) const { return shift == 32 ? 0 : hashValue >> shift; }
};

// Marks in first the rows of a bucket that are the first of their text.
void markFirstsInBucket(const HashBuckets &buckets, qsizetype bucket, const std::vector<const CompactText *> &texts,
                        const std::vector<quint32> &hashes, std::vector<quint8> &first)
{
    const quint32 *rows = buckets.rows.data() + buckets.starts[size_t(bucket)];
    const qsizetype members = buckets.starts[size_t(bucket) + 1] - buckets.starts[size_t(bucket)];
    // Open addressing in one block of memory. A slot holds 1 + the row of the
    // first entry with some text; texts are compared only where hashes match.
    // A repeat probes the same slots as its first occurrence did, all of them
    // still taken, so it always meets it. The bucket takes the high bits of a
    // hash, the slot its low ones.
    qsizetype capacity = 16;
    while (capacity < members + members / 2)
        capacity *= 2;
    const size_t mask = size_t(capacity) - 1;
    std::vector<quint32> table(size_t(capacity), 0);
    for (qsizetype member = 0; member < members; ++member) {
        const quint32 row = rows[member];
        const quint32 hashValue = hashes[row];
        for (size_t slot = hashValue & mask;; slot = (slot + 1) & mask) {
            const qsizetype taken = qsizetype(table[slot]) - 1;
            if (taken < 0) {
                table[slot] = row + 1;
                first[row] = 1;
                break;
            }
            if (hashes[size_t(taken)] == hashValue && *texts[size_t(taken)] == *texts[row])
                break;
        }
    }
}

size_t qtHash(const CompactText &text)
{
    return qHash(text, QHashSeed::globalSeed());
}

} // namespace

std::vector<bool> firstOfEachText(qsizetype count, const std::function<const CompactText &(qsizetype row)> &textAt)
{
    return firstOfEachText(count, textAt, qtHash);
}

std::vector<bool> firstOfEachText(qsizetype count, const std::function<const CompactText &(qsizetype row)> &textAt,
                                  TextHash hash)
{
    // textAt may read the rows of a list, which only this thread may touch;
    // the other threads work on the texts it found there.
    std::vector<const CompactText *> texts(static_cast<size_t>(count));
    for (qsizetype row = 0; row < count; ++row)
        texts[size_t(row)] = &textAt(row);

    // All hashes first, in one pass over the texts in order, which the
    // processor can stream; hashing each entry just before its lookup made the
    // whole prune several times slower at a million entries.
    // Kept to 32 bits, at half the memory. Those do not tell every two texts
    // apart: a million entries hold about a hundred pairs of equal hashes, and
    // more as the list grows. That costs only a comparison of the two texts,
    // which decides whether they are the same.
    std::vector<quint32> hashes(static_cast<size_t>(count));
    forEachPart(count, shareCount, [&](qsizetype begin, qsizetype end) {
        for (qsizetype row = begin; row < end; ++row)
            hashes[size_t(row)] = quint32(hash(*texts[size_t(row)]));
    });

    // The threads take a bucket at a time; the buckets follow from the hashes
    // alone, so each row's answer is the same however many threads there
    // are. Bytes, not bits, so that threads never write to the same byte.
    const HashBuckets buckets(hashes);
    std::vector<quint8> first(static_cast<size_t>(count), 0);
    forEachTask(buckets.count(), [&](qsizetype bucket) { markFirstsInBucket(buckets, bucket, texts, hashes, first); });
    return std::vector<bool>(first.cbegin(), first.cend());
}

} // namespace quillmark
