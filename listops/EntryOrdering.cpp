#include "EntryOrdering.h"

#include "Prefetch.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace quillmark {

namespace {

// An entry as the sort holds it: the text itself, moved in, and its next few
// code units from the depth being sorted packed into one number. Most steps
// compare and move these numbers in order through one array, and the texts,
// scattered across the heap, are read only a few units at a time.
struct SortKey {
    CompactText text;
    quint64 packed = 0;
};

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
int unitAt(const CompactText &text, qsizetype depth)
{
    if (depth >= text.size())
        return -1;
    return text.isWide() ? int(static_cast<const char16_t *>(text.data())[depth])
                         : int(static_cast<const uchar *>(text.data())[depth]);
}

quint64 packedUnits(const CompactText &text, qsizetype depth, Packing packing)
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
            const CompactText &text = keys[i + ahead].text;
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

// Multikey quicksort: partitions by the packed units at one depth, so the long
// prefixes that lists share ("https://www.") are read once per partition
// rather than once per comparison. All keys share their first depth units and
// are packed from there.
void sortFrom(SortKey *keys, qsizetype count, qsizetype depth, Packing packing)
{
    while (count > 1) {
        if (count < 16) {
            std::sort(keys, keys + count, [depth, packing](const SortKey &a, const SortKey &b) {
                return sortsBefore(a, b, depth, packing);
            });
            return;
        }
        std::swap(keys[0], keys[count / 2]);
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
        struct Part {
            SortKey *keys;
            qsizetype count;
            qsizetype depth;
        };
        // Texts that ended within the pivot's units are equal and in place;
        // the others go on from the units after them.
        const bool equalDone = endsWithin(pivot, packing);
        const qsizetype equal = equalDone ? 0 : greater + 1 - less;
        if (!equalDone)
            packAt(keys + less, equal, depth + packing.units, packing);
        Part parts[] = {{keys, less, depth}, {keys + less, equal, depth + packing.units},
                        {keys + greater + 1, count - greater - 1, depth}};
        // The largest part is sorted by this loop and only the others by
        // recursion, which then never goes deeper than log2 of the count.
        std::sort(std::begin(parts), std::end(parts), [](const Part &a, const Part &b) { return a.count < b.count; });
        sortFrom(parts[0].keys, parts[0].count, parts[0].depth, packing);
        sortFrom(parts[1].keys, parts[1].count, parts[1].depth, packing);
        keys = parts[2].keys;
        count = parts[2].count;
        depth = parts[2].depth;
    }
}

} // namespace

void sortEntries(QList<CompactText> &entries)
{
    sortEntries(
            entries.size(), [&](qsizetype row) { return std::move(entries[row]); },
            [&](qsizetype row, CompactText &&text) { entries[row] = std::move(text); });
}

void sortEntries(qsizetype count, const std::function<CompactText(qsizetype row)> &take,
                 const std::function<void(qsizetype row, CompactText &&text)> &put)
{
    // The texts are moved into the keys and back, so that they sort in place
    // of their rows without a second array of them beside the keys.
    std::vector<SortKey> keys;
    keys.reserve(size_t(count));
    bool allLatin1 = true;
    for (qsizetype row = 0; row < count; ++row) {
        keys.push_back({take(row)});
        allLatin1 = allLatin1 && !keys.back().text.isWide();
    }
    const Packing packing = allLatin1 ? latin1Packing : utf16Packing;
    packAt(keys.data(), count, 0, packing);
    sortFrom(keys.data(), count, 0, packing);
    for (qsizetype row = 0; row < count; ++row)
        put(row, std::move(keys[size_t(row)].text));
}

namespace {

size_t qtHash(const CompactText &text)
{
    return qHash(text, QHashSeed::globalSeed());
}

} // namespace

QList<CompactText> pruneEntries(QList<CompactText> entries)
{
    return pruneEntries(std::move(entries), qtHash);
}

std::vector<bool> firstOfEachText(qsizetype count, const std::function<const CompactText &(qsizetype row)> &textAt)
{
    return firstOfEachText(count, textAt, qtHash);
}

QList<CompactText> pruneEntries(QList<CompactText> entries, TextHash hash)
{
    const std::vector<bool> first =
            firstOfEachText(
                    entries.size(), [&](qsizetype row) -> const CompactText & { return entries.at(row); }, hash);
    // Survivors move to the front, in order, and the list shrinks to them.
    qsizetype kept = 0;
    for (qsizetype row = 0; row < entries.size(); ++row) {
        if (first[size_t(row)] && kept++ != row)
            entries[kept - 1] = std::move(entries[row]);
    }
    entries.resize(kept);
    entries.squeeze();
    return entries;
}

std::vector<bool> firstOfEachText(qsizetype count, const std::function<const CompactText &(qsizetype row)> &textAt,
                                  TextHash hash)
{
    // All hashes first, in one pass over the texts in order, which the
    // processor can stream; hashing each entry just before its lookup made the
    // whole prune several times slower at a million entries.
    // Kept to 32 bits, at half the memory. Those do not tell every two texts
    // apart: a million entries hold about a hundred pairs of equal hashes, and
    // more as the list grows. That costs only a comparison of the two texts,
    // which decides whether they are the same.
    std::vector<quint32> hashes(static_cast<size_t>(count));
    for (qsizetype row = 0; row < count; ++row)
        hashes[size_t(row)] = quint32(hash(textAt(row)));

    // An open-addressing table in one block of memory: QHash keeps each group
    // of buckets in an allocation of its own, which in a heap holding a
    // million list items lie far apart, so that every lookup misses the cache.
    // A slot holds 1 + the row of the first entry with some text; texts are
    // compared only where hashes match. A repeat probes the same slots as its
    // first occurrence did, all of them still taken, so it always meets it.
    qsizetype capacity = 16;
    while (capacity < count + count / 2)
        capacity *= 2;
    const size_t mask = size_t(capacity) - 1;
    std::vector<quint32> table(size_t(capacity), 0);
    std::vector<bool> first(static_cast<size_t>(count), false);
    for (qsizetype row = 0; row < count; ++row) {
        const quint32 hashValue = hashes[size_t(row)];
        for (size_t slot = hashValue & mask;; slot = (slot + 1) & mask) {
            const qsizetype taken = qsizetype(table[slot]) - 1;
            if (taken < 0) {
                table[slot] = quint32(row + 1);
                first[size_t(row)] = true;
                break;
            }
            if (hashes[size_t(taken)] == hashValue && textAt(taken) == textAt(row))
                break;
        }
    }
    return first;
}

} // namespace quillmark
