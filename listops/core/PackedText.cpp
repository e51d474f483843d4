#include "PackedText.h"

namespace quillmark {

static_assert(sizeof(PackedText) == 2 * sizeof(void *) + 8);

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

CompactText PackedText::unpack() &&
{
    if (!header && !units)
        return {};
    if (length() == outOfLine) {
        CompactText text = std::move(*whole());
        delete whole();
        header = nullptr;
        units = nullptr;
        return text;
    }
    const qsizetype bytes = isWide() ? 2 * qsizetype(length()) : qsizetype(length());
    QByteArray::DataPointer array(static_cast<QTypedArrayData<char> *>(std::exchange(header, nullptr)),
                                  std::exchange(units, nullptr), bytes);
    return CompactText::fromParts({std::move(array), isWide(), remembered});
}

} // namespace quillmark
