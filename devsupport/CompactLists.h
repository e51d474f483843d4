#pragma once

#include "CompactText.h"
#include "EntryCodec.h"
#include "EntryOrdering.h"

#include <QStringList>

// Lists of texts in and out of their compact form, which is Latin-1 or UTF-16
// by the text, so that a table of strings checks both forms and their mixing.
inline QList<quillmark::CompactText> compact(const QStringList &texts)
{
    QList<quillmark::CompactText> compactTexts;
    for (const QString &text : texts)
        compactTexts.append(quillmark::CompactText(text));
    return compactTexts;
}

inline QStringList expanded(const QList<quillmark::CompactText> &texts)
{
    QStringList strings;
    for (const quillmark::CompactText &text : texts)
        strings.append(text.toString());
    return strings;
}

// The list library's commands over rows, on a list held whole: the entries of
// a file, the texts sorted, and the earliest entry of each text in order.
inline QStringList decodedEntries(const QByteArray &data)
{
    QStringList entries;
    quillmark::decodeEntries(data, [&](QList<quillmark::CompactText> &&block) { entries += expanded(block); });
    return entries;
}

inline void sortTexts(QList<quillmark::CompactText> &texts)
{
    quillmark::sortEntries(
            texts.size(), [&](qsizetype row) { return std::move(texts[row]); },
            [&](qsizetype row, quillmark::CompactText &&text) { texts[row] = std::move(text); });
}

inline QStringList keptEntries(const QStringList &entries, const std::vector<bool> &keep)
{
    QStringList kept;
    for (qsizetype row = 0; row < entries.size(); ++row) {
        if (keep[size_t(row)])
            kept.append(entries[row]);
    }
    return kept;
}

inline QStringList prunedEntries(const QStringList &entries)
{
    const QList<quillmark::CompactText> texts = compact(entries);
    return keptEntries(entries, quillmark::firstOfEachText(texts.size(), [&](qsizetype row) -> const auto & {
                           return texts[row];
                       }));
}
