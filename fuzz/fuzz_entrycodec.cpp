// Load's decoding and Save's encoding, over arbitrary file contents.
//
// Properties, for every input x (the bytes of a file):
//  1. No entry of decode(x) contains a line feed.
//  2. Saving loses nothing that loading produced:
//     decode(encode(decode(x))) == decode(x).
//  3. Saving in pieces loses nothing either: each entry encoded as a file of
//     its own, as Create Files writes it, decodes back to itself alone; and
//     the entries encoded one at a time, each after the first as the
//     continuation of a file, as Save streams them, concatenate to the bytes
//     of one save.
//  4. A file without a byte-order mark keeps every byte but its line ends.
//     Let lineEnds(x) be x with each line feed not preceded by a carriage
//     return turned into CR LF, and CR LF appended when x is not empty and
//     does not end in a line feed. Then:
//     - when x is valid UTF-8 (shortest forms only, no surrogates, nothing
//       above U+10FFFF): encode(decode(x)) == lineEnds(x), byte for byte;
//     - otherwise every entry is Latin-1, and the entries written back as
//       Latin-1, each followed by CR LF, give lineEnds(x).
//     Carriage returns and zero bytes are ordinary content here: a CR before
//     a LF belongs to the line end both ways, and any other CR or NUL stays in
//     its entry. Files with a byte-order mark are excluded, since loading
//     drops the mark (property 2 still covers them).

#include "FuzzSupport.h"

#include "EntryCodec.h"

namespace {

bool isStrictUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const auto *const end = p + bytes.size();
    while (p < end) {
        const unsigned char lead = *p++;
        if (lead < 0x80)
            continue;
        int trailing = 0;
        char32_t smallest = 0;
        if ((lead & 0xE0) == 0xC0) {
            trailing = 1;
            smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            trailing = 2;
            smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            trailing = 3;
            smallest = 0x10000;
        } else {
            return false;
        }
        char32_t point = lead & (0x7F >> (trailing + 1));
        if (end - p < trailing)
            return false;
        for (int i = 0; i < trailing; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            point = (point << 6) | (p[i] & 0x3F);
        }
        p += trailing;
        if (point < smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return false;
    }
    return true;
}

bool startsWithByteOrderMark(const QByteArray &bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")
            || bytes.startsWith(QByteArrayView("\x00\x00\xFE\xFF", 4));
}

QByteArray lineEnds(const QByteArray &bytes)
{
    QByteArray result;
    result.reserve(bytes.size() * 2 + 2);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            result += '\r';
        result += bytes[i];
    }
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        result += "\r\n";
    return result;
}

bool isLatin1(const QString &text)
{
    for (const QChar unit : text) {
        if (unit.unicode() > 0xFF)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList entries = quillmark::decodeEntries(file);

    for (const QString &entry : entries)
        FUZZ_REQUIRE(!entry.contains(u'\n'));

    const QByteArray saved = quillmark::encodeEntries(entries);
    FUZZ_REQUIRE(quillmark::decodeEntries(saved) == entries);

    QByteArray pieces;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        FUZZ_REQUIRE(quillmark::decodeEntries(quillmark::encodeEntries(entries, i, 1)) == QStringList{entries[i]});
        pieces += quillmark::encodeEntries(entries, i, 1, i == 0);
    }
    FUZZ_REQUIRE(pieces == saved);

    if (startsWithByteOrderMark(file))
        return 0;
    if (isStrictUtf8(file)) {
        FUZZ_REQUIRE(saved == lineEnds(file));
    } else {
        QByteArray latin1;
        for (const QString &entry : entries) {
            FUZZ_REQUIRE(isLatin1(entry));
            latin1 += entry.toLatin1() + "\r\n";
        }
        FUZZ_REQUIRE(latin1 == lineEnds(file));
    }
    return 0;
}
