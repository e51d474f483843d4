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
//  4. A file without a byte-order mark and without zero bytes keeps its
//     lines. Let lineEnds(x) be x with each line feed not preceded by a
//     carriage return turned into CR LF, and CR LF appended when x is not
//     empty and does not end in a line feed. Then:
//     - when x is valid UTF-8 (shortest forms only, no surrogates, nothing
//       above U+10FFFF): encode(decode(x)) == lineEnds(x), byte for byte;
//     - otherwise there is one entry per line, and either the entries are the
//       Windows-1252 reading of x (written back as Windows-1252, each followed
//       by CR LF, they give lineEnds(x)) or they read x in another legacy
//       encoding without standing in for any byte (no U+FFFD, no control
//       character from U+0080 to U+009F). The former whenever x has too few
//       non-ASCII bytes to tell its encoding: fewer than eight, none three in
//       a row.
//     Carriage returns are ordinary content here: a CR before a LF belongs to
//     the line end both ways, and any other CR stays in its entry.
//  5. A file without a byte-order mark but with zero bytes keeps every byte
//     but its line ends in one of the ways it can be read: written back as
//     UTF-8, as Windows-1252, or as UTF-16 or UTF-32 in either byte order,
//     each entry followed by CR LF, the entries give x with its line ends made
//     CR LF as above, counted in units of that encoding.
//  Files with a byte-order mark are left out of 4 and 5, since loading drops
//  the mark (property 2 still covers them).
//  6. Decoding x a line at a time, as Load decodes a UTF-8 file while it reads
//     it, accepts every line exactly when x, less a leading UTF-8 mark, is
//     valid UTF-8 (as in 4) without zero bytes, and then gives decode(x).
//     Where it refuses a line, the entries it gave before make again the
//     bytes of x before that line, as Load makes them to decode x whole.

#include "FuzzSupport.h"

#include "EntryCodec.h"

#include <QStringEncoder>

#include <algorithm>

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

// lineEnds(x), in units of unitBytes bytes each.
QByteArray lineEnds(const QByteArray &bytes, int unitBytes = 1, bool bigEndian = false)
{
    const auto byteOf = [&](int significance) { return bigEndian ? unitBytes - 1 - significance : significance; };
    const auto unit = [&](char32_t value) {
        QByteArray encoded(unitBytes, '\0');
        for (int k = 0; k < unitBytes; ++k)
            encoded[byteOf(k)] = char((value >> (8 * k)) & 0xFF);
        return encoded;
    };
    QByteArray result;
    result.reserve(bytes.size() * 2 + 2 * unitBytes);
    char32_t previous = 0;
    for (qsizetype at = 0; at + unitBytes <= bytes.size(); at += unitBytes) {
        char32_t value = 0;
        for (int k = 0; k < unitBytes; ++k)
            value |= char32_t(uchar(bytes[at + byteOf(k)])) << (8 * k);
        if (value == U'\n' && previous != U'\r')
            result += unit(U'\r');
        result += bytes.sliced(at, unitBytes);
        previous = value;
    }
    if (!bytes.isEmpty() && previous != U'\n')
        result += unit(U'\r') + unit(U'\n');
    return result;
}

// The entries written back in an encoding, each followed by CR LF; empty
// where the encoding cannot hold them.
QByteArray writtenBack(const QStringList &entries, const char *encoding)
{
    QStringEncoder encoder(encoding);
    QByteArray bytes;
    for (const QString &entry : entries)
        bytes += encoder(entry + QStringLiteral("\r\n"));
    return encoder.hasError() ? QByteArray() : bytes;
}

bool isWindows1252Reading(const QStringList &entries, const QByteArray &file)
{
    return writtenBack(entries, "windows-1252") == lineEnds(file);
}

bool standsInForBytes(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar unit) {
        return unit == QChar::ReplacementCharacter || (unit.unicode() >= 0x80 && unit.unicode() <= 0x9F);
    });
}

bool tooFewToTell(const QByteArray &bytes)
{
    qsizetype nonAscii = 0;
    qsizetype run = 0;
    for (const char byte : bytes) {
        run = uchar(byte) < 0x80 ? 0 : run + 1;
        nonAscii += run > 0;
        if (run >= 3)
            return false;
    }
    return nonAscii < 8;
}

// Saving writes what loads back as the same entries, whole or piece by piece.
QByteArray checkSaved(const QStringList &entries)
{
    const QList<quillmark::CompactText> texts = fuzzing::compact(entries);
    const QByteArray saved = quillmark::encodeEntries(texts);
    FUZZ_REQUIRE(fuzzing::decodedEntries(saved) == entries);

    QByteArray pieces;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        FUZZ_REQUIRE(fuzzing::decodedEntries(quillmark::encodeEntries({texts[i]})) == QStringList{entries[i]});
        pieces += quillmark::encodeEntries({texts[i]}, i == 0);
    }
    FUZZ_REQUIRE(pieces == saved);
    return saved;
}

// The line decoder takes exactly the files that are UTF-8 without zero bytes,
// and makes of them the entries the whole file makes.
void checkStreamed(const QByteArray &file, const QStringList &entries)
{
    QStringList streamed;
    quillmark::Utf8LineDecoder decoder([&](QList<quillmark::CompactText> &&block) {
        for (const quillmark::CompactText &entry : block)
            streamed.append(entry.toString());
    });
    bool accepted = true;
    qsizetype taken = 0;
    while (taken < file.size()) {
        const qsizetype lineFeed = file.indexOf('\n', taken);
        const qsizetype end = lineFeed < 0 ? file.size() : lineFeed + 1;
        accepted = decoder.decode(QByteArrayView(file).sliced(taken, end - taken));
        if (!accepted)
            break;
        taken = end;
    }
    const QByteArray unmarked = file.startsWith("\xEF\xBB\xBF") ? file.sliced(3) : file;
    FUZZ_REQUIRE(accepted == (isStrictUtf8(unmarked) && !file.contains('\0')));
    decoder.finish();
    if (accepted)
        FUZZ_REQUIRE(streamed == entries);
    else
        FUZZ_REQUIRE(decoder.bytesOf(fuzzing::compact(streamed)) == file.first(taken));
}

// Every byte of a file without a byte-order mark survives a load and a save
// in the encoding it was read in.
void checkBytesKept(const QByteArray &file, const QStringList &entries, const QByteArray &saved)
{
    if (file.contains('\0')) {
        const bool kept = saved == lineEnds(file) || isWindows1252Reading(entries, file)
                || writtenBack(entries, "UTF-16LE") == lineEnds(file, 2, false)
                || writtenBack(entries, "UTF-16BE") == lineEnds(file, 2, true)
                || writtenBack(entries, "UTF-32LE") == lineEnds(file, 4, false)
                || writtenBack(entries, "UTF-32BE") == lineEnds(file, 4, true);
        FUZZ_REQUIRE(kept);
    } else if (isStrictUtf8(file)) {
        FUZZ_REQUIRE(saved == lineEnds(file));
    } else {
        FUZZ_REQUIRE(entries.size() == file.count('\n') + (file.endsWith('\n') ? 0 : 1));
        if (!isWindows1252Reading(entries, file)) {
            FUZZ_REQUIRE(!tooFewToTell(file));
            FUZZ_REQUIRE(std::none_of(entries.cbegin(), entries.cend(), standsInForBytes));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList entries = fuzzing::decodedEntries(file);
    for (const QString &entry : entries)
        FUZZ_REQUIRE(!entry.contains(u'\n'));
    const QByteArray saved = checkSaved(entries);
    checkStreamed(file, entries);
    if (!startsWithByteOrderMark(file))
        checkBytesKept(file, entries, saved);
    return 0;
}
