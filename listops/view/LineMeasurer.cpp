#include "LineMeasurer.h"

#include "TextRuns.h"

#include <QTextLayout>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The style lays an item's text out in lines this wide, which no entry fills.
constexpr int unboundedLineWidth = std::numeric_limits<int>::max() / 256;
// The text layout shapes at most this many units as one run: kerning stops
// between them.
constexpr qsizetype maxRunLength = 4096;
// Widths beyond this many pixels are no longer exact in a float's sum of
// 64ths of a pixel.
constexpr float exactFloatWidth = float(1 << 17);

constexpr quint32 widthBits = 20;
constexpr quint32 widthMask = (1u << widthBits) - 1;
constexpr quint32 heightMask = 0xf;
constexpr quint32 generationShift = 24;

// Scripts drawn glyph after glyph, all in the view's own font where it has
// them: no contextual forms, no reordering.
bool drawnGlyphByGlyph(QChar::Script script)
{
    switch (script) {
    case QChar::Script_Common:
    case QChar::Script_Inherited:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Bopomofo:
        return true;
    default:
        return false;
    }
}

// Characters drawn glyph after glyph: no line breaks, no contextual forms,
// so a run of them is as wide as its advances and kerning.
bool drawnGlyphByGlyph(QChar character)
{
    switch (character.category()) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        return drawnGlyphByGlyph(character.script());
    }
}

bool isMark(QChar character)
{
    const QChar::Category category = character.category();
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
            || category == QChar::Mark_Enclosing;
}

// A space that ends a line as white space: no overhang counts after it. A
// no-break space is drawn as a glyph.
bool endsAsSpace(char32_t character)
{
    return character == u'\t'
            || (QChar::isSpace(character) && QChar::decompositionTag(character) != QChar::NoBreak);
}

// A character that no font claims: controls, private use, unassigned code
// points. The glyph that draws one comes from whichever font the laying out
// thread loaded before that happens to have one, so only the owning thread's
// layout gives the size the view's own would.
bool isUnclaimed(char32_t character)
{
    switch (QChar::category(character)) {
    case QChar::Other_Control:
    case QChar::Other_NotAssigned:
    case QChar::Other_PrivateUse:
    case QChar::Other_Surrogate:
        return true;
    default:
        return false;
    }
}

bool isRegionalIndicator(char32_t character)
{
    return character >= 0x1F1E6 && character <= 0x1F1FF;
}

// Pictographs that emoji sequences are made of: those beyond the Basic
// Multilingual Plane, and its symbols that have emoji forms.
bool isPictograph(char32_t character)
{
    if (character >= 0x1F000 && character <= 0x1FAFF)
        return !isRegionalIndicator(character);
    switch (character) {
    case 0x00A9: case 0x00AE: case 0x203C: case 0x2049: case 0x2122: case 0x2139:
    case 0x3030: case 0x303D: case 0x3297: case 0x3299:
        return true;
    default:
        return (character >= 0x2190 && character <= 0x21FF) || (character >= 0x2300 && character <= 0x23FF)
                || (character >= 0x2600 && character <= 0x27BF) || (character >= 0x2B00 && character <= 0x2BFF);
    }
}

// The length of the emoji sequence that text starts with: a pictograph with
// its variation selector, skin tone, tags, keycap and the pictographs joined
// on by ZWJ, or a pair of regional indicators (a flag); or 0. A character of
// the Basic Multilingual Plane starts one only with such a mark after it.
qsizetype emojiSequenceLength(QStringView text)
{
    const auto codePointAt = [&](qsizetype at) -> char32_t {
        if (at >= text.size())
            return 0;
        if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
            return QChar::surrogateToUcs4(text[at], text[at + 1]);
        return text[at].unicode();
    };
    const auto length = [](char32_t character) { return character > 0xffff ? 2 : 1; };
    const auto isComponent = [](char32_t character) {
        return character == 0xFE0E || character == 0xFE0F || character == 0x20E3
                || (character >= 0x1F3FB && character <= 0x1F3FF) || (character >= 0xE0020 && character <= 0xE007F);
    };
    const char32_t first = codePointAt(0);
    if (isRegionalIndicator(first))
        return isRegionalIndicator(codePointAt(2)) ? 4 : 2;
    qsizetype end = length(first);
    const bool keycap = (first >= u'0' && first <= u'9') || first == u'#' || first == u'*';
    if (first <= 0xffff ? !(isPictograph(first) || keycap) || !isComponent(codePointAt(end))
                        : !isPictograph(first))
        return 0;
    for (;;) {
        const char32_t next = codePointAt(end);
        if (isComponent(next))
            end += length(next);
        else if (next == 0x200D && isPictograph(codePointAt(end + 1)))
            end += 1 + length(codePointAt(end + 1));
        else
            return end;
    }
}

// A text laid out as the style lays out an item's text.
struct Layout {
    qreal width = 0;
    qreal advance = 0;
    qreal ascent = 0;
    qreal descent = 0;
    qreal height = 0;
};

Layout layOutText(const QString &text, const QFont &font, bool countTrailingSpaces = false)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    if (countTrailingSpaces)
        option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout.setTextOption(option);
    Layout measured;
    layout.beginLayout();
    for (bool first = true;; first = false) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(unboundedLineWidth);
        if (first) {
            measured.advance = line.horizontalAdvance();
            measured.ascent = line.ascent();
            measured.descent = line.descent();
        }
        measured.height += line.height();
        measured.width = std::max(measured.width, line.naturalTextWidth());
    }
    layout.endLayout();
    return measured;
}

} // namespace

// The pieces that texts need learnt, counted as a sum lists them: a pair or
// a word is worth learning where several texts share it.
struct LineMeasurer::Listing {
    // A list's first batch has every pair of every text to list: those that
    // are listed at once are marked in tables, not counted in a hash.
    std::vector<bool> charactersListed = std::vector<bool>(0x10000);
    std::vector<bool> latin1PairsListed = std::vector<bool>(0x100 * 0x100);
    QHash<quint32, int> otherPairs;
    QHash<QString, int> named;
    QList<Piece> worth;

    static bool firstTime(std::vector<bool> &listed, size_t at)
    {
        const bool first = !listed[at];
        listed[at] = true;
        return first;
    }
    void character(char16_t unit)
    {
        if (firstTime(charactersListed, unit))
            worth.append({QString(QChar(unit)), Piece::Character});
    }
    // Latin-1 pairs are at most 65,536, and met again and again.
    void pair(char16_t left, char16_t right)
    {
        const bool worthIt = left <= 0xff && right <= 0xff ? firstTime(latin1PairsListed, left * 0x100 + right)
                                                         : ++otherPairs[quint32(left) << 16 | right] == 2;
        if (worthIt)
            worth.append({QString(QChar(left)) + QChar(right), Piece::Pair});
    }
    // Emoji sequences are few, words many; but a number is quicker learnt,
    // in a layout or two of its few digits, than the text it is in laid out.
    void text(QString piece, Piece::Kind kind)
    {
        const bool few = kind == Piece::Sequence
                || std::none_of(piece.cbegin() + 1, piece.cend(), [](QChar unit) { return unit.isLetter(); });
        if (++named[QChar(char16_t(u'0' + kind)) + piece] == (few ? 1 : 2))
            worth.append({std::move(piece), kind});
    }
};

// The summing of one text: what it does with pieces not measured yet, where
// it lists them, and the font it measures them in.
struct LineMeasurer::Summing {
    Unmeasured unmeasured;
    Listing *listing = nullptr;
    const QFont *font = nullptr;
};

qsizetype LineMeasurer::shownLength(QStringView text)
{
    if (text.size() <= maxShownLength)
        return text.size();
    return text[maxShownLength - 1].isHighSurrogate() ? maxShownLength - 1 : maxShownLength;
}

bool LineMeasurer::setFont(const QFont &font)
{
    measuredFont = font;
    const bool wrapped = generation == (1u << (32 - generationShift)) - 1;
    generation = wrapped ? 1 : generation + 1;
    glyphs.assign(0x10000, Glyph());
    for (char32_t unit = 0; unit < 0x10000; ++unit) {
        const QChar character(unit);
        QChar::Script script = character.script();
        if (script == QChar::Script_Inherited)
            script = QChar::Script_Common;
        glyphs[unit].summable = drawnGlyphByGlyph(character);
        glyphs[unit].script = quint8(script);
        glyphs[unit].unclaimed = unit != u'\t' && isUnclaimed(unit);
        glyphs[unit].space = endsAsSpace(unit);
        glyphs[unit].mark = isMark(character);
        glyphs[unit].joinsSequence = unit == 0xFE0E || unit == 0xFE0F || unit == 0x20E3 || unit == 0x200D
                || unit == 0xD83C;
    }
    kernings.assign(0x100 * 0x100, std::numeric_limits<float>::quiet_NaN());
    // Nothing before the first character: its row is all zero.
    std::fill_n(kernings.begin(), 0x100, 0.0f);
    latin1Steps.assign(0x100 * 0x100, std::numeric_limits<float>::quiet_NaN());
    otherKernings.clear();
    sequences.clear();
    words.clear();
    wordContexts.fill(0);
    for (std::atomic<int> &height : heights)
        height.store(0, std::memory_order_relaxed);

    const Layout empty = layOutText(QString(), font);
    emptyAscent = float(empty.ascent);
    emptyDescent = float(empty.descent);
    tabDistance = float(layOutText(QStringLiteral("\t"), font, true).width);
    return wrapped;
}

QFont LineMeasurer::threadFont() const
{
    QFont copy = measuredFont;
    // A setter that changes something gives the copy a private part of its
    // own; the second puts the value back.
    copy.setKerning(!measuredFont.kerning());
    copy.setKerning(measuredFont.kerning());
    return copy;
}

LineMeasurer::Line LineMeasurer::remembered(const quillmark::CompactText &text) const
{
    const quint32 value = text.rememberedValue();
    if (value >> generationShift != generation)
        return {};
    return {int(value & widthMask), heights[(value >> widthBits) & heightMask].load(std::memory_order_relaxed)};
}

void LineMeasurer::remember(const quillmark::CompactText &text, Line line) const
{
    if (quint32(line.width) > widthMask)
        return;
    for (quint32 index = 0; index < heights.size(); ++index) {
        int known = heights[index].load(std::memory_order_relaxed);
        if (known == 0 && heights[index].compare_exchange_strong(known, line.height, std::memory_order_relaxed))
            known = line.height;
        if (known == line.height) {
            text.remember(generation << generationShift | index << widthBits | quint32(line.width));
            return;
        }
    }
}

LineMeasurer::Line LineMeasurer::measure(const quillmark::CompactText &text) const
{
    if (const Line known = remembered(text); known.isValid())
        return known;
    Summing summing{Unmeasured::Measure, nullptr, &measuredFont};
    Line line;
    if (sum(text, summing, line) != Sum::Done)
        line = layOut(text, measuredFont);
    remember(text, line);
    return line;
}

LineMeasurer::Beside LineMeasurer::measureBeside(const quillmark::CompactText &text, const QFont *threadFont,
                                                 bool layOutUnknown) const
{
    if (remembered(text).isValid())
        return Beside::Measured;
    Summing summing{Unmeasured::Report};
    Line line;
    const Sum result = sum(text, summing, line);
    if (result == Sum::OnOwningThread)
        return Beside::OnOwningThread;
    if ((result == Sum::Unknown && !layOutUnknown) || (result != Sum::Done && !threadFont))
        return Beside::Unknown;
    if (result != Sum::Done)
        line = layOut(text, *threadFont);
    remember(text, line);
    return Beside::Measured;
}

QList<LineMeasurer::Piece> LineMeasurer::unknownPieces(const std::vector<const quillmark::CompactText *> &texts) const
{
    // Learning a pair or a word takes as many layouts as laying a text out,
    // or more. A character or an emoji sequence is learnt at once: there are
    // few of them.
    Listing listing;
    for (const quillmark::CompactText *text : texts) {
        Summing summing{Unmeasured::List, &listing};
        Line line;
        sum(*text, summing, line);
    }
    return listing.worth;
}

void LineMeasurer::measurePiece(Piece &piece, const QFont &threadFont)
{
    if (piece.kind == Piece::Word && piece.text.sliced(1) == u" ") {
        // A space that is a run of its own: after a tab, which makes it one,
        // in the script of the letter before.
        const QString context = piece.text.front() + QStringLiteral("\t");
        const Layout space = layOutText(context + u' ', threadFont, true);
        piece.advance = piece.afterSpace = float(space.advance - layOutText(context, threadFont, true).advance);
        piece.ascent = float(space.ascent);
        piece.descent = float(space.descent);
        return;
    }
    if (piece.kind == Piece::Word) {
        // After a letter of its script and a space, so that its run is of
        // that script whatever the word: a number in Arabic text is drawn
        // in the Arabic font.
        const QChar context = piece.text.front();
        const QString word = piece.text.sliced(1);
        const QString space = QStringLiteral(" ");
        const qreal lead = layOutText(context + space, threadFont, true).advance;
        const Layout placed = layOutText(context + space + word, threadFont, true);
        const qreal followed = layOutText(context + space + word + space, threadFont, true).advance;
        // Alone where it holds a letter of its script, which makes its run
        // of that script: the height of its own fonts.
        const auto ofScript = [&](QChar unit) { return unit.script() == context.script(); };
        const bool standsAlone = std::any_of(word.cbegin(), word.cend(), ofScript);
        const Layout alone = standsAlone ? layOutText(word, threadFont, true) : placed;
        piece.advance = standsAlone ? float(alone.advance) : std::numeric_limits<float>::quiet_NaN();
        piece.afterSpace = float(placed.advance - lead);
        piece.spaceAfter = float(followed - placed.advance);
        piece.overhang = float(std::max(placed.width - placed.advance, qreal(0)));
        piece.ascent = float(alone.ascent);
        piece.descent = float(alone.descent);
        return;
    }
    const Layout whole = layOutText(piece.text, threadFont, true);
    if (piece.kind == Piece::Pair) {
        // Advances alone, so that the pair's less both is its kerning.
        const Layout left = layOutText(piece.text.left(1), threadFont, true);
        const Layout right = layOutText(piece.text.right(1), threadFont, true);
        piece.advance = float(whole.advance - left.advance - right.advance);
        return;
    }
    piece.advance = float(whole.advance);
    piece.overhang = float(std::max(whole.width - whole.advance, qreal(0)));
    piece.ascent = float(whole.ascent);
    piece.descent = float(whole.descent);
}

void LineMeasurer::learn(const QList<Piece> &pieces) const
{
    // Characters first: a Latin-1 pair's step needs the second one's glyph.
    for (const Piece &piece : pieces) {
        if (piece.kind == Piece::Pair)
            continue;
        if (piece.kind == Piece::Word) {
            words.insert(glyphs[piece.text.front().unicode()].script, QStringView(piece.text).sliced(1),
                         {piece.advance, piece.afterSpace, piece.spaceAfter, piece.overhang, piece.ascent,
                          piece.descent});
            continue;
        }
        Glyph measured;
        if (piece.kind == Piece::Sequence)
            measured.summable = true;
        // A character keeps what it is, and gets its metrics.
        Glyph &glyph = piece.kind == Piece::Sequence ? measured : glyphs[piece.text.front().unicode()];
        glyph.advance = piece.advance;
        glyph.overhang = piece.overhang;
        glyph.ascent = piece.ascent;
        glyph.descent = piece.descent;
        if (piece.kind == Piece::Sequence) {
            sequences.insert(0, piece.text, measured);
            continue;
        }
        const char16_t unit = piece.text.front().unicode();
        if (unit <= 0xff && glyph.summable && glyph.ascent == emptyAscent && glyph.descent == emptyDescent)
            latin1Steps[unit] = glyph.advance;
    }
    for (const Piece &piece : pieces) {
        if (piece.kind != Piece::Pair)
            continue;
        const char16_t left = piece.text.front().unicode();
        const char16_t right = piece.text.back().unicode();
        if (left > 0xff || right > 0xff) {
            otherKernings.insert(quint32(left) << 16 | right, piece.advance);
            continue;
        }
        kernings[left * 0x100 + right] = piece.advance;
        const Glyph &second = glyphs[right];
        if (second.advance >= 0 && second.summable && second.ascent == emptyAscent && second.descent == emptyDescent)
            latin1Steps[left * 0x100 + right] = piece.advance + second.advance;
    }
}

const LineMeasurer::Glyph *LineMeasurer::knownGlyph(char16_t unit, Summing &summing) const
{
    const Glyph &known = glyphs[unit];
    if (known.advance >= 0 || !known.summable)
        return &known;
    switch (summing.unmeasured) {
    case Unmeasured::Report:
        return nullptr;
    case Unmeasured::List:
        summing.listing->character(unit);
        return &known;
    case Unmeasured::Measure:
        break;
    }
    Piece piece{QString(QChar(unit)), Piece::Character};
    measurePiece(piece, *summing.font);
    learn({piece});
    return &known;
}

float LineMeasurer::storedKerning(char16_t left, char16_t right) const
{
    if (left <= 0xff && right <= 0xff)
        return kernings[left * 0x100 + right];
    const auto found = otherKernings.constFind(quint32(left) << 16 | right);
    return found == otherKernings.cend() ? std::numeric_limits<float>::quiet_NaN() : *found;
}

bool LineMeasurer::knownKerning(char16_t left, char16_t right, Summing &summing, float &value) const
{
    value = storedKerning(left, right);
    if (!std::isnan(value))
        return true;
    switch (summing.unmeasured) {
    case Unmeasured::Report:
        return false;
    case Unmeasured::List:
        summing.listing->pair(left, right);
        value = 0;
        return true;
    case Unmeasured::Measure:
        break;
    }
    Piece piece{QString(QChar(left)) + QChar(right), Piece::Pair};
    measurePiece(piece, *summing.font);
    learn({piece});
    value = piece.advance;
    return true;
}

const LineMeasurer::Glyph *LineMeasurer::knownSequence(QStringView sequence, Summing &summing) const
{
    if (const Glyph *found = sequences.find(0, sequence))
        return found;
    static const Glyph listed{0, 0, 0, 0, true, QChar::Script_Common};
    const QString key = sequence.toString();
    switch (summing.unmeasured) {
    case Unmeasured::Report:
        return nullptr;
    case Unmeasured::List:
        summing.listing->text(key, Piece::Sequence);
        return &listed;
    case Unmeasured::Measure:
        break;
    }
    Piece piece{key, Piece::Sequence};
    measurePiece(piece, *summing.font);
    learn({piece});
    return sequences.find(0, sequence);
}

float LineMeasurer::nextTabStop(float x) const
{
    // As the text layout finds it, in 64ths of a pixel: the quotient is
    // rounded before it is cut to whole tab stops.
    const qint64 position = qRound64(double(x) * 64);
    const qint64 distance = qRound64(double(tabDistance) * 64);
    const qint64 stops = (((position << 6) + (distance >> 1)) / distance) >> 6;
    return float(double((stops + 1) * distance) / 64);
}

LineMeasurer::Line LineMeasurer::finish(float width, float ascent, float descent) const
{
    return {qCeil(width), qCeil(ascent + descent)};
}

LineMeasurer::Sum LineMeasurer::sum(const quillmark::CompactText &text, Summing &summing, Line &line) const
{
    if (text.isWide()) {
        QStringView units(static_cast<const QChar *>(text.data()), text.size());
        units = units.first(shownLength(units));
        const Sum result = sumWide(units, summing, line);
        return result == Sum::NotSummable && anyUnclaimed(units) ? Sum::OnOwningThread : result;
    }
    QByteArrayView bytes(static_cast<const char *>(text.data()), text.size());
    bytes = bytes.first(std::min(bytes.size(), maxShownLength));
    const Sum result = sumLatin1(bytes, summing, line);
    const auto unclaimed = [this](char byte) { return glyphs[uchar(byte)].unclaimed; };
    return result == Sum::NotSummable && std::any_of(bytes.begin(), bytes.end(), unclaimed) ? Sum::OnOwningThread
                                                                                           : result;
}

bool LineMeasurer::anyUnclaimed(QStringView text) const
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            if (isUnclaimed(QChar::surrogateToUcs4(text[i], text[i + 1])))
                return true;
            ++i;
        } else if (glyphs[text[i].unicode()].unclaimed) {
            return true;
        }
    }
    return false;
}

LineMeasurer::Sum LineMeasurer::sumLatin1(QByteArrayView text, Summing &summing, Line &line) const
{
    // Pairs not yet measured, and those that cannot be summed, are NaN, which
    // every sum they enter stays: one check at the end instead of one per
    // character. Advances and kerning are whole 64ths of a pixel, which a
    // float adds up exactly in any order; two sums let the processor add two
    // at a time. A tab ends a run of kerning and moves on to its tab stop.
    const auto *units = reinterpret_cast<const uchar *>(text.data());
    const float *steps = latin1Steps.data();
    float x = 0;
    for (qsizetype start = 0; start <= text.size();) {
        const auto *tab = static_cast<const uchar *>(std::memchr(units + start, '\t', size_t(text.size() - start)));
        const qsizetype end = tab ? tab - units : text.size();
        if (end - start > maxRunLength)
            return sumWide(QString::fromLatin1(text), summing, line);
        float sums[2] = {0, 0};
        uchar previous = 0;
        qsizetype i = start;
        for (; i + 1 < end; i += 2) {
            sums[0] += steps[previous * 0x100 + units[i]];
            sums[1] += steps[units[i] * 0x100 + units[i + 1]];
            previous = units[i + 1];
        }
        if (i < end)
            sums[0] += steps[previous * 0x100 + units[i]];
        x += sums[0] + sums[1];
        // Rounding to a tab stop would lose the NaN.
        if (!tab || std::isnan(x))
            break;
        x = nextTabStop(x);
        start = end + 1;
    }
    if (std::isnan(x) && summing.unmeasured != Unmeasured::Measure && latin1NeedsLearning(text, summing))
        return Sum::Unknown;
    if (std::isnan(x) || x > exactFloatWidth)
        return sumWide(QString::fromLatin1(text), summing, line);
    const uchar last = text.isEmpty() ? 0 : units[text.size() - 1];
    const bool endsInGlyph = last != ' ' && last != '\t';
    line = finish(x + (endsInGlyph && last ? glyphs[last].overhang : 0), emptyAscent, emptyDescent);
    return Sum::Done;
}

bool LineMeasurer::latin1NeedsLearning(QByteArrayView text, Summing &summing) const
{
    // Latin-1 holds one script and no right-to-left letter: only tabs end
    // its runs, and kerning with them.
    bool needs = false;
    uchar previous = 0;
    for (const char byte : text) {
        const uchar unit = uchar(byte);
        if (unit == '\t') {
            previous = 0;
            continue;
        }
        const Glyph &glyph = glyphs[unit];
        if (!glyph.summable || glyph.mark)
            return false;
        if (glyph.advance < 0) {
            needs = true;
            if (summing.listing)
                summing.listing->character(unit);
        }
        if (previous != 0 && std::isnan(kernings[previous * 0x100 + unit])) {
            needs = true;
            if (summing.listing)
                summing.listing->pair(previous, unit);
        }
        previous = unit;
    }
    return needs;
}

LineMeasurer::Sum LineMeasurer::sumWide(QStringView text, Summing &summing, Line &line) const
{
    // Run by run, as the text layout shapes them: kerning stops at their
    // ends, and a tab moves on to its tab stop.
    thread_local std::vector<TextRun> runs;
    if (!findTextRuns(text, runs))
        return Sum::NotSummable;
    // A line is as high as the fonts its glyphs come from: one all in a
    // fallback font leaves the view's own font out. Tabs draw nothing, and
    // only a line of nothing else is as high as the view's font.
    Progress progress{0, 0, 0, 0};
    for (const TextRun &run : runs) {
        if (run.isTab) {
            progress.x = nextTabStop(float(progress.x));
            progress.endsInSpace = true;
            continue;
        }
        const QStringView runText = text.sliced(run.start, run.end - run.start);
        // Letters of a script that is shaped, or with marks on them, are
        // shaped word by word; an emoji's variation selector or keycap is
        // part of its sequence.
        const auto onLetter = [this](QChar unit) {
            return glyphs[unit.unicode()].mark && unit != QChar(0xFE0E) && unit != QChar(0xFE0F)
                    && unit != QChar(0x20E3);
        };
        const bool byWords = !drawnGlyphByGlyph(QChar::Script(run.script))
                || std::any_of(runText.cbegin(), runText.cend(), onLetter);
        if (!(byWords ? sumWords(runText, run.script, summing, progress) : sumCharacters(runText, run.script, summing, progress)))
            return Sum::NotSummable;
    }
    if (progress.unknown)
        return Sum::Unknown;
    if (progress.ascent == 0 && progress.descent == 0) {
        progress.ascent = emptyAscent;
        progress.descent = emptyDescent;
    }
    line = finish(float(progress.x + (progress.endsInSpace ? 0 : progress.overhang)), progress.ascent,
                  progress.descent);
    return Sum::Done;
}

bool LineMeasurer::sumCharacters(QStringView run, quint8 script, Summing &summing, Progress &progress) const
{
    // 0 where nothing kerns with the next character: at the start of the run,
    // and after an emoji sequence.
    char16_t previous = 0;
    for (qsizetype i = 0; i < run.size();) {
        const char16_t unit = run[i].unicode();
        const Glyph &properties = glyphs[unit];
        // An emoji sequence starts with a surrogate pair, or with a mark on
        // the character after the first.
        if (QChar::isHighSurrogate(unit) || (i + 1 < run.size() && glyphs[run[i + 1].unicode()].joinsSequence)) {
            const qsizetype length = emojiSequenceLength(run.sliced(i));
            if (length == 0 && QChar::isHighSurrogate(unit))
                return false;
            if (length > 0) {
                // Alone, a sequence is drawn in the fonts Latin text falls
                // back to; in a run of kana, say, others may draw it, of
                // another height: there it is learnt as a word of the run's
                // script, which it does not kern with.
                const QStringView text = run.sliced(i, length);
                if (script == QChar::Script_Common || script == QChar::Script_Latin) {
                    if (const Glyph *sequence = knownSequence(text, summing))
                        progress.add(*sequence);
                    else
                        progress.unknown = true;
                } else if (const Word *word = knownWord(script, text, summing, run)) {
                    progress.x += word->afterSpace;
                    progress.overhang = word->overhang;
                    progress.ascent = std::max(progress.ascent, word->ascent);
                    progress.descent = std::max(progress.descent, word->descent);
                    progress.endsInSpace = false;
                } else {
                    progress.unknown = true;
                }
                previous = 0;
                i += length;
                continue;
            }
        }
        if (!properties.summable || properties.mark)
            return false;
        // The character before the pair: a Latin-1 pair's step takes its
        // advance.
        const Glyph *measured = properties.advance >= 0 ? &properties : knownGlyph(unit, summing);
        if (previous != 0) {
            float pair = storedKerning(previous, unit);
            if (!std::isnan(pair) || knownKerning(previous, unit, summing, pair))
                progress.x += pair;
            else
                progress.unknown = true;
        }
        if (measured)
            progress.add(*measured);
        else
            progress.unknown = true;
        previous = unit;
        progress.endsInSpace = properties.space;
        ++i;
    }
    return true;
}

bool LineMeasurer::sumWords(QStringView run, quint8 script, Summing &summing, Progress &progress) const
{
    // Within a run the text layout shapes its words one by one but for their
    // kerning with the spaces between them (see knownWord). A run that starts
    // with a space or a mark, or has two spaces or a mark on a space, is
    // shaped whole. A space between words of two directions may be a run by
    // itself, in the script of the word before it.
    if (run == u" ") {
        const Word *space = knownWord(script, run, summing);
        if (space) {
            progress.x += space->alone;
            progress.ascent = std::max(progress.ascent, space->ascent);
            progress.descent = std::max(progress.descent, space->descent);
        } else {
            progress.unknown = true;
        }
        progress.endsInSpace = true;
        return true;
    }
    if (run.front() == u' ' || glyphs[run.front().unicode()].mark)
        return false;
    for (qsizetype start = 0; start < run.size();) {
        const qsizetype space = run.indexOf(u' ', start);
        const qsizetype end = space < 0 ? run.size() : space;
        const QStringView text = run.sliced(start, end - start);
        if (text.isEmpty() || glyphs[text.front().unicode()].mark || !shapedWord(text))
            return false;
        Word number;
        const bool isNumber = text.size() > 1 && std::all_of(text.cbegin(), text.cend(), [](QChar unit) {
            return unit >= u'0' && unit <= u'9';
        });
        if (const Word *word = isNumber ? knownNumber(script, text, summing, number) : knownWord(script, text, summing)) {
            // The first word of a run without a letter of the script, digits
            // in an Arabic text, is a run by itself.
            const bool alone = start == 0 && (space >= 0 || !std::isnan(word->alone));
            if (alone && std::isnan(word->alone))
                return false;
            progress.x += alone ? word->alone : word->afterSpace;
            if (space >= 0)
                progress.x += word->spaceAfter;
            progress.overhang = word->overhang;
            progress.ascent = std::max(progress.ascent, word->ascent);
            progress.descent = std::max(progress.descent, word->descent);
        } else {
            progress.unknown = true;
        }
        progress.endsInSpace = space >= 0;
        start = end + 1;
    }
    return true;
}

bool LineMeasurer::shapedWord(QStringView word) const
{
    // Marks on a letter only: on anything else they are placed as no
    // layout of the word alone tells.
    bool onLetter = false;
    for (const QChar unit : word) {
        const QChar::Category category = unit.category();
        if (unit.isSurrogate() || glyphs[unit.unicode()].unclaimed
            || (category == QChar::Other_Format && unit != QChar(0x200C) && unit != QChar(0x200D)))
            return false;
        if (glyphs[unit.unicode()].mark) {
            if (!onLetter)
                return false;
        } else {
            onLetter = unit.isLetter();
        }
    }
    return true;
}

const LineMeasurer::Word *LineMeasurer::knownWord(quint8 script, QStringView word, Summing &summing,
                                                  QStringView contextFrom) const
{
    if (const Word *found = words.find(script, word))
        return found;
    if (summing.unmeasured == Unmeasured::Report)
        return nullptr;
    // Every word of a script is measured after the same letter of it, the
    // first one met, so that its run is of that script whatever the word.
    char16_t &context = wordContexts[script];
    if (context == 0) {
        const QStringView from = contextFrom.isNull() ? word : contextFrom;
        const auto letter = std::find_if(from.cbegin(), from.cend(), [&](QChar unit) {
            return unit.isLetter() && glyphs[unit.unicode()].script == script;
        });
        if (letter == from.cend())
            return nullptr;
        context = letter->unicode();
    }
    const QString piece = QString(QChar(context)).append(word);
    if (summing.unmeasured == Unmeasured::List) {
        summing.listing->text(piece, Piece::Word);
        static const Word listed;
        return &listed;
    }
    Piece measured{piece, Piece::Word};
    measurePiece(measured, *summing.font);
    learn({measured});
    return words.find(script, word);
}

const LineMeasurer::Word *LineMeasurer::knownNumber(quint8 script, QStringView digits, Summing &summing,
                                                    Word &number) const
{
    // Digits kern only with each other, so a number adds up from its digits
    // and their pairs, each measured as a word of the script: a hundred and
    // ten of them, where the numbers of a list run to thousands. After a
    // space, the first digit comes with its kerning with the space, and each
    // next one with its kerning with the one before.
    const Word *first = knownWord(script, digits.first(1), summing);
    if (!first)
        return nullptr;
    number = *first;
    number.alone = std::numeric_limits<float>::quiet_NaN();
    for (qsizetype i = 1; i < digits.size(); ++i) {
        const Word *previous = knownWord(script, digits.sliced(i - 1, 1), summing);
        const Word *pair = knownWord(script, digits.sliced(i - 1, 2), summing);
        const Word *digit = knownWord(script, digits.sliced(i, 1), summing);
        if (!previous || !pair || !digit)
            return nullptr;
        number.afterSpace += pair->afterSpace - previous->afterSpace;
        number.spaceAfter = digit->spaceAfter;
        number.overhang = digit->overhang;
        number.ascent = std::max(number.ascent, digit->ascent);
        number.descent = std::max(number.descent, digit->descent);
    }
    return &number;
}

LineMeasurer::Line LineMeasurer::layOut(const quillmark::CompactText &text, const QFont &font) const
{
    QString shown = text.toString();
    shown.truncate(shownLength(shown));
    const Layout laidOut = layOutText(shown, font);
    return {qCeil(laidOut.width), qCeil(laidOut.height)};
}
