#include "PackedText.h"

#include <type_traits>

namespace quillmark {

static_assert(sizeof(PackedText) == 2 * sizeof(void *) + 8);
static_assert(std::is_trivially_copyable_v<PackedText>);

PackedText::PackedText(CompactText &&text)
{
    const qsizetype size = text.size();
    lengthAndForm = text.isWide();
    if (size >= outOfLine) {
        // No list entry of two thousand million characters has been seen; it
        // costs one allocation then.
        lengthAndForm |= outOfLine << 1;
        auto *kept = new CompactText(std::move(text));
        units = static_cast<char *>(const_cast<void *>(kept->data()));
        header = kept;
        return;
    }
    lengthAndForm |= quint32(size) << 1;
    CompactText::Parts parts = std::move(text).takeParts();
    header = std::exchange(parts.units.d, nullptr);
    units = std::exchange(parts.units.ptr, nullptr);
    remembered = parts.remembered;
}

CompactText PackedText::unpack() const
{
    if (length() == outOfLine) {
        CompactText text = std::move(*whole());
        delete whole();
        return text;
    }
    const qsizetype bytes = isWide() ? 2 * qsizetype(length()) : qsizetype(length());
    QByteArray::DataPointer array(static_cast<QTypedArrayData<char> *>(header), units, bytes);
    return CompactText::fromParts({std::move(array), isWide(), remembered});
}

} // namespace quillmark
