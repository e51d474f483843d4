// The whole-list rewrites with random entries and random field texts.
//
// Every rewrite keeps the number of entries. Beyond that:
//  - Convert to Upper / Lower map ASCII letters as ASCII does and leave every
//    other ASCII character alone;
//  - Convert to Lower differs from QString::toLower only in final sigmas: ς
//    where that has σ, and only in entries that hold a capital sigma; and in
//    surrogates without their partner, which QString::toLower keeps or turns
//    into U+FFFD depending on what came before them and on whether it works
//    in place;
//  - Add String to All gives prefix + entry + suffix, each part only when
//    its box is checked;
//  - Replace with a non-empty search text changes an entry's length by the
//    length difference once per non-overlapping occurrence, and replacing a
//    text by itself changes nothing; with an empty search text the
//    replacement goes before every character (a surrogate pair being one) and
//    after the last one;
//  - Remove all after leaves each entry a prefix of itself: cut just after
//    the marker's first occurrence, so the marker then occurs only at its
//    end, or unchanged when the marker does not occur; an empty marker
//    empties every entry.
// Convert to Upper, and Replace with a non-empty search text, give what
// QString's own rewrites of each entry give, though Latin-1 texts take a path
// of their own.

#include "FuzzSupport.h"

#include "EntryRewrites.h"

#include <algorithm>

namespace {

char16_t asciiUpper(char16_t unit)
{
    return unit >= u'a' && unit <= u'z' ? char16_t(unit - u'a' + u'A') : unit;
}

char16_t asciiLower(char16_t unit)
{
    return unit >= u'A' && unit <= u'Z' ? char16_t(unit - u'A' + u'a') : unit;
}

// The entries rewritten in their compact form, as the program holds them.
template <typename Rewrite>
QStringList rewritten(const QStringList &entries, Rewrite &&rewrite)
{
    QList<quillmark::CompactText> texts = fuzzing::compact(entries);
    rewrite(texts);
    return fuzzing::expanded(texts);
}

bool isAscii(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar unit) { return unit.unicode() < 0x80; });
}

void checkCaseMapping(const QStringList &entries, void (*convert)(QList<quillmark::CompactText> &),
                      char16_t (*ascii)(char16_t))
{
    const QStringList converted = rewritten(entries, convert);
    FUZZ_REQUIRE(converted.size() == entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (!isAscii(entries[i]))
            continue;
        FUZZ_REQUIRE(converted[i].size() == entries[i].size());
        for (qsizetype j = 0; j < entries[i].size(); ++j)
            FUZZ_REQUIRE(converted[i][j].unicode() == ascii(entries[i][j].unicode()));
    }
}

void checkFinalSigma(const QStringList &entries)
{
    const QStringList lowered = rewritten(entries, quillmark::convertToLower);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString plain = entries[i].toLower();
        const bool capitalSigma = entries[i].contains(u'\u03A3');
        FUZZ_REQUIRE(lowered[i].size() == plain.size());
        for (qsizetype j = 0; j < plain.size(); ++j)
            FUZZ_REQUIRE(lowered[i][j] == plain[j]
                         || (capitalSigma && lowered[i][j] == u'\u03C2' && plain[j] == u'\u03C3')
                         || (lowered[i][j].isSurrogate() && plain[j] == QChar::ReplacementCharacter)
                         || (plain[j].isSurrogate() && lowered[i][j] == QChar::ReplacementCharacter));
    }
}

// Counted without QString: scanning on after each match, so matches never overlap.
qsizetype occurrences(const QString &text, const QString &search)
{
    qsizetype count = 0;
    auto from = text.cbegin();
    for (;;) {
        const auto found = std::search(from, text.cend(), search.cbegin(), search.cend());
        if (found == text.cend())
            return count;
        ++count;
        from = found + search.size();
    }
}

qsizetype characters(const QString &text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++count) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
    }
    return count;
}

void checkReplace(const QStringList &entries, const QString &before, const QString &after)
{
    const QStringList replaced = rewritten(entries, [&](auto &list) { quillmark::replaceAll(list, before, after); });
    FUZZ_REQUIRE(replaced.size() == entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString &entry = entries[i];
        if (before.isEmpty()) {
            FUZZ_REQUIRE(replaced[i].size() == entry.size() + (characters(entry) + 1) * after.size());
            FUZZ_REQUIRE(replaced[i].startsWith(after) && replaced[i].endsWith(after));
        } else {
            const qsizetype growth = occurrences(entry, before) * (after.size() - before.size());
            FUZZ_REQUIRE(replaced[i].size() == entry.size() + growth);
        }
    }

    const QStringList unchanged =
            rewritten(entries, [&](auto &list) { quillmark::replaceAll(list, before, before); });
    if (!before.isEmpty())
        FUZZ_REQUIRE(unchanged == entries);
}

void checkRemoveAllAfter(const QStringList &entries, const QString &marker)
{
    const QStringList cut = rewritten(entries, [&](auto &list) { quillmark::removeAllAfter(list, marker); });
    FUZZ_REQUIRE(cut.size() == entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        FUZZ_REQUIRE(entries[i].startsWith(cut[i]));
        if (marker.isEmpty())
            FUZZ_REQUIRE(cut[i].isEmpty());
        else if (entries[i].contains(marker))
            FUZZ_REQUIRE(cut[i].endsWith(marker) && cut[i].indexOf(marker) == cut[i].size() - marker.size());
        else
            FUZZ_REQUIRE(cut[i] == entries[i]);
    }
}

void checkAffixes(const QStringList &entries, const quillmark::Affixes &affixes)
{
    const QStringList added = rewritten(entries, [&](auto &list) { quillmark::addAffixes(list, affixes); });
    FUZZ_REQUIRE(added.size() == entries.size());
    const QString front = affixes.usePrefix ? affixes.prefix : QString();
    const QString back = affixes.useSuffix ? affixes.suffix : QString();
    for (qsizetype i = 0; i < entries.size(); ++i)
        FUZZ_REQUIRE(added[i] == front + entries[i] + back);
}

void checkAgreesWithQString(const QStringList &entries, const QString &before, const QString &after)
{
    const QStringList upper = rewritten(entries, quillmark::convertToUpper);
    const QStringList replaced = rewritten(entries, [&](auto &list) { quillmark::replaceAll(list, before, after); });
    for (qsizetype i = 0; i < entries.size(); ++i) {
        // A text of its own, converted in place as the rewrite does: a lone
        // surrogate comes out as it went in or as U+FFFD by the way it is
        // converted.
        FUZZ_REQUIRE(upper[i] == QString(entries[i].constData(), entries[i].size()).toUpper());
        if (!before.isEmpty())
            FUZZ_REQUIRE(replaced[i] == QString(entries[i]).replace(before, after));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    quillmark::Affixes affixes;
    affixes.usePrefix = input.ConsumeBool();
    affixes.useSuffix = input.ConsumeBool();
    affixes.prefix = fuzzing::takeText(input, 8);
    affixes.suffix = fuzzing::takeText(input, 8);
    const QString before = fuzzing::takeText(input, 8);
    const QString after = fuzzing::takeText(input, 8);
    const QString marker = fuzzing::takeText(input, 8);
    const QStringList entries = fuzzing::takeEntries(input);

    checkCaseMapping(entries, quillmark::convertToUpper, asciiUpper);
    checkCaseMapping(entries, quillmark::convertToLower, asciiLower);
    checkFinalSigma(entries);
    checkAffixes(entries, affixes);
    checkReplace(entries, before, after);
    checkRemoveAllAfter(entries, marker);
    checkAgreesWithQString(entries, before, after);
    return 0;
}
