#include "EncodingDetection.h"

#include "LegacyDecoding.h"

#include <QList>
#include <QtEndian>

#include <algorithm>
#include <memory>

#include <uchardet.h>

namespace quillmark {

namespace {

template <typename Unit, bool bigEndian>
char32_t unitAt(const char *bytes)
{
    return bigEndian ? qFromBigEndian<Unit>(bytes) : qFromLittleEndian<Unit>(bytes);
}

template <typename Unit, bool bigEndian>
bool fitsLayout(QByteArrayView data)
{
    constexpr qsizetype unitBytes = sizeof(Unit);
    if (data.isEmpty() || data.size() % unitBytes != 0)
        return false;
    constexpr int highShift = 8 * (unitBytes - 1);
    qsizetype zeroHigh = 0;
    qsizetype zeroLow = 0;
    bool expectLowSurrogate = false;
    for (qsizetype at = 0; at < data.size(); at += unitBytes) {
        const char32_t unit = unitAt<Unit, bigEndian>(data.data() + at);
        zeroHigh += (unit >> highShift) == 0;
        zeroLow += (unit & 0xFF) == 0;
        const bool highSurrogate = unit >= 0xD800 && unit <= 0xDBFF;
        const bool lowSurrogate = unit >= 0xDC00 && unit <= 0xDFFF;
        if constexpr (unitBytes == 4) {
            if (unit > 0x10FFFF || highSurrogate || lowSurrogate)
                return false;
        } else {
            if (lowSurrogate != expectLowSurrogate)
                return false;
            expectLowSurrogate = highSurrogate;
        }
    }
    return !expectLowSurrogate && zeroHigh > 4 * zeroLow;
}

struct WideLayout {
    QStringConverter::Encoding encoding;
    qsizetype unitBytes;
    bool (*fits)(QByteArrayView);
    char32_t (*unitAt)(const char *);
};

// UTF-32 first: its pattern is the stricter one.
constexpr WideLayout wideLayouts[] = {
    {QStringConverter::Utf32LE, 4, fitsLayout<quint32, false>, unitAt<quint32, false>},
    {QStringConverter::Utf32BE, 4, fitsLayout<quint32, true>, unitAt<quint32, true>},
    {QStringConverter::Utf16LE, 2, fitsLayout<quint16, false>, unitAt<quint16, false>},
    {QStringConverter::Utf16BE, 2, fitsLayout<quint16, true>, unitAt<quint16, true>},
};

// A detector guesses from how often letters and pairs of letters occur, and a
// few accented letters are too little to go on: "naïve" alone comes back as a
// DOS code page. Text in a script other than Latin shows itself in a single
// word, three or more non-ASCII bytes in a row; Latin text in a code page
// other than Windows-1252 needs more of its accented letters.
bool enoughToTell(QByteArrayView data)
{
    qsizetype nonAscii = 0;
    qsizetype run = 0;
    for (const char byte : data) {
        if (uchar(byte) < 0x80) {
            run = 0;
        } else if (++nonAscii >= 8 || ++run >= 3) {
            return true;
        }
    }
    return false;
}

// A line cut short for the sample, cut where no encoding the detector may
// answer can be inside a character: after a byte below 0x30 (a space, a tab,
// most punctuation), which is never part of a longer sequence, not even of
// GB18030's four bytes, whose second and fourth are digits.
QByteArrayView wholeCharacters(QByteArrayView line)
{
    const auto last = std::find_if(line.rbegin(), line.rend(), [](char byte) { return uchar(byte) < 0x30; });
    return last == line.rend() ? line : line.first(line.rend() - last);
}

} // namespace

std::optional<QStringConverter::Encoding> unicodeByZeroBytes(QByteArrayView data)
{
    for (const WideLayout &layout : wideLayouts) {
        if (layout.fits(data))
            return layout.encoding;
    }
    return std::nullopt;
}

bool lineFeedsAreWhole(QByteArrayView data, QStringConverter::Encoding encoding)
{
    const WideLayout &layout = *std::find_if(std::begin(wideLayouts), std::end(wideLayouts),
                                             [&](const WideLayout &candidate) { return candidate.encoding == encoding; });
    for (qsizetype at = data.indexOf('\n'); at >= 0; at = data.indexOf('\n', at + 1)) {
        const qsizetype unitStart = at - at % layout.unitBytes;
        if (unitStart + layout.unitBytes > data.size() || layout.unitAt(data.data() + unitStart) != U'\n')
            return false;
    }
    return true;
}

QByteArray legacySample(QByteArrayView data)
{
    constexpr qsizetype sampleBytes = 64 * 1024;
    QByteArray sample;
    for (qsizetype start = 0; start < data.size() && sample.size() < sampleBytes;) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        QByteArrayView line = data.sliced(start, end - start);
        start = end + 1;
        if (std::none_of(line.begin(), line.end(), [](char byte) { return uchar(byte) >= 0x80; }))
            continue;
        if (sample.size() + line.size() >= sampleBytes) {
            if (!sample.isEmpty())
                break;
            line = wholeCharacters(line.first(sampleBytes));
        }
        sample.append(line).append('\n');
    }
    return sample;
}

LegacyGuess guessLegacyEncoding(QByteArrayView sample)
{
    if (!enoughToTell(sample))
        return {};
    const std::unique_ptr<uchardet, decltype(&uchardet_delete)> detector(uchardet_new(), uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), sample.data(), size_t(sample.size())) != 0)
        return {};
    uchardet_data_end(detector.get());
    const QByteArray name(uchardet_get_charset(detector.get()));
    // Not a legacy encoding: the detector says UTF-8, UTF-16 or UTF-32 where
    // a line begins with what looks like a byte-order mark, but UTF-8 has
    // been tried, and the others are told by their zero bytes.
    if (name.isEmpty() || name.startsWith("UTF") || name.contains("10646"))
        return {};
    const std::optional<LegacyEncoding> encoding = legacyEncodingNamed(name);
    if (!encoding || !LegacyDecoder(*encoding).isValid())
        return {true, std::nullopt};
    return {true, encoding};
}

qsizetype misreadCharacters(QStringView text)
{
    const QList<uint> points = text.toUcs4();
    const auto isLetter = [&](qsizetype i) { return i >= 0 && i < points.size() && QChar::isLetter(points[i]); };
    qsizetype count = 0;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const char32_t point = points[i];
        if (point < 0x80)
            continue;
        // Punctuation may join the letters of a word (l’été, col·lecció).
        const QChar::Category category = QChar::category(point);
        const bool notOfWords = (category >= QChar::Symbol_Math && category <= QChar::Symbol_Other)
                || category == QChar::Number_Other || category == QChar::Other_Control
                || category == QChar::Other_PrivateUse || category == QChar::Other_NotAssigned;
        if (category == QChar::Symbol_Modifier)
            ++count;
        else if (notOfWords && isLetter(i - 1) && isLetter(i + 1))
            ++count;
        else if (QChar::isUpper(point) && i > 0 && QChar::isLower(points[i - 1]))
            ++count;
    }
    return count;
}

} // namespace quillmark
