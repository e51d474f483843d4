#include "EntryRewrites.h"

#include "FinalSigma.h"

#include <QStringBuilder>

namespace quillmark {

void convertToUpper(QStringList &entries)
{
    for (QString &entry : entries)
        entry = std::move(entry).toUpper();
}

void convertToLower(QStringList &entries)
{
    for (QString &entry : entries)
        entry = toLowerWithFinalSigma(std::move(entry));
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
