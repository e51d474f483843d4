#pragma once

#include "CompactText.h"
#include "EntryRewrites.h"

#include <QList>

namespace quillmark {

// The whole-list rewrites of EntryRewrites, over compact texts. A Latin-1
// text is rewritten in its own bytes wherever the result stays Latin-1, which
// is nearly always and needs no QString; every other text goes through the
// QString rewrite. For a list of millions, making and dropping a QString per
// entry, and a new compact text after it, cost most of a rewrite's time.
void convertToUpper(QList<CompactText> &entries);
void convertToLower(QList<CompactText> &entries);
void addAffixes(QList<CompactText> &entries, const Affixes &affixes);
void replaceAll(QList<CompactText> &entries, const QString &before, const QString &after);
void removeAllAfter(QList<CompactText> &entries, const QString &marker);

} // namespace quillmark
