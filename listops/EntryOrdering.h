#pragma once

#include <QStringList>

namespace quillmark {

// Ascending by UTF-16 code units, no locale and no case folding: "10" before
// "9", "B" before "a", the empty entry first.
void sortEntries(QStringList &entries);

// Drops every entry whose text is identical to an earlier one's; the earliest
// of each text survives, in its original order and with its exact text.
QStringList pruneEntries(const QStringList &entries);

// The same, with the given hash of a text in place of Qt's; a test hashes
// every text alike to reach the path that texts with equal hashes take.
using TextHash = size_t (*)(QStringView text);
QStringList pruneEntries(const QStringList &entries, TextHash hash);

} // namespace quillmark
