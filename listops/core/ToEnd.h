#pragma once

#include <QtGlobal>

namespace quillmark {

// As the count of a range of entries or rows: every one from the first of
// the range up to the end of the list, however long it is by then.
inline constexpr qsizetype toEnd = -1;

} // namespace quillmark
