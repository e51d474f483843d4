#pragma once

#include "EntryOrdering.h"

namespace quillmark {

// firstOfEachText with the given hash of a text in place of Qt's, apart from
// the library's interface: a test hashes every text alike to reach the path
// that texts with equal hashes take, which real hashes reach too rarely.
using TextHash = size_t (*)(const CompactText &text);
std::vector<bool> firstOfEachText(qsizetype count, const std::function<const CompactText &(qsizetype row)> &textAt,
                                  TextHash hash);

} // namespace quillmark
