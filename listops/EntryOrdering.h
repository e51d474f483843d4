#pragma once

#include <QStringList>

namespace quillmark {

// Ascending by UTF-16 code units, no locale and no case folding: "10" before
// "9", "B" before "a", the empty entry first.
void sortEntries(QStringList &entries);

// Drops every entry whose text is identical to an earlier one's; the earliest
// of each text survives, in its original order and with its exact text.
QStringList pruneEntries(const QStringList &entries);

} // namespace quillmark
