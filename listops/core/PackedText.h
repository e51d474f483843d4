#pragma once

#include "CompactText.h"

namespace quillmark {

// A text held in 24 bytes instead of a CompactText's 32, for keeping every
// entry of a list at once beside the list itself, as Sort does: at fourteen
// million entries the difference is 114 MB. It keeps the two pointers of the
// text's array, its length in code units with its form in 32 bits, and what
// it remembers. A text too long for 31 bits of length is kept whole, out of
// line. Moved, never copied.
class PackedText
{
public:
    PackedText() = default;
    explicit PackedText(CompactText &&text);
    PackedText(PackedText &&other) noexcept
        : header(std::exchange(other.header, nullptr))
        , units(std::exchange(other.units, nullptr))
        , lengthAndForm(other.lengthAndForm)
        , remembered(other.remembered)
    {
    }
    PackedText &operator=(PackedText &&other) noexcept
    {
        std::swap(header, other.header);
        std::swap(units, other.units);
        std::swap(lengthAndForm, other.lengthAndForm);
        std::swap(remembered, other.remembered);
        return *this;
    }
    ~PackedText() { std::move(*this).unpack(); }

    // The text again, leaving this empty.
    CompactText unpack() &&;

    // As CompactText's.
    const void *data() const { return units; }
    qsizetype size() const { return length() != outOfLine ? length() : whole()->size(); }
    bool isWide() const { return lengthAndForm & 1; }

private:
    static constexpr quint32 outOfLine = 0x7fffffff;
    quint32 length() const { return lengthAndForm >> 1; }
    CompactText *whole() const { return static_cast<CompactText *>(header); }

    // The array's header, or the whole text where it is kept out of line. Both
    // pointers are null once the text has moved on; an array that lies
    // outside the heap, such as the empty text's, has a null header only.
    void *header = nullptr;
    char *units = nullptr;
    quint32 lengthAndForm = 0;
    quint32 remembered = 0;
};

} // namespace quillmark
