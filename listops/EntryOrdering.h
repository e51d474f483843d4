#pragma once

#include "CompactText.h"

#include <QList>

namespace quillmark {

// Ascending by UTF-16 code units, no locale and no case folding: "10" before
// "9", "B" before "a", the empty entry first.
void sortEntries(QList<CompactText> &entries);

// Drops every entry whose text is identical to an earlier one's; the earliest
// of each text survives, in its original order and with its exact text.
QList<CompactText> pruneEntries(QList<CompactText> entries);

// The same, with the given hash of a text in place of Qt's; a test hashes
// every text alike to reach the path that texts with equal hashes take.
using TextHash = size_t (*)(const CompactText &text);
QList<CompactText> pruneEntries(QList<CompactText> entries, TextHash hash);

} // namespace quillmark
