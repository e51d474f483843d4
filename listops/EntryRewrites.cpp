#include "EntryRewrites.h"

#include <QStringBuilder>

#include <algorithm>
#include <optional>

namespace quillmark {

namespace {

// Case in a Latin-1 text, a unit at a time: the Unicode tables cost ten to
// twenty times as much, and nearly every entry of a typical list is Latin-1.
// Within Latin-1 a letter's other case is 0x20 away, except for the signs
// × and ÷, and for ß, ÿ and µ, whose capitals lie outside it; a text with one
// of those takes the Unicode mapping. A text without letters to change stays
// shared, as the Unicode mapping leaves it, so it is not written back.
enum class Case { Upper, Lower };

bool changesCase(char16_t unit, Case to)
{
    const char16_t letter = to == Case::Upper ? unit - 0x20 : unit;
    return (char16_t(letter - u'A') < 26 || char16_t(letter - 0xC0) < 31) && letter != 0xD7;
}

std::optional<QString> convertLatin1Case(QString entry, Case to)
{
    char16_t units = 0;
    for (const QChar unit : std::as_const(entry))
        units |= unit.unicode();
    if (units > 0xFF)
        return std::nullopt;
    const auto outsideLatin1 = [](QChar unit) { return unit == u'ß' || unit == u'ÿ' || unit == u'µ'; };
    if (to == Case::Upper && units >= 0xB5 && std::any_of(entry.cbegin(), entry.cend(), outsideLatin1))
        return std::nullopt;
    const auto from = std::find_if(entry.cbegin(), entry.cend(),
                                   [to](QChar unit) { return changesCase(unit.unicode(), to); });
    if (from == entry.cend())
        return entry;
    const qsizetype start = from - entry.cbegin();
    char16_t *data = reinterpret_cast<char16_t *>(entry.data());
    for (qsizetype i = start; i < entry.size(); ++i) {
        if (changesCase(data[i], to))
            data[i] ^= 0x20;
    }
    return entry;
}

} // namespace

void convertToUpper(QStringList &entries)
{
    for (QString &entry : entries) {
        std::optional<QString> converted = convertLatin1Case(entry, Case::Upper);
        entry = converted ? std::move(*converted) : std::move(entry).toUpper();
    }
}

void convertToLower(QStringList &entries)
{
    for (QString &entry : entries) {
        std::optional<QString> converted = convertLatin1Case(entry, Case::Lower);
        entry = converted ? std::move(*converted) : std::move(entry).toLower();
    }
}

void addAffixes(QStringList &entries, const Affixes &affixes)
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

namespace {

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

} // namespace

void replaceAll(QStringList &entries, const QString &before, const QString &after)
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

void removeAllAfter(QStringList &entries, const QString &marker)
{
    for (QString &entry : entries) {
        const qsizetype at = entry.indexOf(marker, 0, Qt::CaseSensitive);
        if (at >= 0)
            entry.truncate(at + marker.size());
    }
}

} // namespace quillmark
