#include "EntryCodec.h"

#include "EncodingDetection.h"
#include "LegacyDecoding.h"
#include "Windows1252.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <optional>

namespace quillmark {

namespace {

// A UTF-16 or UTF-32 file may hold surrogates that pair with nothing. UTF-8
// cannot express them, so Save could not write them back; they become U+FFFD
// at once, and the list shows exactly what a save keeps.
QString withoutLoneSurrogates(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text.at(i);
        if (unit.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (unit.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

QString decodeUnicodeText(const QByteArray &data, QStringConverter::Encoding encoding)
{
    // The decoder drops a mark itself. Stateless: a sequence cut off by the
    // end of the file becomes U+FFFD instead of being held back, unseen, for
    // input that never comes.
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    return withoutLoneSurrogates(decoder(data));
}

// Branch-free, so that the compiler checks many bytes at once.
bool isAscii(QByteArrayView line)
{
    uchar bytes = 0;
    for (const char byte : line)
        bytes |= uchar(byte);
    return bytes < 0x80;
}

// Hands each line of a text to toEntry: a line feed ends a line, a carriage
// return right before it is part of the terminator, and a final terminator
// adds no line. Bytes and UTF-16 alike, a line feed being one unit in both.
template <typename View, typename Unit, typename ToEntry>
void forEachLine(View text, Unit lineFeed, Unit carriageReturn, ToEntry &&toEntry)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(lineFeed, start);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        if (end < 0)
            end = text.size();
        else if (end > start && text[end - 1] == carriageReturn)
            --end;
        toEntry(text.sliced(start, end - start));
        start = next;
    }
}

// Line by line straight from the bytes, so that the file is never held whole
// as text besides its entries; a line feed byte is a line feed in UTF-8 and in
// every legacy encoding alike. Empty as soon as a line does not decode.
template <typename DecodeLine>
std::optional<QStringList> decodeLines(QByteArrayView bytes, DecodeLine &&decodeLine)
{
    QStringList entries;
    bool decodes = true;
    forEachLine(bytes, '\n', '\r', [&](QByteArrayView line) {
        if (!decodes)
            return;
        if (std::optional<QString> text = decodeLine(line))
            entries.append(std::move(*text));
        else
            decodes = false;
    });
    return decodes ? std::optional(std::move(entries)) : std::nullopt;
}

// A decoder by name may stand in U+FFFD for bytes it cannot map without
// counting an error, and one for ISO-8859 passes bytes 0x80 to 0x9F through
// as control characters: both mean the bytes are not in that encoding.
bool hasStandIns(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar unit) {
        return unit == QChar::ReplacementCharacter || (unit.unicode() >= 0x80 && unit.unicode() <= 0x9F);
    });
}

// Line by line in a legacy encoding; nothing as soon as a line holds bytes
// the encoding does not define.
std::optional<QStringList> decodeLegacyLines(QByteArrayView bytes, LegacyDecoder &decoder)
{
    if (!decoder.isValid())
        return std::nullopt;
    return decodeLines(bytes, [&](QByteArrayView line) -> std::optional<QString> {
        std::optional<QString> text = decoder.decode(line);
        return text && hasStandIns(*text) ? std::nullopt : text;
    });
}

// A detector's guess is trusted only where it reads the bytes cleanly and no
// less naturally than Windows-1252 does, so that a stray guess cannot garble
// a list that was Western after all. Where the detector cannot tell, the
// system's own 8-bit encoding is the likeliest one: it is what the system's
// own programs write.
std::optional<QStringList> decodeLegacy(QByteArrayView bytes)
{
    const QByteArray sample = legacySample(bytes);
    const LegacyGuess guess = guessLegacyEncoding(sample);
    if (!guess.told) {
        const std::optional<LegacyEncoding> system = systemLegacyEncoding();
        if (!system)
            return std::nullopt;
        LegacyDecoder decoder(*system);
        return decodeLegacyLines(bytes, decoder);
    }
    if (!guess.encoding)
        return std::nullopt;
    LegacyDecoder decoder(*guess.encoding);
    const std::optional<QString> sampleByGuess = decoder.decode(sample);
    if (!sampleByGuess || misreadCharacters(*sampleByGuess) > misreadCharacters(fromWindows1252(sample)))
        return std::nullopt;
    return decodeLegacyLines(bytes, decoder);
}

// Stateless, and a U+FEFF at the start of a line is text, not a mark.
QStringDecoder utf8ForLines()
{
    return QStringDecoder(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
}

// Line by line straight from valid UTF-8 bytes, a line feed byte being a line
// feed in UTF-8 too. An ASCII line is its own Latin-1 form and needs no
// decoding. Each entry comes with whether its line ended in CR LF.
template <typename Append>
void appendUtf8Lines(QByteArrayView bytes, QStringDecoder &utf8, Append &&append)
{
    forEachLine(bytes, '\n', '\r', [&](QByteArrayView line) {
        const char *end = line.data() + line.size();
        const bool crLf = end != bytes.data() + bytes.size() && *end == '\r';
        append(isAscii(line) ? CompactText::fromLatin1(line) : CompactText(QString(utf8.decode(line))), crLf);
    });
}

// Hands each entry to append, in the first reading that suits the bytes.
template <typename Append>
void decodeInto(const QByteArray &data, Append &&append)
{
    const auto appendUnicode = [&](QStringConverter::Encoding encoding) {
        const QString text = decodeUnicodeText(data, encoding);
        forEachLine(QStringView(text), u'\n', u'\r', [&](QStringView line) { append(CompactText(line)); });
    };
    if (const auto marked = QStringConverter::encodingForData(data))
        return appendUnicode(*marked);
    // Zero bytes are not text in UTF-8 or any legacy encoding, but half of
    // every UTF-16 text of ASCII characters, which is valid UTF-8 too.
    const bool hasZeros = data.contains('\0');
    const auto wide = hasZeros ? unicodeByZeroBytes(data) : std::nullopt;
    if (wide && lineFeedsAreWhole(data, *wide))
        return appendUnicode(*wide);
    const QByteArrayView bytes(data);
    if (bytes.isValidUtf8()) {
        QStringDecoder utf8 = utf8ForLines();
        return appendUtf8Lines(bytes, utf8, [&](CompactText &&entry, bool) { append(std::move(entry)); });
    }
    if (wide)
        return appendUnicode(*wide);
    if (!hasZeros) {
        if (const std::optional<QStringList> guessed = decodeLegacy(bytes)) {
            for (const QString &entry : *guessed)
                append(CompactText(entry));
            return;
        }
    }
    // Every byte one character, so that nothing is lost whatever the file.
    forEachLine(bytes, '\n', '\r', [&](QByteArrayView line) { append(CompactText(fromWindows1252(line))); });
}

QStringView wideUnits(const CompactText &text)
{
    return QStringView(static_cast<const char16_t *>(text.data()), text.size());
}

// A Latin-1 character is its own code point: below 0x80 one byte of UTF-8,
// above it two. Writes at most two bytes a character and returns the end.
char *appendLatin1AsUtf8(char *out, const CompactText &text)
{
    const auto *in = static_cast<const uchar *>(text.data());
    for (const uchar *end = in + text.size(); in != end; ++in) {
        if (*in < 0x80) {
            *out++ = char(*in);
        } else {
            *out++ = char(0xC0 | (*in >> 6));
            *out++ = char(0x80 | (*in & 0x3F));
        }
    }
    return out;
}

// One entry in UTF-8, at most three bytes a code unit; returns the end.
char *appendAsUtf8(char *out, const CompactText &entry, QStringEncoder &utf8)
{
    if (!entry.isWide())
        return appendLatin1AsUtf8(out, entry);
    const QStringView text = wideUnits(entry);
    // The encoder writes U+FFFD for a surrogate without its partner, where
    // QString::toUtf8 writes "?"; such entries keep the latter.
    if (std::any_of(text.cbegin(), text.cend(), [](QChar unit) { return unit.isSurrogate(); })) {
        const QByteArray bytes = text.toUtf8();
        return std::copy(bytes.cbegin(), bytes.cend(), out);
    }
    return utf8.appendToBuffer(out, text);
}

// Entries in UTF-8, each followed by the line end given for it, after a
// byte-order mark where marked holds.
template <typename LineEnd>
QByteArray encodeLines(const QList<CompactText> &entries, bool marked, LineEnd &&lineEnd)
{
    qsizetype units = 0;
    for (const CompactText &entry : entries)
        units += entry.size();
    // Encoded straight into one buffer: a separate array for each entry cost
    // an allocation each. Sized for typical text at first, not for the UTF-8
    // worst case of three bytes per unit, which would triple the peak.
    QByteArray bytes(units + units / 4 + 2 * entries.size() + 3, Qt::Uninitialized);
    char *out = bytes.data();
    if (marked)
        out = std::copy_n("\xEF\xBB\xBF", 3, out);
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    for (qsizetype line = 0; line < entries.size(); ++line) {
        const CompactText &entry = entries.at(line);
        const QByteArrayView end = lineEnd(line);
        const qsizetype used = out - bytes.data();
        if (const qsizetype room = (entry.isWide() ? 3 : 2) * entry.size() + end.size(); used + room > bytes.size()) {
            bytes.resize(std::max(used + room, bytes.size() + bytes.size() / 2));
            out = bytes.data() + used;
        }
        out = appendAsUtf8(out, entry, utf8);
        out = std::copy(end.cbegin(), end.cend(), out);
    }
    bytes.truncate(out - bytes.data());
    return bytes;
}

} // namespace

void decodeEntries(const QByteArray &data, const std::function<void(QList<CompactText> &&)> &takeBlock)
{
    EntryBlocks blocks(takeBlock);
    decodeInto(data, [&](CompactText &&entry) { blocks.append(std::move(entry)); });
    blocks.flush();
}

Utf8LineDecoder::Utf8LineDecoder(const std::function<void(QList<CompactText> &&)> &takeBlock)
    : blocks(takeBlock)
    , utf8(utf8ForLines())
{
}

bool Utf8LineDecoder::decode(QByteArrayView lines)
{
    bool marked = false;
    if (atStart) {
        // Decoding the whole file drops a mark at its start, and a UTF-16 or
        // UTF-32 one makes it another kind of file.
        if (const auto encoding = QStringConverter::encodingForData(lines)) {
            if (*encoding != QStringConverter::Utf8)
                return false;
            lines = lines.sliced(QByteArrayView("\xef\xbb\xbf").size());
            marked = true;
        }
    }
    // Zero bytes may make the file UTF-16 or UTF-32 and an invalid sequence a
    // legacy encoding, which only the whole file tells. A run refused is not
    // taken at all, its mark neither.
    if (lines.contains('\0') || !lines.isValidUtf8())
        return false;
    if (atStart)
        startsWithMark = marked;
    atStart = false;
    appendUtf8Lines(lines, utf8, [&](CompactText &&entry, bool crLf) {
        crLfEnds.push_back(crLf);
        blocks.append(std::move(entry));
    });
    return true;
}

QByteArray Utf8LineDecoder::bytesOf(const QList<CompactText> &entries) const
{
    // Valid UTF-8 decodes to one text only, so the text encodes to the same
    // bytes again.
    return encodeLines(entries, startsWithMark, [&](qsizetype line) {
        return size_t(line) < crLfEnds.size() && crLfEnds[size_t(line)] ? QByteArrayView("\r\n")
                                                                         : QByteArrayView("\n");
    });
}

QByteArray encodeEntries(const QList<CompactText> &entries, bool startsFile)
{
    // Loading drops a byte-order mark at the start of a file, so a first entry
    // that begins with U+FEFF (a zero-width no-break space) would lose it.
    // Writing a mark in front keeps it; no other file gets one. Only a text
    // beyond Latin-1 can begin with it.
    const bool marked = startsFile && !entries.isEmpty() && entries.first().isWide()
            && wideUnits(entries.first()).startsWith(QChar::ByteOrderMark);
    return encodeLines(entries, marked, [](qsizetype) { return QByteArrayView("\r\n"); });
}

} // namespace quillmark
