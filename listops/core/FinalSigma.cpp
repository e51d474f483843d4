#include "FinalSigma.h"

#include <algorithm>
#include <iterator>

namespace quillmark {

namespace {

constexpr char16_t capitalSigma = u'\u03A3';

// Cased: a lowercase, uppercase or titlecase letter, or any character with a
// case partner, which takes in the cased characters of other categories
// (Ⅷ, ⓐ, the Greek iota subscript). Modifier letters that count as lowercase
// without having a partner (ª, º, ʰ) are taken as uncased here.
bool isCased(char32_t point)
{
    switch (QChar::category(point)) {
    case QChar::Letter_Lowercase:
    case QChar::Letter_Uppercase:
    case QChar::Letter_Titlecase:
        return true;
    default:
        return QChar::toLower(point) != point || QChar::toUpper(point) != point;
    }
}

// Case-ignorable: marks, format characters, modifier letters and symbols, and
// the characters that may stand inside a word (apostrophes, full stop, colon,
// middle dot).
bool isCaseIgnorable(char32_t point)
{
    switch (QChar::category(point)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
    case QChar::Letter_Modifier:
    case QChar::Symbol_Modifier:
        return true;
    default:
        break;
    }
    static constexpr char32_t insideWords[] = {
        0x0027, 0x002E, 0x003A, 0x00B7, 0x0387, 0x055F, 0x05F4, 0x2018, 0x2019,
        0x2024, 0x2027, 0xFE13, 0xFE52, 0xFE55, 0xFF07, 0xFF0E, 0xFF1A,
    };
    return std::find(std::begin(insideWords), std::end(insideWords), point) != std::end(insideWords);
}

// Whether, skipping case-ignorable characters, a cased one comes next in the
// given direction from the character at `at`. A character that is both counts
// as cased.
bool casedBefore(QStringView text, qsizetype at)
{
    while (at > 0) {
        char32_t point = text[--at].unicode();
        if (QChar::isLowSurrogate(point) && at > 0 && text[at - 1].isHighSurrogate())
            point = QChar::surrogateToUcs4(text[--at], QChar(char16_t(point)));
        if (isCased(point))
            return true;
        if (!isCaseIgnorable(point))
            return false;
    }
    return false;
}

bool casedAfter(QStringView text, qsizetype at)
{
    while (++at < text.size()) {
        char32_t point = text[at].unicode();
        if (QChar::isHighSurrogate(point) && at + 1 < text.size() && text[at + 1].isLowSurrogate())
            point = QChar::surrogateToUcs4(QChar(char16_t(point)), text[++at]);
        if (isCased(point))
            return true;
        if (!isCaseIgnorable(point))
            return false;
    }
    return false;
}

} // namespace

QString toLowerWithFinalSigma(QString text)
{
    qsizetype sigma = text.indexOf(capitalSigma);
    if (sigma < 0)
        return std::move(text).toLower();
    // The text between sigmas is lowered on its own: toLower maps one
    // character at a time, and a sigma never splits a surrogate pair.
    QString lower;
    lower.reserve(text.size());
    qsizetype start = 0;
    for (; sigma >= 0; sigma = text.indexOf(capitalSigma, start)) {
        lower += text.sliced(start, sigma - start).toLower();
        const bool final = casedBefore(text, sigma) && !casedAfter(text, sigma);
        lower += final ? u'\u03C2' : u'\u03C3';
        start = sigma + 1;
    }
    lower += text.sliced(start).toLower();
    return lower;
}

} // namespace quillmark
