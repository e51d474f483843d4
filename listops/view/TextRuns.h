#pragma once

#include <QStringView>

#include <vector>

// The runs that the text layout shapes a line of text in, each on its own:
// kerning and shaping stop at their ends. A run is of one script and one
// bidirectional level, a tab is one by itself, and none is longer than the
// layout's limit. Found as Qt's text layout finds them: scripts resolved as
// its Unicode tools resolve them (spaces, digits and punctuation take the
// script of the run before, or at the start that of the first letter), and
// levels by the Unicode bidirectional algorithm for a paragraph of the
// direction its first strong character gives, with the last line's trailing
// spaces and the tabs at the paragraph's level.
struct TextRun {
    qsizetype start;
    qsizetype end;
    quint8 script;
    quint8 level;
    bool isTab;
};

// False, with runs left unfinished, for a text with what this does not
// follow: explicit embeddings, overrides and isolates, their marks and other
// boundary neutrals (such as joiners and soft hyphens), paragraph and line
// separators, object replacement characters.
bool findTextRuns(QStringView text, std::vector<TextRun> &runs);
