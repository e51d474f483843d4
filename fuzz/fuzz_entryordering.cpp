// Sort and Prune over random lists (repeats come often, since most texts are
// short Latin-1 strings).
//
// Sort: the output is in ascending order of UTF-16 code units, compared here
// unit by unit without QString, and holds exactly the input's texts, each as
// often as before.
// Prune: the output holds no two equal texts, is a subsequence of the input,
// holds every text of the input, and keeps the first occurrence of each: the
// survivors' first positions in the input rise strictly.

#include "FuzzSupport.h"

#include "EntryOrdering.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

bool unitsNotAfter(const QString &a, const QString &b)
{
    return !std::lexicographical_compare(b.utf16(), b.utf16() + b.size(), a.utf16(), a.utf16() + a.size());
}

QHash<QString, int> tally(const QStringList &texts)
{
    QHash<QString, int> counts;
    for (const QString &text : texts)
        ++counts[text];
    return counts;
}

void checkSort(const QStringList &entries)
{
    QList<quillmark::CompactText> sortedTexts = fuzzing::compact(entries);
    fuzzing::sortTexts(sortedTexts);
    const QStringList sorted = fuzzing::expanded(sortedTexts);
    for (qsizetype i = 1; i < sorted.size(); ++i)
        FUZZ_REQUIRE(unitsNotAfter(sorted[i - 1], sorted[i]));
    FUZZ_REQUIRE(tally(sorted) == tally(entries));
}

bool isSubsequence(const QStringList &part, const QStringList &whole)
{
    qsizetype at = 0;
    for (const QString &text : part) {
        while (at < whole.size() && whole[at] != text)
            ++at;
        if (at == whole.size())
            return false;
        ++at;
    }
    return true;
}

void checkPrune(const QStringList &entries)
{
    const QStringList survivors = fuzzing::prunedEntries(entries);
    const QSet<QString> distinct(survivors.cbegin(), survivors.cend());
    FUZZ_REQUIRE(distinct.size() == survivors.size());
    FUZZ_REQUIRE(isSubsequence(survivors, entries));
    FUZZ_REQUIRE(distinct == QSet<QString>(entries.cbegin(), entries.cend()));
    qsizetype previous = -1;
    for (const QString &text : survivors) {
        const qsizetype first = entries.indexOf(text);
        FUZZ_REQUIRE(first > previous);
        previous = first;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QStringList entries = fuzzing::takeEntries(input, 200);
    checkSort(entries);
    checkPrune(entries);
    return 0;
}
