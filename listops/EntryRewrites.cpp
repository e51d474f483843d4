#include "EntryRewrites.h"

namespace quillmark {

void convertToUpper(QStringList &entries)
{
    for (QString &entry : entries)
        entry = std::move(entry).toUpper();
}

void convertToLower(QStringList &entries)
{
    for (QString &entry : entries)
        entry = std::move(entry).toLower();
}

void addAffixes(QStringList &entries, const Affixes &affixes)
{
    for (QString &entry : entries) {
        if (affixes.usePrefix)
            entry.prepend(affixes.prefix);
        if (affixes.useSuffix)
            entry.append(affixes.suffix);
    }
}

void replaceAll(QStringList &entries, const QString &before, const QString &after)
{
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
