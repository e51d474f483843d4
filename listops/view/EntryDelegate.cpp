#include "EntryDelegate.h"

#include "EntryItem.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QListWidget>
#include <QStyle>
#include <QTextLayout>
#include <QWidget>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Characters drawn glyph after glyph: no contextual forms, no reordering, no
// line breaks, so a run of them is as wide as its advances and kerning.
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
        break;
    }
    switch (character.script()) {
    case QChar::Script_Common:
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

// The one line a text makes, laid out the way the style lays out an entry.
struct LineMetrics {
    qreal width;
    qreal ascent;
    qreal descent;
};

LineMetrics measureLine(const QString &text, const QFont &font, bool countTrailingSpaces)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::ManualWrap);
    if (countTrailingSpaces)
        option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(qreal(1 << 24));
    layout.endLayout();
    return {line.naturalTextWidth(), line.ascent(), line.descent()};
}

} // namespace

void EntryDelegate::prepareFor(const QStyleOptionViewItem &option) const
{
    const QStyle *currentStyle = option.widget ? option.widget->style() : nullptr;
    // The view hands every row a copy of its own font, which compares at once.
    if (prepared && (option.font.isCopyOf(font) || option.font == font) && currentStyle == style)
        return;
    font = option.font;
    style = currentStyle;
    viewOption = option;
    glyphs.assign(0x10000, Glyph());
    kernings.assign(0x100 * 0x100, std::numeric_limits<float>::quiet_NaN());
    // Nothing before the first character: its row is all zero.
    std::fill_n(kernings.begin(), 0x100, 0.0f);
    otherKernings.clear();
    latin1Steps.assign(0x100 * 0x100, std::numeric_limits<float>::quiet_NaN());
    // Widths that entries remember from another font or style no longer hold.
    static quint16 lastGeneration = 0;
    if (++lastGeneration == 0)
        ++lastGeneration;
    generation = lastGeneration;

    // What the style puts around a one-line text, taken from the style itself.
    const QString probeText = QStringLiteral("x");
    QStyleOptionViewItem probe = option;
    probe.features |= QStyleOptionViewItem::HasDisplay;
    probe.text = probeText;
    const QStyle *sizing = style ? style : QApplication::style();
    const QSize standard = sizing->sizeFromContents(QStyle::CT_ItemViewItem, &probe, QSize(), option.widget);
    const LineMetrics text = measureLine(probeText, font, false);
    frame = standard - QSize(qCeil(text.width), qCeil(text.ascent + text.descent));

    const LineMetrics empty = measureLine(QString(), font, false);
    emptyAscent = float(empty.ascent);
    emptyDescent = float(empty.descent);
    prepared = true;
}

const EntryDelegate::Glyph &EntryDelegate::glyph(char16_t unit) const
{
    Glyph &cached = glyphs[unit];
    if (cached.advance < 0) {
        const QChar character(unit);
        const LineMetrics line = measureLine(QString(character), font, true);
        const qreal advance = QFontMetricsF(font).horizontalAdvance(character);
        QChar::Script script = character.script();
        if (script == QChar::Script_Inherited)
            script = QChar::Script_Common;
        cached = {float(advance), float(std::max(line.width - advance, qreal(0))), float(line.ascent),
                  float(line.descent), drawnGlyphByGlyph(character), quint8(script)};
    }
    return cached;
}

float EntryDelegate::kerning(char16_t left, char16_t right) const
{
    // Zero stands for "no character before", and U+0000 never gets here.
    if (left == 0)
        return 0;
    const bool latin1 = left <= 0xff && right <= 0xff;
    const quint32 pairKey = quint32(left) << 16 | right;
    float *cached = nullptr;
    if (latin1) {
        cached = &kernings[left * 0x100 + right];
        if (!std::isnan(*cached))
            return *cached;
    } else if (const auto found = otherKernings.constFind(pairKey);
               found != otherKernings.cend()) {
        return *found;
    }
    const Glyph &second = glyph(right);
    const LineMetrics pair = measureLine(QString(QChar(left)) + QChar(right), font, true);
    const float value = float(pair.width) - glyph(left).advance - second.advance - second.overhang;
    if (cached)
        *cached = value;
    else
        otherKernings.insert(pairKey, value);
    return value;
}

float EntryDelegate::latin1Step(uchar previous, uchar unit) const
{
    float &step = latin1Steps[previous * 0x100 + unit];
    const Glyph &measured = glyph(unit);
    if (measured.plain && measured.ascent <= emptyAscent && measured.descent <= emptyDescent)
        step = kerning(previous, unit) + measured.advance;
    return step;
}

float EntryDelegate::knownLatin1Width(QByteArrayView text) const
{
    const auto *units = reinterpret_cast<const uchar *>(text.data());
    const qsizetype size = text.size();
    // Pairs not yet measured, and those that cannot be summed, are NaN, which
    // every sum they enter stays: one check at the end instead of one per
    // character. Advances and kerning are whole 64ths of a pixel, which a
    // float adds up exactly in any order; two sums let the processor add two
    // at a time.
    const float *steps = latin1Steps.data();
    float sums[2] = {0, 0};
    uchar previous = 0;
    qsizetype i = 0;
    for (; i + 1 < size; i += 2) {
        sums[0] += steps[previous * 0x100 + units[i]];
        sums[1] += steps[units[i] * 0x100 + units[i + 1]];
        previous = units[i + 1];
    }
    if (i < size) {
        sums[0] += steps[previous * 0x100 + units[i]];
        previous = units[i];
    }
    return sums[0] + sums[1] + glyphs[previous].overhang;
}

float EntryDelegate::latin1Width(QByteArrayView text) const
{
    if (const float width = knownLatin1Width(text); !std::isnan(width))
        return width;
    const auto *units = reinterpret_cast<const uchar *>(text.data());
    uchar previous = 0;
    for (qsizetype i = 0; i < text.size(); previous = units[i++]) {
        if (std::isnan(latin1Step(previous, units[i])))
            return -1;
    }
    return knownLatin1Width(text);
}

QSize EntryDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    prepareFor(option);
    if (option.widget != view) {
        view = option.widget;
        list = qobject_cast<const QListWidget *>(view);
    }
    if (const EntryItem *entry = EntryItem::of(list ? list->itemFromIndex(index) : nullptr)) {
        if (const QSize size = entrySize(entry->compactText()); size.isValid())
            return size;
        return QStyledItemDelegate::sizeHint(option, index);
    }
    const QSize line = summedLine(index.data(Qt::DisplayRole).toString());
    return line.isValid() ? line + frame : QStyledItemDelegate::sizeHint(option, index);
}

QSize EntryDelegate::commonRowSize(const QListWidget *list) const
{
    const int count = list->count();
    if (count == 0 || list->itemDelegate() != this)
        return QSize();
    // Hands the delegate the view's own options, as its layout would.
    list->sizeHintForRow(0);
    const QAbstractItemModel *model = list->model();
    int width = 0;
    int height = -1;
    for (int row = 0; row < count; ++row) {
        const EntryItem *entry = EntryItem::of(list->item(row));
        QSize size = entry ? entrySize(entry->compactText()) : QSize();
        if (!size.isValid())
            size = sizeHint(viewOption, model->index(row, 0));
        if (height >= 0 && size.height() != height)
            return QSize();
        height = size.height();
        width = std::max(width, size.width());
    }
    return QSize(width, height);
}

const EntryDelegate *EntryDelegate::readyFor(const QListWidget *list)
{
    const auto *delegate = dynamic_cast<const EntryDelegate *>(list->itemDelegate());
    if (!delegate || list->count() == 0)
        return nullptr;
    // Hands the delegate the view's own options, as its layout would.
    list->sizeHintForRow(0);
    return delegate;
}

void EntryDelegate::rememberKnownWidths(const std::vector<const quillmark::CompactText *> &texts,
                                        std::vector<const quillmark::CompactText *> &unknown) const
{
    for (const quillmark::CompactText *text : texts) {
        if (rememberedWidth(*text) >= 0)
            continue;
        if (const int width = knownWidth(*text); width >= 0 && width <= 0xffff)
            text->remember(quint32(generation) << 16 | quint32(width));
        else
            unknown.push_back(text);
    }
}

int EntryDelegate::knownWidth(const quillmark::CompactText &text) const
{
    if (text.isWide()) {
        const QSize line = summedLine(QStringView(static_cast<const QChar *>(text.data()), text.size()), false);
        return line.isValid() && line.height() == qCeil(emptyAscent + emptyDescent) ? line.width() : -1;
    }
    const QByteArrayView bytes(static_cast<const char *>(text.data()), text.size());
    if (!bytes.isEmpty() && QChar::fromLatin1(bytes.back()).isSpace())
        return -1;
    // Every step known to sum is of a character no taller than the line.
    const float width = knownLatin1Width(bytes);
    return std::isnan(width) ? -1 : qCeil(width);
}

void EntryDelegate::rememberWidths(const std::vector<const quillmark::CompactText *> &texts) const
{
    for (const quillmark::CompactText *text : texts)
        entrySize(*text);
}

QSize EntryDelegate::usualRowSize(int lineWidth) const
{
    return QSize(lineWidth, qCeil(emptyAscent + emptyDescent)) + frame;
}

QSize EntryDelegate::entrySize(const quillmark::CompactText &text) const
{
    // Straight from the entry's units without a QString, or from the width it
    // remembers: after a sort the texts lie scattered across memory, and
    // reading them all again took seconds.
    const QSize usual = usualRowSize(0);
    if (const int remembered = rememberedWidth(text); remembered >= 0)
        return usual + QSize(remembered, 0);
    const QSize line = measuredLine(text, usual.height() - frame.height());
    if (!line.isValid())
        return QSize();
    // Only a width is remembered, so only that of a line of the usual height.
    const QSize size = line + frame;
    if (size.height() == usual.height() && line.width() <= 0xffff)
        text.remember(quint32(generation) << 16 | quint32(line.width()));
    return size;
}

QSize EntryDelegate::measuredLine(const quillmark::CompactText &text, int usualHeight) const
{
    if (!text.isWide()) {
        const QByteArrayView bytes(static_cast<const char *>(text.data()), text.size());
        const bool trailingSpace = !bytes.isEmpty() && QChar::fromLatin1(bytes.back()).isSpace();
        if (const float width = trailingSpace ? -1 : latin1Width(bytes); width >= 0)
            return QSize(qCeil(width), usualHeight);
    }
    // Any other text, or a Latin-1 one with a character taller than the
    // line, is summed character by character.
    return text.isWide() ? summedLine(QStringView(static_cast<const QChar *>(text.data()), text.size()))
                         : summedLine(text.toString());
}

float EntryDelegate::knownKerning(char16_t left, char16_t right) const
{
    if (left == 0)
        return 0;
    if (left <= 0xff && right <= 0xff)
        return kernings[left * 0x100 + right];
    const auto found = otherKernings.constFind(quint32(left) << 16 | right);
    return found == otherKernings.cend() ? std::numeric_limits<float>::quiet_NaN() : *found;
}

QSize EntryDelegate::summedLine(QStringView text, bool learn) const
{
    // The style leaves trailing spaces out of a line's width.
    if (!text.isEmpty() && text.back().isSpace())
        return QSize(-1, -1);
    float width = 0;
    float overhang = 0;
    float ascent = emptyAscent;
    float descent = emptyDescent;
    char16_t previous = 0;
    // Text is shaped in runs of one script, and kerning stops at their ends.
    // Spaces, digits and punctuation belong to the run they are in, so a
    // Latin letter after a CJK word and a space starts a new run.
    QChar::Script run = QChar::Script_Common;
    for (const QChar character : text) {
        const char16_t unit = character.unicode();
        if (glyphs[unit].advance < 0 && !learn)
            return QSize(-1, -1);
        const Glyph &measured = glyphs[unit].advance < 0 ? glyph(unit) : glyphs[unit];
        if (!measured.plain)
            return QSize(-1, -1);
        const auto script = QChar::Script(measured.script);
        if (script == QChar::Script_Common || script == run || run == QChar::Script_Common) {
            float pair = knownKerning(previous, unit);
            if (std::isnan(pair) && !learn)
                return QSize(-1, -1);
            width += std::isnan(pair) ? kerning(previous, unit) : pair;
        }
        if (script != QChar::Script_Common)
            run = script;
        previous = unit;
        width += measured.advance;
        overhang = measured.overhang;
        ascent = std::max(ascent, measured.ascent);
        descent = std::max(descent, measured.descent);
    }
    return QSize(qCeil(width + overhang), qCeil(ascent + descent));
}

void EntryDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->text.size() > maxShownLength) {
        // Never cut a surrogate pair in two.
        const bool pairAtCut = option->text.at(maxShownLength - 1).isHighSurrogate();
        option->text.truncate(maxShownLength - (pairAtCut ? 1 : 0));
    }
}
