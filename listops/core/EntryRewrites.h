#pragma once

#include <QStringList>

namespace quillmark {

// Whole-list rewrites. Each changes every entry in place and never adds,
// removes or reorders one; letter case matters in every search.

// Unicode's case mappings, independent of the locale; lower case turns a
// capital sigma that ends a word into the final form ς.
void convertToUpper(QStringList &entries);
void convertToLower(QStringList &entries);

// A disabled part is neither read nor applied.
struct Affixes {
    bool usePrefix = false;
    QString prefix;
    bool useSuffix = false;
    QString suffix;
};
void addAffixes(QStringList &entries, const Affixes &affixes);

// Non-overlapping, left to right; an empty search text matches before every
// character and after the last one (a surrogate pair counts as one character).
void replaceAll(QStringList &entries, const QString &before, const QString &after);

// Keeps each entry up to and including the first occurrence of the marker;
// entries without it stay as they are, and an empty marker empties every entry.
void removeAllAfter(QStringList &entries, const QString &marker);

} // namespace quillmark
