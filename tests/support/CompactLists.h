#pragma once

#include "CompactText.h"

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
