#include "EntryOrdering.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace quillmark {

void sortEntries(QStringList &entries)
{
    std::sort(entries.begin(), entries.end());
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
