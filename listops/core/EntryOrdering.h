#pragma once

#include "CompactText.h"

#include <functional>
#include <vector>

namespace quillmark {

// Sorts entries kept elsewhere, such as in the rows of a list, ascending by
// UTF-16 code units, no locale and no case folding: "10" before "9", "B"
// before "a", the empty entry first. take hands over the entry of each row,
// from the first, and put takes them back in sorted order, row by row. The
// texts are moved, never copied, and whatever they remember goes with them. take and put are called on the
// calling thread only; the sort itself runs on workThreads() threads.
void sortEntries(qsizetype count, const std::function<CompactText(qsizetype row)> &take,
                 const std::function<void(qsizetype row, CompactText &&text)> &put);

// Whether each entry is the earliest of its text, for entries kept elsewhere,
// such as in the rows of a list: textAt gives the entry of a row, once for
// each row and on the calling thread only, and what it gives must stay valid
// until the function returns; the texts are hashed and compared on
// workThreads() threads.
std::vector<bool> firstOfEachText(qsizetype count, const std::function<const CompactText &(qsizetype row)> &textAt);

} // namespace quillmark
