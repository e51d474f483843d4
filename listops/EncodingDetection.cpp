#include "EncodingDetection.h"

#include <QList>

#include <algorithm>
#include <memory>

#ifdef QUILLMARK_HAVE_UCHARDET
#include <uchardet.h>
#endif

namespace quillmark {

namespace {

struct WideLayout {
    QStringConverter::Encoding encoding;
    int unitBytes;
    bool bigEndian;
};

// UTF-32 first: its pattern is the stricter one.
constexpr WideLayout wideLayouts[] = {
    {QStringConverter::Utf32LE, 4, false},
    {QStringConverter::Utf32BE, 4, true},
    {QStringConverter::Utf16LE, 2, false},
    {QStringConverter::Utf16BE, 2, true},
};

char32_t unitAt(QByteArrayView data, qsizetype at, const WideLayout &layout)
{
    char32_t unit = 0;
    for (int k = 0; k < layout.unitBytes; ++k) {
        const int significance = layout.bigEndian ? layout.unitBytes - 1 - k : k;
        unit |= char32_t(uchar(data[at + k])) << (8 * significance);
    }
    return unit;
}

bool fitsLayout(QByteArrayView data, const WideLayout &layout)
{
    if (data.isEmpty() || data.size() % layout.unitBytes != 0)
        return false;
    const int highShift = 8 * (layout.unitBytes - 1);
    qsizetype zeroHigh = 0;
    qsizetype zeroLow = 0;
    bool expectLowSurrogate = false;
    for (qsizetype at = 0; at < data.size(); at += layout.unitBytes) {
        const char32_t unit = unitAt(data, at, layout);
        zeroHigh += (unit >> highShift) == 0;
        zeroLow += (unit & 0xFF) == 0;
        const bool highSurrogate = unit >= 0xD800 && unit <= 0xDBFF;
        const bool lowSurrogate = unit >= 0xDC00 && unit <= 0xDFFF;
        if (layout.unitBytes == 4) {
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

const WideLayout &layoutOf(QStringConverter::Encoding encoding)
{
    return *std::find_if(std::begin(wideLayouts), std::end(wideLayouts),
                         [&](const WideLayout &layout) { return layout.encoding == encoding; });
}

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

} // namespace

std::optional<QStringConverter::Encoding> unicodeByZeroBytes(QByteArrayView data)
{
    for (const WideLayout &layout : wideLayouts) {
        if (fitsLayout(data, layout))
            return layout.encoding;
    }
    return std::nullopt;
}

bool lineFeedsAreWhole(QByteArrayView data, QStringConverter::Encoding encoding)
{
    const WideLayout &layout = layoutOf(encoding);
    for (qsizetype at = 0; at + layout.unitBytes <= data.size(); at += layout.unitBytes) {
        const QByteArrayView unitBytes = data.sliced(at, layout.unitBytes);
        if (unitBytes.contains('\n') && unitAt(data, at, layout) != U'\n')
            return false;
    }
    return true;
}

QByteArray legacyEncodingGuess(QByteArrayView data)
{
#ifdef QUILLMARK_HAVE_UCHARDET
    if (!enoughToTell(data))
        return {};
    const std::unique_ptr<uchardet, decltype(&uchardet_delete)> detector(uchardet_new(), uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), data.data(), size_t(data.size())) != 0)
        return {};
    uchardet_data_end(detector.get());
    const QByteArray guess(uchardet_get_charset(detector.get()));
    // Windows-1252 reads Latin-1 text the same and has the quotes, dashes and
    // € that files from Windows hold where Latin-1 has control characters;
    // ISO-8859-15 differs from it in eight rare signs only.
    for (const char *western : {"ASCII", "ISO-8859-1", "ISO-8859-15", "WINDOWS-1252"}) {
        if (guess.compare(western, Qt::CaseInsensitive) == 0)
            return {};
    }
    return guess;
#else
    Q_UNUSED(data);
    return {};
#endif
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
