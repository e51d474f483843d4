#pragma once

#include "CompactText.h"

#include <QFont>
#include <QHash>
#include <QSize>
#include <QStringView>
#include <QStyledItemDelegate>

#include <vector>

class QListWidget;
class QStyle;

// Draws entries as the standard delegate does, but sizes them without
// shaping their text. The list view asks for the size of every row each time
// it lays out, which is after every command; shaping a million texts takes
// seconds, while adding up cached advances takes a fraction of one.
//
// Every row of the list is a plain text item, so its size depends on its text
// and the view's font alone. Advances and pair kerning are measured once per
// character and per pair, by the same text layout the style uses, and added
// up per entry, which gives the standard size of that text on one line.
// Texts that sum cannot measure (control characters, scripts that need
// shaping, characters outside the Basic Multilingual Plane, trailing spaces)
// get the standard size.
class EntryDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The size every row of the list has where all are equally high: the
    // widest row's width and their height, the extent a layout by each row's
    // size gives them. Invalid where heights differ or there are no rows.
    // Rows measured before cost a look at their item, and others are
    // measured and remembered.
    QSize commonRowSize(const QListWidget *list) const;

    // The list's delegate, made ready to measure its rows in the view's font
    // and style, or null where it has no EntryDelegate or no rows to tell.
    static const EntryDelegate *readyFor(const QListWidget *list);
    // Remembers the widths of the texts whose characters, and pairs of them,
    // were all measured before, and adds the others to unknown. It only reads
    // what was measured, so several threads may run it at once while the one
    // that owns the view leaves the delegate alone; that one then measures
    // the unknown texts with rememberWidths.
    void rememberKnownWidths(const std::vector<const quillmark::CompactText *> &texts,
                             std::vector<const quillmark::CompactText *> &unknown) const;
    void rememberWidths(const std::vector<const quillmark::CompactText *> &texts) const;
    // The width of its line a text remembers for the view's font and style,
    // or -1 where it remembers none; and the size of a row whose line is
    // that wide, as commonRowSize gives it.
    int rememberedWidth(const quillmark::CompactText &text) const
    {
        const quint32 remembered = text.rememberedValue();
        return remembered >> 16 == generation ? int(remembered & 0xffff) : -1;
    }
    QSize usualRowSize(int lineWidth) const;

protected:
    // Shows only the start of an entry of more than maxShownLength units:
    // shaping a line of millions of characters on every paint froze the
    // window for most of a minute, and no screen shows more than its start.
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
    static constexpr qsizetype maxShownLength = 32768;

private:
    struct Glyph {
        // Negative while not yet measured.
        float advance = -1;
        // How far the glyph reaches past its advance; only the last one's
        // counts, the style widens a line by it.
        float overhang = 0;
        float ascent = 0;
        float descent = 0;
        bool plain = false;
        // Common for spaces, digits, punctuation and marks, which continue
        // whatever run of shaped text they are in.
        quint8 script = QChar::Script_Common;
    };

    void prepareFor(const QStyleOptionViewItem &option) const;
    const Glyph &glyph(char16_t unit) const;
    float kerning(char16_t left, char16_t right) const;
    // The width of a Latin-1 text whose line is as high as an empty one, or
    // a negative value for any other.
    float latin1Width(QByteArrayView text) const;
    // The same from what was measured before alone: NaN where any step is
    // not known yet or cannot be summed.
    float knownLatin1Width(QByteArrayView text) const;
    // NaN where the character cannot be summed or makes the line higher.
    float latin1Step(uchar previous, uchar unit) const;
    // The size of an entry's row, or an invalid size where only the style can
    // tell it. Needs prepareFor.
    QSize entrySize(const quillmark::CompactText &text) const;
    // The line of an entry's text, of the given height where it is usual.
    QSize measuredLine(const quillmark::CompactText &text, int usualHeight) const;
    // The size of the line any text makes, summed, or an invalid size where
    // it cannot be; without learn, also where a character or pair of it has
    // not been measured before, and nothing is measured.
    QSize summedLine(QStringView text, bool learn = true) const;
    // A pair's kerning measured before, or NaN.
    float knownKerning(char16_t left, char16_t right) const;
    // The width of the line of a text as high as an empty one, from what was
    // measured before alone, or -1.
    int knownWidth(const quillmark::CompactText &text) const;

    // The view whose rows are measured, and the same as a list of items.
    mutable const QWidget *view = nullptr;
    mutable const QListWidget *list = nullptr;

    // Everything below depends only on the font and style it was taken for.
    mutable QFont font;
    // Tells the widths entries remember for this font and style from those
    // for another; never 0, which an entry holds before it is measured.
    mutable quint16 generation = 0;
    mutable const QStyle *style = nullptr;
    mutable bool prepared = false;
    // The view's options for its rows when it was prepared, to measure rows
    // outside the view's own layout.
    mutable QStyleOptionViewItem viewOption;
    // What the style adds around a one-line text: margins and focus frame.
    mutable QSize frame;
    // A line's height counts the view font even where no glyph comes from it.
    mutable float emptyAscent = 0;
    mutable float emptyDescent = 0;
    mutable std::vector<Glyph> glyphs;
    // Pair kerning, in a table for Latin-1 pairs, where nearly all of it is.
    mutable std::vector<float> kernings;
    // For Latin-1 texts, which have no script runs to break the kerning: a
    // character's advance plus its kerning after the one before, by pair, so
    // that a row is measured with one look-up and one sum per character.
    mutable std::vector<float> latin1Steps;
    mutable QHash<quint32, float> otherKernings;
};
