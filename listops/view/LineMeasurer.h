#pragma once

#include "CompactText.h"
#include "TextTable.h"

#include <QFont>
#include <QHash>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <atomic>
#include <vector>

// The line an entry's text makes in the view's font, as the style lays out an
// item's text: as wide as its advances, trailing spaces included, a tab
// reaching the next tab stop and the last glyph's overhang where the line
// ends in a glyph; as high as the fonts its glyphs come from. Both are
// rounded up to whole pixels, as the style rounds them.
//
// A list holds millions of texts and the view asks for their sizes after
// every command, so a text is measured once for as long as the font stays,
// and remembers its line. Most texts are measured by adding up pieces, each
// measured once with the same text layout the style uses, run by run as the
// layout shapes them (TextRuns): characters drawn glyph after glyph and the
// kerning of their pairs, emoji sequences taken whole, and in scripts that
// join or reorder their letters, or with marks on them, whole words with the
// kerning of the spaces around them. The rest (controls, marks on a space,
// explicit direction marks, brackets in text of both directions) are laid
// out whole, as the style does.
//
// Measuring goes on beside the thread that owns the measurer: measureBeside
// only reads what was measured before, and lays texts out in a font of the
// calling thread's own, so that several threads may run it at once while the
// owning thread leaves the measurer alone.
class LineMeasurer
{
public:
    struct Line {
        int width = -1;
        int height = -1;
        bool isValid() const { return width >= 0; }
        friend bool operator==(Line a, Line b) { return a.width == b.width && a.height == b.height; }
    };

    // The style shows only the start of a longer text, and so it is sized.
    static constexpr qsizetype maxShownLength = 32768;
    // The part of a text the style shows: never half a surrogate pair.
    static qsizetype shownLength(QStringView text);

    // Starts over for another font: what texts remember from the one before
    // no longer holds. Returns true where, besides, texts may remember lines
    // from a font long gone, which their holder must then forget.
    bool setFont(const QFont &font);
    bool measuresFor(const QFont &font) const
    {
        // The view hands every row a copy of its own font, which compares at once.
        return generation != 0 && (font.isCopyOf(measuredFont) || font == measuredFont);
    }
    const QFont &font() const { return measuredFont; }
    static void forget(const quillmark::CompactText &text) { text.remember(0); }

    // The line a text remembers for this font, or an invalid one.
    Line remembered(const quillmark::CompactText &text) const;

    // Measures a text and remembers its line, learning the characters and
    // pairs it has not met before. Owning thread only.
    Line measure(const quillmark::CompactText &text) const;

    // Remembers a text's line from what was learnt before, or laid out in
    // threadFont, a copy of font() that only the calling thread uses (see
    // threadFont()). Unknown where the text needs pieces learnt first,
    // unless layOutUnknown has it laid out instead, or where it needs laying
    // out and no font is given; OnOwningThread where only the owning
    // thread's layout tells its size (a character that no font claims, such
    // as a control, is drawn with whatever font that thread loaded before).
    enum class Beside { Measured, Unknown, OnOwningThread };
    Beside measureBeside(const quillmark::CompactText &text, const QFont *threadFont,
                         bool layOutUnknown = false) const;
    // A copy of font() of its own, for one thread beside the owning one:
    // threads that share one font's engines throw each other's away.
    QFont threadFont() const;
    // Changes with the font: a thread's copy of another is of no use.
    quint32 fontGeneration() const { return generation; }

    // Learning beside the owning thread: the owning thread lists what texts
    // left over by measureBeside need (characters, pairs of them, emoji
    // sequences), any threads measure those pieces, and the owning thread
    // takes them in while no other thread measures.
    struct Piece {
        // A word is listed after the letter of its script it is measured
        // after.
        enum Kind : quint8 { Character, Pair, Sequence, Word };
        QString text;
        Kind kind = Character;
        // For a pair, its kerning; for a word, its advance alone, or NaN
        // where it holds no letter of its script.
        float advance = 0;
        float overhang = 0;
        float ascent = 0;
        float descent = 0;
        // A word's advance after a space, and the space's after it, each with
        // its kerning with the other.
        float afterSpace = 0;
        float spaceAfter = 0;
    };
    // The pieces of texts not learnt yet that are worth learning: those
    // several texts share, which pay for their layouts.
    QList<Piece> unknownPieces(const std::vector<const quillmark::CompactText *> &texts) const;
    static void measurePiece(Piece &piece, const QFont &threadFont);
    void learn(const QList<Piece> &pieces) const;

private:
    struct Glyph {
        // Negative while not yet measured.
        float advance = -1;
        // How far the glyph reaches past its advance; only the last one's
        // counts, the style widens a line by it.
        float overhang = 0;
        float ascent = 0;
        float descent = 0;
        // Drawn glyph after glyph: no contextual forms, no reordering.
        bool summable = false;
        // Common for spaces, digits, punctuation and marks, which continue
        // whatever run of text they are in.
        quint8 script = QChar::Script_Common;
        // Claimed by no font (see isUnclaimed in the source).
        bool unclaimed = false;
        // Ends a line as white space: no overhang counts after it.
        bool space = false;
        bool mark = false;
        // Makes an emoji sequence of the character before: a variation
        // selector, a keycap, a joiner, or the first half of a skin tone.
        bool joinsSequence = false;
    };
    // A word of a script that is shaped, as it adds to the line: alone at
    // its start, or after a space; the space after it; its last glyph's
    // overhang; and the height of its fonts.
    struct Word {
        float alone = 0;
        float afterSpace = 0;
        float spaceAfter = 0;
        float overhang = 0;
        float ascent = 0;
        float descent = 0;
    };
    // A text is summed, or has pieces not measured yet, or must be laid out,
    // by any thread or only by the owning one.
    enum class Sum { Done, Unknown, NotSummable, OnOwningThread };
    // How far a sum has come along the line.
    struct Progress {
        double x;
        float overhang;
        float ascent;
        float descent;
        bool endsInSpace = false;
        bool unknown = false;

        void add(const Glyph &glyph)
        {
            x += glyph.advance;
            overhang = glyph.overhang;
            ascent = std::max(ascent, glyph.ascent);
            descent = std::max(descent, glyph.descent);
            endsInSpace = false;
        }
    };
    // What a sum does with a piece not measured yet: measures it on the spot
    // (owning thread), reports the text unknown, or lists the piece.
    enum class Unmeasured { Measure, Report, List };
    struct Listing;
    struct Summing;

    Sum sum(const quillmark::CompactText &text, Summing &summing, Line &line) const;
    Sum sumLatin1(QByteArrayView text, Summing &summing, Line &line) const;
    Sum sumWide(QStringView text, Summing &summing, Line &line) const;
    // Whether a Latin-1 text that could not be summed needs characters or
    // pairs learnt first (listed where summing lists them), found without
    // the runs of sumWide; false where it must be laid out all the same.
    bool latin1NeedsLearning(QByteArrayView text, Summing &summing) const;
    // The parts of sumWide: a run the text layout shapes on its own,
    // character by character or word by word. False where it cannot be
    // summed.
    bool sumCharacters(QStringView run, quint8 script, Summing &summing, Progress &progress) const;
    bool sumWords(QStringView run, quint8 script, Summing &summing, Progress &progress) const;
    // Whether a word holds nothing that keeps it from being measured alone.
    bool shapedWord(QStringView word) const;
    // A word of a script measured in a run of it; the letter that gives the
    // run its script is looked for in contextFrom, the word itself unless
    // given.
    const Word *knownWord(quint8 script, QStringView word, Summing &summing, QStringView contextFrom = {}) const;
    // A number of several digits, made up in number from those of its digits.
    const Word *knownNumber(quint8 script, QStringView digits, Summing &summing, Word &number) const;
    const Glyph *knownGlyph(char16_t unit, Summing &summing) const;
    bool knownKerning(char16_t left, char16_t right, Summing &summing, float &value) const;
    const Glyph *knownSequence(QStringView sequence, Summing &summing) const;
    float storedKerning(char16_t left, char16_t right) const;
    bool anyUnclaimed(QStringView text) const;
    float nextTabStop(float x) const;
    Line finish(float width, float ascent, float descent) const;
    Line layOut(const quillmark::CompactText &text, const QFont &font) const;
    void remember(const quillmark::CompactText &text, Line line) const;

    QFont measuredFont;
    // Tells the lines texts remember for this font from those for another;
    // never 0, which a text holds before it is measured.
    quint32 generation = 0;
    // A line's height counts the view font even where no glyph comes from it.
    float emptyAscent = 0;
    float emptyDescent = 0;
    float tabDistance = 0;
    // The heights lines have, at most 16 of them; a text remembers which.
    mutable std::array<std::atomic<int>, 16> heights{};
    mutable std::vector<Glyph> glyphs;
    // Pair kerning, in a table for Latin-1 pairs, where nearly all of it is.
    mutable std::vector<float> kernings;
    // For Latin-1 texts, which have no script runs to break the kerning: a
    // character's advance plus its kerning after the one before, by pair, so
    // that a row is measured with one look-up and one sum per character;
    // NaN for a pair not measured yet or not summable.
    mutable std::vector<float> latin1Steps;
    mutable QHash<quint32, float> otherKernings;
    // Emoji sequences, each measured whole: a single glyph of a color font,
    // or a few.
    mutable TextTable<Glyph> sequences;
    // Words of scripts that are shaped, by their script and text, and the
    // letter of each script its words are measured after.
    mutable TextTable<Word> words;
    mutable std::array<char16_t, QChar::ScriptCount> wordContexts{};
};
