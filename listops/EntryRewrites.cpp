#include "EntryRewrites.h"

#include <QStringBuilder>

#include <algorithm>

namespace quillmark {

namespace {

bool isAscii(QStringView text)
{
    char16_t units = 0;
    for (const QChar unit : text)
        units |= unit.unicode();
    return units < 0x80;
}

// Case in an ASCII text, a unit at a time: the Unicode tables cost about
// twenty times as much, and nearly every entry of a typical list is ASCII. A
// text without letters to change stays shared, as the Unicode mapping leaves
// it, so it is not written back.
QString convertAsciiCase(QString entry, char16_t first)
{
    const auto toChange = [first](QChar unit) { return char16_t(unit.unicode() - first) < 26; };
    const auto from = std::find_if(entry.cbegin(), entry.cend(), toChange);
    if (from == entry.cend())
        return entry;
    const qsizetype start = from - entry.cbegin();
    for (auto unit = entry.begin() + start; unit != entry.end(); ++unit) {
        if (toChange(*unit))
            *unit = QChar(unit->unicode() ^ 0x20);
    }
    return entry;
}

} // namespace

void convertToUpper(QStringList &entries)
{
    for (QString &entry : entries)
        entry = isAscii(entry) ? convertAsciiCase(std::move(entry), u'a') : std::move(entry).toUpper();
}

void convertToLower(QStringList &entries)
{
    for (QString &entry : entries)
        entry = isAscii(entry) ? convertAsciiCase(std::move(entry), u'A') : std::move(entry).toLower();
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
