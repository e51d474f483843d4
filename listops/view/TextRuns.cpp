#include "TextRuns.h"

#include <QChar>

#include <algorithm>

namespace {

// The layout shapes at most this many units as one run.
constexpr qsizetype maxRunLength = 4096;

bool isStrong(QChar::Direction type)
{
    return type == QChar::DirL || type == QChar::DirR || type == QChar::DirAL;
}

// The direction a neutral takes from a neighbour: numbers count as R.
QChar::Direction asStrong(QChar::Direction type)
{
    return type == QChar::DirL ? QChar::DirL : QChar::DirR;
}

// The properties of the Basic Multilingual Plane's characters that runs are
// found from, in a table of their own: looking each up in Qt's took most of
// the time of finding a text's runs.
struct UnitProperties {
    QChar::Direction direction;
    quint8 script;
    bool mark;
    bool mirrored;
};

UnitProperties propertiesOf(char32_t character)
{
    const QChar::Category category = QChar::category(character);
    return {QChar::direction(character), quint8(QChar::script(character)),
            category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
                    || category == QChar::Mark_Enclosing,
            QChar::hasMirrored(character)};
}

const UnitProperties *unitTable()
{
    static const std::vector<UnitProperties> table = [] {
        std::vector<UnitProperties> properties(0x10000);
        for (char32_t character = 0; character < 0x10000; ++character)
            properties[character] = propertiesOf(character);
        return properties;
    }();
    return table.data();
}

// What the runs of a text are found from, per unit: its bidirectional type,
// and its script with whether it is a mark. Kept for each thread, so that
// finding a text's runs allocates nothing once its buffers are grown.
struct Scratch {
    std::vector<QChar::Direction> types;
    std::vector<QChar::Direction> original;
    std::vector<quint8> scripts;
    std::vector<quint8> levels;
    std::vector<quint8> marks;
};

// Fills in the types, scripts and marks of a text's units, the second half
// of a surrogate pair taking the first's script and, as a mark does, its
// type: false for a text with what this does not follow. Paired brackets
// take the direction of what they enclose (rule N0), which this does not
// follow either, so a text with one and a right-to-left character is laid
// out whole.
bool readUnits(QStringView text, Scratch &scratch, bool &rightToLeft, bool &boundaryNeutrals)
{
    const size_t count = size_t(text.size());
    scratch.types.resize(count);
    scratch.scripts.resize(count);
    scratch.marks.resize(count);
    QChar::Direction *types = scratch.types.data();
    quint8 *scripts = scratch.scripts.data();
    quint8 *marks = scratch.marks.data();
    const char16_t *units = text.utf16();
    const UnitProperties *table = unitTable();
    bool brackets = false;
    rightToLeft = boundaryNeutrals = false;
    for (size_t i = 0; i < count; ++i) {
        const char16_t unit = units[i];
        const bool pair = QChar::isHighSurrogate(unit) && i + 1 < count && QChar::isLowSurrogate(units[i + 1]);
        const UnitProperties properties =
                pair ? propertiesOf(QChar::surrogateToUcs4(unit, units[i + 1])) : table[unit];
        switch (properties.direction) {
        case QChar::DirLRE:
        case QChar::DirRLE:
        case QChar::DirLRO:
        case QChar::DirRLO:
        case QChar::DirPDF:
        case QChar::DirLRI:
        case QChar::DirRLI:
        case QChar::DirFSI:
        case QChar::DirPDI:
        case QChar::DirB:
            return false;
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirAN:
            rightToLeft = true;
            break;
        case QChar::DirBN:
            boundaryNeutrals = true;
            break;
        case QChar::DirON:
            brackets = brackets || properties.mirrored;
            break;
        default:
            break;
        }
        if (unit == QChar::LineSeparator || unit == QChar::ObjectReplacementCharacter)
            return false;
        types[i] = properties.direction;
        scripts[i] = properties.script;
        marks[i] = properties.mark;
        if (pair) {
            ++i;
            types[i] = QChar::DirNSM;
            scripts[i] = properties.script;
            marks[i] = true;
        }
    }
    return !(rightToLeft && brackets);
}

// Rules W1 to W7 of the algorithm, for one paragraph without embeddings, on
// the units in order; boundary neutrals take no part.
template <typename Type>
void resolveWeakTypes(size_t count, Type &&type, QChar::Direction sos)
{
    QChar::Direction lastStrong = sos;
    for (size_t i = 0; i < count; ++i) {
        if (type(i) == QChar::DirNSM)
            type(i) = i == 0 ? sos : type(i - 1);
        if (isStrong(type(i)))
            lastStrong = type(i);
        else if (type(i) == QChar::DirEN && lastStrong == QChar::DirAL)
            type(i) = QChar::DirAN;
    }
    for (size_t i = 0; i < count; ++i) {
        if (type(i) == QChar::DirAL)
            type(i) = QChar::DirR;
    }
    for (size_t i = 1; i + 1 < count; ++i) {
        const QChar::Direction before = type(i - 1);
        if (before != type(i + 1))
            continue;
        if ((type(i) == QChar::DirES && before == QChar::DirEN)
            || (type(i) == QChar::DirCS && (before == QChar::DirEN || before == QChar::DirAN)))
            type(i) = before;
    }
    for (size_t start = 0; start < count;) {
        size_t end = start;
        while (end < count && type(end) == QChar::DirET)
            ++end;
        if (end > start
            && ((start > 0 && type(start - 1) == QChar::DirEN) || (end < count && type(end) == QChar::DirEN))) {
            for (size_t i = start; i < end; ++i)
                type(i) = QChar::DirEN;
        }
        start = std::max(end, start + 1);
    }
    lastStrong = sos;
    for (size_t i = 0; i < count; ++i) {
        if (type(i) == QChar::DirES || type(i) == QChar::DirET || type(i) == QChar::DirCS)
            type(i) = QChar::DirON;
        if (type(i) == QChar::DirL || type(i) == QChar::DirR)
            lastStrong = type(i);
        else if (type(i) == QChar::DirEN && lastStrong == QChar::DirL)
            type(i) = QChar::DirL;
    }
}

// Rules N1 and N2: runs of neutrals between two of one direction take it,
// the others the paragraph's. Boundary neutrals are passed over.
void resolveNeutralTypes(std::vector<QChar::Direction> &types, QChar::Direction paragraph)
{
    const auto isNeutral = [](QChar::Direction type) {
        return type == QChar::DirS || type == QChar::DirWS || type == QChar::DirON || type == QChar::DirBN;
    };
    const size_t count = types.size();
    for (size_t start = 0; start < count;) {
        if (!isNeutral(types[start])) {
            ++start;
            continue;
        }
        size_t end = start;
        while (end < count && isNeutral(types[end]))
            ++end;
        const QChar::Direction before = start == 0 ? paragraph : asStrong(types[start - 1]);
        const QChar::Direction after = end == count ? paragraph : asStrong(types[end]);
        for (size_t i = start; i < end; ++i) {
            if (types[i] != QChar::DirBN)
                types[i] = before == after ? before : paragraph;
        }
        start = end;
    }
}

// The levels of a paragraph with right-to-left text, by the algorithm.
void resolveLevels(Scratch &scratch, quint8 paragraphLevel, bool boundaryNeutrals)
{
    std::vector<QChar::Direction> &types = scratch.types;
    const size_t count = types.size();
    const QChar::Direction paragraph = paragraphLevel ? QChar::DirR : QChar::DirL;
    scratch.original = types;
    if (boundaryNeutrals) {
        thread_local std::vector<size_t> order;
        order.clear();
        for (size_t i = 0; i < count; ++i) {
            if (types[i] != QChar::DirBN)
                order.push_back(i);
        }
        resolveWeakTypes(order.size(), [&](size_t at) -> QChar::Direction & { return types[order[at]]; }, paragraph);
    } else {
        resolveWeakTypes(count, [&](size_t at) -> QChar::Direction & { return types[at]; }, paragraph);
    }
    resolveNeutralTypes(types, paragraph);
    std::vector<quint8> &levels = scratch.levels;
    for (size_t i = 0; i < count; ++i) {
        const QChar::Direction type = types[i];
        if (paragraphLevel == 0)
            levels[i] = type == QChar::DirR ? 1 : type == QChar::DirL ? 0 : 2;
        else
            levels[i] = type == QChar::DirR ? 1 : 2;
    }
    // Tabs, and spaces (and boundary neutrals) before a tab or at the end,
    // keep the paragraph's level (L1).
    for (size_t i = count, trailing = true; i-- > 0;) {
        const QChar::Direction type = scratch.original[i];
        trailing = type == QChar::DirS || (trailing && (type == QChar::DirWS || type == QChar::DirBN));
        if (trailing)
            levels[i] = paragraphLevel;
    }
    // A boundary neutral's level: that of the character before it, or the
    // lower one of the character after it, as the text layout sets them.
    if (!boundaryNeutrals)
        return;
    quint8 last = paragraphLevel;
    size_t neutralsFrom = count;
    for (size_t i = 0; i < count; ++i) {
        if (scratch.original[i] == QChar::DirBN) {
            neutralsFrom = std::min(neutralsFrom, i);
            levels[i] = last;
            continue;
        }
        if (neutralsFrom < i && levels[i] < last)
            std::fill(levels.begin() + qsizetype(neutralsFrom), levels.begin() + qsizetype(i), levels[i]);
        neutralsFrom = count;
        last = levels[i];
    }
    if (neutralsFrom < count && paragraphLevel < last)
        std::fill(levels.begin() + qsizetype(neutralsFrom), levels.end(), paragraphLevel);
}

} // namespace

bool findTextRuns(QStringView text, std::vector<TextRun> &runs)
{
    runs.clear();
    thread_local Scratch scratch;
    bool rightToLeft = false;
    bool boundaryNeutrals = false;
    if (!readUnits(text, scratch, rightToLeft, boundaryNeutrals))
        return false;
    const auto firstStrong = std::find_if(scratch.types.cbegin(), scratch.types.cend(), isStrong);
    const quint8 paragraphLevel = firstStrong != scratch.types.cend() && *firstStrong != QChar::DirL ? 1 : 0;
    // The text layout runs the algorithm only for a right-to-left paragraph,
    // or where a character of a right-to-left type is in it.
    scratch.levels.assign(scratch.types.size(), paragraphLevel);
    if (rightToLeft || paragraphLevel != 0)
        resolveLevels(scratch, paragraphLevel, boundaryNeutrals);

    // Spaces, digits, punctuation and marks go on in the script of the run
    // before them, and at the start take that of the first letter. A run
    // ends where the level or the script changes (a full stop goes on in
    // any), at a tab, and at the layout's limit.
    const quint8 *levels = scratch.levels.data();
    const quint8 *scripts = scratch.scripts.data();
    const quint8 *marks = scratch.marks.data();
    const char16_t *units = text.utf16();
    const qsizetype count = text.size();
    const auto firstScript = std::find_if(scratch.scripts.cbegin(), scratch.scripts.cend(),
                                          [](quint8 script) { return script > QChar::Script_Common; });
    quint8 script = firstScript == scratch.scripts.cend() ? quint8(QChar::Script_Common) : *firstScript;
    qsizetype start = 0;
    quint8 runScript = script;
    for (qsizetype i = 0; i < count; ++i) {
        const quint8 own = scripts[i];
        if (own > QChar::Script_Common && own != script && !(marks[i] && script > QChar::Script_Common))
            script = own;
        if (i == 0) {
            runScript = script;
            continue;
        }
        const bool ends = units[i] == u'\t' || units[i - 1] == u'\t' || levels[i] != levels[start]
                || (script != runScript && units[i] != u'.') || i - start >= maxRunLength;
        if (!ends)
            continue;
        runs.push_back({start, i, runScript, levels[start], units[start] == u'\t'});
        start = i;
        runScript = script;
    }
    if (count > 0)
        runs.push_back({start, count, runScript, levels[start], units[start] == u'\t'});
    return true;
}
