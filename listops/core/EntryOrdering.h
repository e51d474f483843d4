#pragma once

#include "CompactText.h"

#include <QList>

#include <functional>
#include <vector>

namespace quillmark {

// Ascending by UTF-16 code units, no locale and no case folding: "10" before
// "9", "B" before "a", the empty entry first.
void sortEntries(QList<CompactText> &entries);

// The same for entries kept elsewhere, such as in the rows of a list: take
// hands over the entry of each row, from the first, and put takes them back
// in sorted order, row by row. The texts are moved, never copied, and
// whatever they remember goes with them. take and put are called on the
// calling thread only; the sort itself runs on workThreads() threads.
void sortEntries(qsizetype count, const std::function<CompactText(qsizetype row)> &take,
                 const std::function<void(qsizetype row, CompactText &&text)> &put);

// Drops every entry whose text is identical to an earlier one's; the earliest
// of each text survives, in its original order and with its exact text.
QList<CompactText> pruneEntries(QList<CompactText> entries);

// Whether each entry is the earliest of its text, for entries kept elsewhere,
// such as in the rows of a list: textAt gives the entry of a row, once for
// each row and on the calling thread only, and what it gives must stay valid
// until the function returns; the texts are hashed and compared on
// workThreads() threads.
std::vector<bool> firstOfEachText(qsizetype count, const std::function<const CompactText &(qsizetype row)> &textAt);

// The same two, with the given hash of a text in place of Qt's; a test hashes
// every text alike to reach the path that texts with equal hashes take.
using TextHash = size_t (*)(const CompactText &text);
QList<CompactText> pruneEntries(QList<CompactText> entries, TextHash hash);
std::vector<bool> firstOfEachText(qsizetype count, const std::function<const CompactText &(qsizetype row)> &textAt,
                                  TextHash hash);

} // namespace quillmark
