#include "EntryRewrites.h"

#include "FinalSigma.h"

#include <QStringBuilder>
#include <QStringList>

#include <algorithm>
#include <optional>

namespace quillmark {

namespace {

// The rewrites over QString, for every text the Latin-1 paths below do not
// take.
void upperStrings(QStringList &entries)
{
    for (QString &entry : entries)
        entry = std::move(entry).toUpper();
}

void lowerStrings(QStringList &entries)
{
    for (QString &entry : entries)
        entry = toLowerWithFinalSigma(std::move(entry));
}

void affixStrings(QStringList &entries, const Affixes &affixes)
{
    const QString prefix = affixes.usePrefix ? affixes.prefix : QString();
    const QString suffix = affixes.useSuffix ? affixes.suffix : QString();
    if (prefix.isEmpty() && suffix.isEmpty())
        return;
    // One new text per entry, sized once, instead of one for the prefix and
    // a regrowth for the suffix.
    for (QString &entry : entries)
        entry = prefix % entry % suffix;
}

// The replacement before every character and after the last one. A character
// above U+FFFF is one surrogate pair and stays whole: QString::replace with an
// empty search would insert between its halves, and the broken pair would be
// lost on save.
QString interleave(const QString &entry, const QString &insert)
{
    QString result;
    result.reserve(entry.size() + (entry.size() + 1) * insert.size());
    result += insert;
    for (qsizetype i = 0; i < entry.size(); ++i) {
        result += entry.at(i);
        if (entry.at(i).isHighSurrogate() && i + 1 < entry.size() && entry.at(i + 1).isLowSurrogate())
            result += entry.at(++i);
        result += insert;
    }
    return result;
}

void replaceInStrings(QStringList &entries, const QString &before, const QString &after)
{
    if (before.isEmpty()) {
        if (!after.isEmpty()) {
            for (QString &entry : entries)
                entry = interleave(entry, after);
        }
        return;
    }
    for (QString &entry : entries)
        entry.replace(before, after, Qt::CaseSensitive);
}

void cutStrings(QStringList &entries, const QString &marker)
{
    for (QString &entry : entries) {
        const qsizetype at = entry.indexOf(marker, 0, Qt::CaseSensitive);
        if (at >= 0)
            entry.truncate(at + marker.size());
    }
}

// What rewriting a Latin-1 text in its own bytes came to: a result that
// would leave Latin-1 is not written.
enum class Latin1Result { Unchanged, Changed, LeavesLatin1 };

// Rewrites each Latin-1 text with inLatin1, which changes its bytes in place
// where the result stays Latin-1, and passes the others to inStrings, all at
// once. A text that comes out as it was is the same text still, and keeps
// what it remembers (its width on screen): nothing of it needs measuring.
template <typename InLatin1, typename InStrings>
void rewrite(QList<CompactText> &entries, InLatin1 &&inLatin1, InStrings &&inStrings)
{
    QList<qsizetype> rows;
    QStringList texts;
    for (qsizetype row = 0; row < entries.size(); ++row) {
        CompactText &entry = entries[row];
        if (!entry.isWide()) {
            const quint32 remembered = entry.rememberedValue();
            const Latin1Result result = inLatin1(*entry.latin1Bytes());
            if (result == Latin1Result::Unchanged)
                entry.remember(remembered);
            if (result != Latin1Result::LeavesLatin1)
                continue;
        }
        rows.append(row);
        texts.append(entry.toString());
    }
    if (rows.isEmpty())
        return;
    inStrings(texts);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        CompactText rewritten(texts.at(i));
        if (!(rewritten == entries.at(rows.at(i))))
            entries[rows.at(i)] = std::move(rewritten);
    }
}

// A text's Latin-1 bytes, or nothing when it holds a character beyond.
std::optional<QByteArray> latin1Of(const QString &text)
{
    const CompactText compact(text);
    if (compact.isWide())
        return std::nullopt;
    return compact.latin1();
}

// Within Latin-1 a letter's other case is 0x20 away, except for the signs ×
// and ÷, and for ß, ÿ and µ, whose capitals lie outside it.
enum class Case { Upper, Lower };

bool changesCase(uchar unit, Case to)
{
    const uchar letter = to == Case::Upper ? uchar(unit - 0x20) : unit;
    return (uchar(letter - 'A') < 26 || uchar(letter - 0xC0) < 31) && letter != 0xD7;
}

Latin1Result convertCase(QByteArray &bytes, Case to)
{
    const auto leavesLatin1 = [](char byte) { return byte == '\xDF' || byte == '\xFF' || byte == '\xB5'; };
    if (to == Case::Upper && std::any_of(bytes.cbegin(), bytes.cend(), leavesLatin1))
        return Latin1Result::LeavesLatin1;
    // The text was moved out of its row, so writing to it copies nothing.
    bool changed = false;
    for (char &byte : bytes) {
        if (changesCase(uchar(byte), to)) {
            byte ^= 0x20;
            changed = true;
        }
    }
    return changed ? Latin1Result::Changed : Latin1Result::Unchanged;
}

} // namespace

void convertToUpper(QList<CompactText> &entries)
{
    rewrite(entries, [](QByteArray &bytes) { return convertCase(bytes, Case::Upper); },
            [](QStringList &texts) { upperStrings(texts); });
}

void convertToLower(QList<CompactText> &entries)
{
    rewrite(entries, [](QByteArray &bytes) { return convertCase(bytes, Case::Lower); },
            [](QStringList &texts) { lowerStrings(texts); });
}

void addAffixes(QList<CompactText> &entries, const Affixes &affixes)
{
    const std::optional<QByteArray> prefix = latin1Of(affixes.usePrefix ? affixes.prefix : QString());
    const std::optional<QByteArray> suffix = latin1Of(affixes.useSuffix ? affixes.suffix : QString());
    if (prefix && suffix && prefix->isEmpty() && suffix->isEmpty())
        return;
    rewrite(entries,
            [&](QByteArray &bytes) {
                if (!prefix || !suffix)
                    return Latin1Result::LeavesLatin1;
                // In one block of the exact size: adding up the parts made a
                // block for each sum and grew the last one with room to spare.
                QByteArray affixed(prefix->size() + bytes.size() + suffix->size(), Qt::Uninitialized);
                char *end = std::copy(prefix->cbegin(), prefix->cend(), affixed.data());
                end = std::copy(bytes.cbegin(), bytes.cend(), end);
                std::copy(suffix->cbegin(), suffix->cend(), end);
                bytes = std::move(affixed);
                return Latin1Result::Changed;
            },
            [&](QStringList &texts) { affixStrings(texts, affixes); });
}

void replaceAll(QList<CompactText> &entries, const QString &before, const QString &after)
{
    const std::optional<QByteArray> search = latin1Of(before);
    const std::optional<QByteArray> replacement = latin1Of(after);
    rewrite(entries,
            [&](QByteArray &bytes) {
                // A search text beyond Latin-1 is in no Latin-1 text.
                if (!search)
                    return Latin1Result::Unchanged;
                // An empty one puts the replacement between characters,
                // which the QString rewrite does.
                if (search->isEmpty())
                    return after.isEmpty() ? Latin1Result::Unchanged : Latin1Result::LeavesLatin1;
                if (!bytes.contains(*search))
                    return Latin1Result::Unchanged;
                // A replacement beyond Latin-1 takes the text beyond it too.
                if (!replacement)
                    return Latin1Result::LeavesLatin1;
                bytes.replace(*search, *replacement);
                return *search == *replacement ? Latin1Result::Unchanged : Latin1Result::Changed;
            },
            [&](QStringList &texts) { replaceInStrings(texts, before, after); });
}

void removeAllAfter(QList<CompactText> &entries, const QString &marker)
{
    const std::optional<QByteArray> bytesMarker = latin1Of(marker);
    rewrite(entries,
            [&](QByteArray &bytes) {
                const qsizetype at = bytesMarker ? bytes.indexOf(*bytesMarker) : -1;
                if (at < 0 || at + bytesMarker->size() == bytes.size())
                    return Latin1Result::Unchanged;
                bytes.truncate(at + bytesMarker->size());
                return Latin1Result::Changed;
            },
            [&](QStringList &texts) { cutStrings(texts, marker); });
}

} // namespace quillmark
