#pragma once

#include "CompactText.h"

namespace quillmark {

// A text held in 24 bytes instead of a CompactText's 32, for keeping every
// entry of a list at once beside the list itself, as Sort does: at fourteen
// million entries the difference is 114 MB. It keeps the two pointers of the
// text's array, its length in code units with its form in 32 bits, and what
// it remembers. A text of 2^31 - 1 units or more is kept whole, out of line,
// and reads as its first 2^31 - 1 units: the sort puts two such texts that
// share them in either order (no list has held one yet, and Qt's text layout
// stops far short of it).
//
// A plain record, copied as its bytes, which a sort moves millions of times:
// its holder puts the text together again with unpack(), once.
class PackedText
{
public:
    PackedText() = default;
    explicit PackedText(CompactText &&text);

    // The text again; call once, and on one copy only.
    CompactText unpack() const;

    // As CompactText's.
    const void *data() const { return units; }
    bool isWide() const { return lengthAndForm & 1; }
    qsizetype size() const { return length(); }

private:
    static constexpr quint32 outOfLine = 0x7fffffff;
    quint32 length() const { return lengthAndForm >> 1; }
    CompactText *whole() const { return static_cast<CompactText *>(header); }

    // The array's header, or the whole text where it is kept out of line; an
    // array that lies outside the heap, such as the empty text's, has none.
    void *header = nullptr;
    char *units = nullptr;
    quint32 lengthAndForm = 0;
    quint32 remembered = 0;
};

} // namespace quillmark
