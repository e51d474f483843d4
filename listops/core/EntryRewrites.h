#pragma once

#include "CompactText.h"

#include <QList>
#include <QString>

namespace quillmark {

// Whole-list rewrites. Each changes every entry in place and never adds,
// removes or reorders one; letter case matters in every search.
//
// A Latin-1 text is rewritten in its own bytes wherever the result stays
// Latin-1, which is nearly always and needs no QString; every other text goes
// through QString. For a list of millions, making and dropping a QString per
// entry, and a new compact text after it, cost most of a rewrite's time.

// Unicode's case mappings, independent of the locale; lower case turns a
// capital sigma that ends a word into the final form ς.
void convertToUpper(QList<CompactText> &entries);
void convertToLower(QList<CompactText> &entries);

// A disabled part is neither read nor applied.
struct Affixes {
    bool usePrefix = false;
    QString prefix;
    bool useSuffix = false;
    QString suffix;
};
void addAffixes(QList<CompactText> &entries, const Affixes &affixes);

// Non-overlapping, left to right; an empty search text matches before every
// character and after the last one (a surrogate pair counts as one character).
void replaceAll(QList<CompactText> &entries, const QString &before, const QString &after);

// Keeps each entry up to and including the first occurrence of the marker;
// entries without it stay as they are, and an empty marker empties every entry.
void removeAllAfter(QList<CompactText> &entries, const QString &marker);

} // namespace quillmark
