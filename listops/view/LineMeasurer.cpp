#include "LineMeasurer.h"

#include <QSet>
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
    QHash<quint64, int> codes;
    QHash<QString, int> named;
    QList<Piece> worth;

    void character(char16_t unit)
    {
        if (++codes[quint64(Piece::Character) << 32 | unit] == 1)
            worth.append({QString(QChar(unit)), Piece::Character});
    }
    void pair(char16_t left, char16_t right)
    {
        if (++codes[quint64(Piece::Pair) << 32 | quint32(left) << 16 | right] == 2)
            worth.append({QString(QChar(left)) + QChar(right), Piece::Pair});
    }
    // Emoji sequences are few, words many.
    void text(QString piece, Piece::Kind kind)
    {
        if (++named[QChar(char16_t(u'0' + kind)) + piece] == (kind == Piece::Sequence ? 1 : 2))
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
            const QString key = QChar(char16_t(glyphs[piece.text.front().unicode()].script)) + piece.text.sliced(1);
            words.insert(key, {piece.advance, piece.afterSpace, piece.spaceAfter, piece.overhang, piece.ascent,
                               piece.descent});
            continue;
        }
        Glyph measured{piece.advance, piece.overhang, piece.ascent, piece.descent, true, QChar::Script_Common};
        if (piece.kind == Piece::Sequence) {
            sequences.insert(piece.text, measured);
            continue;
        }
        const char16_t unit = piece.text.front().unicode();
        measured.summable = glyphs[unit].summable;
        measured.script = glyphs[unit].script;
        glyphs[unit] = measured;
        if (unit <= 0xff && measured.summable && measured.ascent <= emptyAscent && measured.descent <= emptyDescent)
            latin1Steps[unit] = measured.advance;
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
        if (second.summable && second.ascent <= emptyAscent && second.descent <= emptyDescent)
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
    const QString key = sequence.toString();
    if (const auto found = sequences.constFind(key); found != sequences.cend())
        return &*found;
    static const Glyph listed{0, 0, 0, 0, true, QChar::Script_Common};
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
    return &*sequences.constFind(key);
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
    if (std::isnan(x) || x > exactFloatWidth)
        return sumWide(QString::fromLatin1(text), summing, line);
    const uchar last = text.isEmpty() ? 0 : units[text.size() - 1];
    const bool endsInGlyph = last != ' ' && last != '\t';
    line = finish(x + (endsInGlyph && last ? glyphs[last].overhang : 0), emptyAscent, emptyDescent);
    return Sum::Done;
}

LineMeasurer::Sum LineMeasurer::sumWide(QStringView text, Summing &summing, Line &line) const
{
    // A tab is a run of its own: it ends the kerning of the run before, and
    // moves on to its tab stop.
    Progress progress{0, 0, emptyAscent, emptyDescent};
    for (qsizetype start = 0;;) {
        const qsizetype tab = text.indexOf(u'\t', start);
        const QStringView field = text.sliced(start, (tab < 0 ? text.size() : tab) - start);
        const quint8 wordScript = shapedWordsScript(field);
        const bool summed = wordScript != QChar::Script_Common ? sumWords(field, wordScript, summing, progress)
                                                                : sumCharacters(field, summing, progress);
        if (!summed)
            return Sum::NotSummable;
        if (tab < 0)
            break;
        progress.x = nextTabStop(float(progress.x));
        progress.endsInSpace = true;
        start = tab + 1;
    }
    if (progress.unknown)
        return Sum::Unknown;
    line = finish(float(progress.x + (progress.endsInSpace ? 0 : progress.overhang)), progress.ascent,
                  progress.descent);
    return Sum::Done;
}

void LineMeasurer::Progress::add(const Glyph &glyph)
{
    x += glyph.advance;
    overhang = glyph.overhang;
    ascent = std::max(ascent, glyph.ascent);
    descent = std::max(descent, glyph.descent);
    endsInSpace = false;
}

bool LineMeasurer::sumCharacters(QStringView text, Summing &summing, Progress &progress) const
{
    // 0 where nothing kerns with the next character: at the start, and after
    // an emoji sequence.
    char16_t previous = 0;
    // Text is shaped in runs of one script, and kerning stops at their ends.
    // Spaces, digits and punctuation belong to the run they are in, so a
    // Latin letter after a CJK word and a space starts a new run.
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size();) {
        const char16_t unit = text[i].unicode();
        progress.started = true;
        // An emoji sequence starts with a surrogate pair, or with a mark on
        // the character after the first.
        const char16_t next = i + 1 < text.size() ? text[i + 1].unicode() : 0;
        const bool startsSequence = QChar::isHighSurrogate(unit) || next == 0xFE0E || next == 0xFE0F
                || next == 0x20E3 || next == 0x200D || next == 0xD83C;
        const qsizetype length = startsSequence ? emojiSequenceLength(text.sliced(i)) : 0;
        if (length == 0 && QChar::isHighSurrogate(unit))
            return false;
        if (length > 0) {
            if (const Glyph *sequence = knownSequence(text.sliced(i, length), summing))
                progress.add(*sequence);
            else
                progress.unknown = true;
            previous = 0;
            i += length;
            continue;
        }
        const Glyph *measured = knownGlyph(unit, summing);
        const Glyph &properties = glyphs[unit];
        // A mark is shaped with its letter: it may make one glyph of them,
        // which kerns with its neighbours as neither did.
        if (!properties.summable || isMark(QChar(unit)))
            return false;
        const quint8 script = properties.script;
        // After shaped words a run goes on in their script, and in their
        // font: spaces and digits there are not the ones measured alone.
        if (!progress.runSummable && script == QChar::Script_Common)
            return false;
        const bool sameRun = script == QChar::Script_Common || script == progress.run
                || progress.run == QChar::Script_Common;
        if (!sameRun || i - runStart >= maxRunLength) {
            runStart = i;
            previous = 0;
        }
        if (previous != 0) {
            float pair = 0;
            if (knownKerning(previous, unit, summing, pair))
                progress.x += pair;
            else
                progress.unknown = true;
        }
        if (script != QChar::Script_Common) {
            progress.run = script;
            progress.runSummable = true;
        }
        if (measured)
            progress.add(*measured);
        else
            progress.unknown = true;
        previous = unit;
        progress.endsInSpace = endsAsSpace(unit);
        ++i;
    }
    return true;
}

quint8 LineMeasurer::shapedWordsScript(QStringView field) const
{
    // Words of one script between single spaces, of a script the sums do not
    // cover or with marks on their letters: within such a field the text
    // layout shapes the words one by one but for their kerning with the
    // spaces. The first word holds a letter of the script, after which the
    // words of the script are measured.
    if (field.isEmpty() || field.size() > maxRunLength || field.front() == u' ' || field.back() == u' '
        || isMark(field.front()))
        return QChar::Script_Common;
    quint8 script = QChar::Script_Common;
    bool inFirstWord = true;
    bool letterFirst = false;
    bool shaped = false;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char16_t unit = field[i].unicode();
        if (unit == u' ') {
            // A double space, or a mark on a space, joins the words.
            if (field[i + 1] == u' ' || isMark(field[i + 1]))
                return QChar::Script_Common;
            inFirstWord = false;
            continue;
        }
        const Glyph &properties = glyphs[unit];
        const QChar::Category category = QChar::category(unit);
        if (QChar::isSurrogate(unit) || properties.unclaimed || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph
            || (category == QChar::Other_Format && unit != 0x200C && unit != 0x200D))
            return QChar::Script_Common;
        shaped = shaped || !properties.summable || isMark(QChar(unit));
        if (properties.script == QChar::Script_Common)
            continue;
        if (script != QChar::Script_Common && properties.script != script)
            return QChar::Script_Common;
        script = properties.script;
        letterFirst = letterFirst || (inFirstWord && QChar::isLetter(unit));
    }
    return shaped && letterFirst ? script : quint8(QChar::Script_Common);
}

bool LineMeasurer::sumWords(QStringView field, quint8 script, Summing &summing, Progress &progress) const
{
    // Spaces, digits and punctuation take the script of the run before them,
    // across a tab too, or at the start that of the first letter: here they
    // must be of this field's script.
    if ((progress.started && progress.run == QChar::Script_Common)
        || (glyphs[field.front().unicode()].script == QChar::Script_Common && progress.run != QChar::Script_Common
            && progress.run != script))
        return false;
    progress.started = true;
    for (qsizetype start = 0; start < field.size();) {
        const qsizetype space = field.indexOf(u' ', start);
        const qsizetype end = space < 0 ? field.size() : space;
        const Word *word = knownWord(script, field.sliced(start, end - start), summing);
        if (!word) {
            progress.unknown = true;
        } else {
            if (start == 0 && std::isnan(word->alone))
                return false;
            progress.x += start == 0 ? word->alone : word->afterSpace;
            if (space >= 0)
                progress.x += word->spaceAfter;
            progress.overhang = word->overhang;
            progress.ascent = std::max(progress.ascent, word->ascent);
            progress.descent = std::max(progress.descent, word->descent);
        }
        start = end + 1;
    }
    progress.endsInSpace = false;
    progress.run = script;
    progress.runSummable = drawnGlyphByGlyph(QChar::Script(script));
    return true;
}

const LineMeasurer::Word *LineMeasurer::knownWord(quint8 script, QStringView word, Summing &summing) const
{
    const QString key = QString(QChar(char16_t(script))).append(word);
    if (const auto found = words.constFind(key); found != words.cend())
        return &*found;
    if (summing.unmeasured == Unmeasured::Report)
        return nullptr;
    // Every word of a script is measured after the same letter of it, the
    // first one met, so that its run is of that script whatever the word.
    char16_t &context = wordContexts[script];
    if (context == 0) {
        const auto letter = std::find_if(word.cbegin(), word.cend(), [&](QChar unit) {
            return unit.isLetter() && glyphs[unit.unicode()].script == script;
        });
        if (letter == word.cend())
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
    return &*words.constFind(key);
}

LineMeasurer::Line LineMeasurer::layOut(const quillmark::CompactText &text, const QFont &font) const
{
    QString shown = text.toString();
    shown.truncate(shownLength(shown));
    const Layout laidOut = layOutText(shown, font);
    return {qCeil(laidOut.width), qCeil(laidOut.height)};
}
