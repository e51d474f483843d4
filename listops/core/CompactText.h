#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QString>

#include <utility>

namespace quillmark {

// One entry's text in as little memory as holds it: one byte per character
// when every character is in Latin-1, as in nearly every list, and UTF-16
// otherwise. A list of millions of entries spends most of its memory on their
// texts, and as UTF-16 half of that went on high bytes that were zero.
//
// The form follows from the text alone, so equal texts are equal bytes.
class CompactText
{
public:
    CompactText() = default;
    explicit CompactText(QStringView text);
    // Bytes already known to be Latin-1 (or ASCII) become a text without a
    // detour through UTF-16.
    static CompactText fromLatin1(QByteArrayView latin1);

    QString toString() const;
    qsizetype size() const { return wide ? units.size() / 2 : units.size(); }
    // The text's bytes when every character is Latin-1, else a null array.
    // Shares the text's memory.
    QByteArray latin1() const { return wide ? QByteArray() : units; }

    // The bytes of a Latin-1 text, to rewrite in place into another Latin-1
    // text, or null for a text beyond Latin-1. Forgets the remembered value.
    QByteArray *latin1Bytes()
    {
        remembered = 0;
        return wide ? nullptr : &units;
    }

    // A value worked out from the text that its holder keeps with it, such as
    // its width on screen, 0 while there is none. It travels with the text
    // when texts move between rows, so that reordering a list needs no text
    // read again; a text changed through latin1Bytes() forgets it. It fills
    // what was padding, and costs no memory.
    quint32 rememberedValue() const { return remembered; }
    void remember(quint32 value) const { remembered = value; }

    // Code units, read without making a QString: bytes for a Latin-1 text,
    // UTF-16 otherwise.
    bool isWide() const { return wide; }
    const void *data() const { return units.constData(); }

    // The memory one more text of this many code units costs, allocation
    // overhead included (glibc rounds to 16 bytes, with 8 of its own).
    static constexpr qsizetype memoryBytes(qsizetype codeUnits, bool latin1)
    {
        const qsizetype payload = 16 + (latin1 ? codeUnits : 2 * codeUnits) + 1 + 8;
        return (payload + 15) / 16 * 16;
    }

    // The text taken apart without copying it, and put together again, for a
    // holder that keeps its parts in fewer bytes (see PackedText).
    struct Parts {
        QByteArray::DataPointer units;
        bool wide;
        quint32 remembered;
    };
    Parts takeParts() &&
    {
        return {std::exchange(units.data_ptr(), {}), std::exchange(wide, false), std::exchange(remembered, 0)};
    }
    static CompactText fromParts(Parts parts)
    {
        CompactText text;
        text.units = QByteArray(std::move(parts.units));
        text.wide = parts.wide;
        text.remembered = parts.remembered;
        return text;
    }

    friend bool operator==(const CompactText &a, const CompactText &b)
    {
        return a.wide == b.wide && a.units == b.units;
    }
    friend size_t qHash(const CompactText &text, size_t seed = 0) noexcept
    {
        return qHash(text.units, seed) ^ size_t(text.wide);
    }

private:
    QByteArray units;
    bool wide = false;
    mutable quint32 remembered = 0;
};

} // namespace quillmark
