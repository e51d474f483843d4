#include "EntryOrdering.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace quillmark {

namespace {

// An entry as the sort sees it: its code units and where it stood.
struct SortKey {
    const char16_t *units;
    quint32 size;
    quint32 row;
};

// The code unit at a depth, or -1 past the end, so that a text sorts before
// every longer text it begins.
int unitAt(const SortKey &key, quint32 depth)
{
    return depth < key.size ? int(key.units[depth]) : -1;
}

// Multikey quicksort: partitions by one code unit at a time, so the long
// prefixes that lists share ("https://www.") are read once per partition
// rather than once per comparison; at a million entries that halves the time
// of a comparison sort. All keys share their first depth units.
void sortFrom(SortKey *keys, qsizetype count, quint32 depth)
{
    while (count > 1) {
        if (count < 16) {
            std::sort(keys, keys + count, [depth](const SortKey &a, const SortKey &b) {
                return std::lexicographical_compare(a.units + std::min(depth, a.size), a.units + a.size,
                                                    b.units + std::min(depth, b.size), b.units + b.size);
            });
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

void sortEntries(QStringList &entries)
{
    std::vector<SortKey> keys;
    keys.reserve(size_t(entries.size()));
    for (qsizetype row = 0; row < entries.size(); ++row) {
        const QString &entry = entries.at(row);
        keys.push_back({reinterpret_cast<const char16_t *>(entry.constData()), quint32(entry.size()), quint32(row)});
    }
    sortFrom(keys.data(), qsizetype(keys.size()), 0);

    // Put the entries in the sorted order in place, one cycle of the
    // permutation at a time; a key's row is set to its own place once done.
    for (qsizetype start = 0; start < qsizetype(keys.size()); ++start) {
        if (keys[size_t(start)].row == quint32(start))
            continue;
        QString held = std::move(entries[start]);
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

QStringList pruneEntries(const QStringList &entries)
{
    return pruneEntries(entries, [](QStringView text) { return qHash(text, QHashSeed::globalSeed()); });
}

QStringList pruneEntries(const QStringList &entries, TextHash hash)
{
    // All hashes first, in one pass over the texts in order, which the
    // processor can stream; hashing each entry just before its lookup made the
    // whole prune several times slower at a million entries.
    std::vector<quint64> hashes(size_t(entries.size()));
    for (qsizetype row = 0; row < entries.size(); ++row)
        hashes[size_t(row)] = hash(entries.at(row));

    // An open-addressing table in one block of memory: QHash keeps each group
    // of buckets in an allocation of its own, which in a heap holding a
    // million list items lie far apart, so that every lookup misses the cache.
    // A slot holds the upper half of an entry's hash and 1 + its row; texts
    // are compared only where those halves match. A repeat probes the same
    // slots as its first occurrence did, all of them still taken, so it
    // always meets it.
    qsizetype capacity = 16;
    while (capacity < entries.size() + entries.size() / 2)
        capacity *= 2;
    const quint64 mask = quint64(capacity) - 1;
    constexpr quint64 rowBits = 0xffff'ffff;
    std::vector<quint64> table(size_t(capacity), 0);
    QStringList survivors;
    for (qsizetype row = 0; row < entries.size(); ++row) {
        const quint64 hashValue = hashes[size_t(row)];
        const quint64 tag = hashValue & ~rowBits;
        for (quint64 slot = hashValue & mask;; slot = (slot + 1) & mask) {
            const quint64 taken = table[slot];
            if (taken == 0) {
                table[slot] = tag | quint64(row + 1);
                survivors.append(entries.at(row));
                break;
            }
            if ((taken & ~rowBits) == tag && entries.at(qsizetype(taken & rowBits) - 1) == entries.at(row))
                break;
        }
    }
    return survivors;
}

} // namespace quillmark
