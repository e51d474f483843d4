#include "EntryOrdering.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace quillmark {

namespace {

// An entry as the sort sees it: its code units, one byte or two each, and
// where it stood. Sixteen bytes, as many as a key of one width took.
struct SortKey {
    const void *units;
    quint32 size : 31;
    quint32 wide : 1;
    quint32 row;
};

// The code unit at a depth, or -1 past the end, so that a text sorts before
// every longer text it begins.
int unitAt(const SortKey &key, quint32 depth)
{
    if (depth >= key.size)
        return -1;
    return key.wide ? int(static_cast<const char16_t *>(key.units)[depth])
                    : int(static_cast<const uchar *>(key.units)[depth]);
}

// Whether a sorts before b, both sharing their first depth units.
bool sortsBefore(const SortKey &a, const SortKey &b, quint32 depth)
{
    for (;; ++depth) {
        const int unitA = unitAt(a, depth);
        const int unitB = unitAt(b, depth);
        if (unitA != unitB || unitA < 0)
            return unitA < unitB;
    }
}

// Multikey quicksort: partitions by one code unit at a time, so the long
// prefixes that lists share ("https://www.") are read once per partition
// rather than once per comparison; at a million entries that halves the time
// of a comparison sort. All keys share their first depth units.
void sortFrom(SortKey *keys, qsizetype count, quint32 depth)
{
    while (count > 1) {
        if (count < 16) {
            std::sort(keys, keys + count,
                      [depth](const SortKey &a, const SortKey &b) { return sortsBefore(a, b, depth); });
            return;
        }
        std::swap(keys[0], keys[count / 2]);
        const int pivot = unitAt(keys[0], depth);
        // [0, less) below the pivot, [less, i) equal, (greater, count) above.
        qsizetype less = 0;
        qsizetype greater = count - 1;
        for (qsizetype i = 1; i <= greater;) {
            const int unit = unitAt(keys[i], depth);
            if (unit < pivot)
                std::swap(keys[less++], keys[i++]);
            else if (unit > pivot)
                std::swap(keys[i], keys[greater--]);
            else
                ++i;
        }
        struct Part {
            SortKey *keys;
            qsizetype count;
            quint32 depth;
        };
        // Texts that ended here are equal and in place.
        const qsizetype equal = pivot < 0 ? 0 : greater + 1 - less;
        Part parts[] = {{keys, less, depth}, {keys + less, equal, depth + 1},
                        {keys + greater + 1, count - greater - 1, depth}};
        // The largest part is sorted by this loop and only the others by
        // recursion, which then never goes deeper than log2 of the count.
        std::sort(std::begin(parts), std::end(parts), [](const Part &a, const Part &b) { return a.count < b.count; });
        sortFrom(parts[0].keys, parts[0].count, parts[0].depth);
        sortFrom(parts[1].keys, parts[1].count, parts[1].depth);
        keys = parts[2].keys;
        count = parts[2].count;
        depth = parts[2].depth;
    }
}

} // namespace

void sortEntries(QList<CompactText> &entries)
{
    std::vector<SortKey> keys;
    keys.reserve(size_t(entries.size()));
    for (qsizetype row = 0; row < entries.size(); ++row) {
        const CompactText &entry = entries.at(row);
        keys.push_back({entry.data(), quint32(entry.size()), entry.isWide(), quint32(row)});
    }
    sortFrom(keys.data(), qsizetype(keys.size()), 0);

    // Put the entries in the sorted order in place, one cycle of the
    // permutation at a time; a key's row is set to its own place once done.
    for (qsizetype start = 0; start < qsizetype(keys.size()); ++start) {
        if (keys[size_t(start)].row == quint32(start))
            continue;
        CompactText held = std::move(entries[start]);
        qsizetype place = start;
        while (keys[size_t(place)].row != quint32(start)) {
            const qsizetype from = keys[size_t(place)].row;
            entries[place] = std::move(entries[from]);
            keys[size_t(place)].row = quint32(place);
            place = from;
        }
        entries[place] = std::move(held);
        keys[size_t(place)].row = quint32(place);
    }
}

QList<CompactText> pruneEntries(QList<CompactText> entries)
{
    return pruneEntries(std::move(entries),
                        [](const CompactText &text) { return qHash(text, QHashSeed::globalSeed()); });
}

QList<CompactText> pruneEntries(QList<CompactText> entries, TextHash hash)
{
    // All hashes first, in one pass over the texts in order, which the
    // processor can stream; hashing each entry just before its lookup made the
    // whole prune several times slower at a million entries.
    // Kept to 32 bits, which tell texts apart as well at any list size that
    // fits in memory, at half the memory.
    std::vector<quint32> hashes(size_t(entries.size()));
    for (qsizetype row = 0; row < entries.size(); ++row)
        hashes[size_t(row)] = quint32(hash(entries.at(row)));

    // An open-addressing table in one block of memory: QHash keeps each group
    // of buckets in an allocation of its own, which in a heap holding a
    // million list items lie far apart, so that every lookup misses the cache.
    // A slot holds 1 + the row of the first entry with some text; texts are
    // compared only where hashes match. A repeat probes the same slots as its
    // first occurrence did, all of them still taken, so it always meets it.
    qsizetype capacity = 16;
    while (capacity < entries.size() + entries.size() / 2)
        capacity *= 2;
    const size_t mask = size_t(capacity) - 1;
    std::vector<quint32> table(size_t(capacity), 0);
    std::vector<bool> first(size_t(entries.size()), false);
    qsizetype survivorCount = 0;
    for (qsizetype row = 0; row < entries.size(); ++row) {
        const quint32 hashValue = hashes[size_t(row)];
        for (size_t slot = hashValue & mask;; slot = (slot + 1) & mask) {
            const qsizetype taken = qsizetype(table[slot]) - 1;
            if (taken < 0) {
                table[slot] = quint32(row + 1);
                first[size_t(row)] = true;
                ++survivorCount;
                break;
            }
            if (hashes[size_t(taken)] == hashValue && entries.at(taken) == entries.at(row))
                break;
        }
    }

    // Survivors move to the front, in order, and the list shrinks to them.
    qsizetype kept = 0;
    for (qsizetype row = 0; row < entries.size(); ++row) {
        if (first[size_t(row)] && kept++ != row)
            entries[kept - 1] = std::move(entries[row]);
    }
    entries.resize(survivorCount);
    entries.squeeze();
    return entries;
}

} // namespace quillmark
