#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace quillmark {

// One numbered file of a break-up: which entries it holds and where the
// progress bar stands once it is handled.
struct BreakUpFile {
    int number = 0;
    qsizetype first = 0;
    qsizetype count = 0;
    int progress = 0;

    friend bool operator==(const BreakUpFile &, const BreakUpFile &) = default;
};

// The entries-per-file count typed by the user, when it can split a list of
// listSize entries: a base-10 integer from 1 up to, but not including, the
// list's size.
std::optional<int> entriesPerFile(const QString &countText, qsizetype listSize);

// Whether a file beginning text can be used.
// Texts that could lead outside the chosen folder are refused.
enum class BeginningTextProblem { None, Empty, LeavesFolder };
BeginningTextProblem checkBeginningText(const QString &text);

// Consecutive groups of perFile entries, the last holding what remains; the
// bar reaches exactly 100 with the last file.
QList<BreakUpFile> planBreakUp(qsizetype listSize, int perFile);

// Folder, a doubled native separator, the beginning text, "_", the number
// and ".txt".
QString breakUpFileName(const QString &folder, const QString &beginning, int number);

} // namespace quillmark
