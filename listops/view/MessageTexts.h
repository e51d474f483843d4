#pragma once

#include "BreakUpPlan.h"
#include "FileFailure.h"

#include <QString>

// The words of every box the window shows, made here from what the list
// library reports, so that they are written in one place.
namespace messages {

// The title of the box that tells why a file could not be loaded or saved.
QString ioErrorTitle();

// Which file, what could not be done with it and why: "Cannot open
// /path/list.txt:" with the reason on the line below, as the system writes
// paths. A file that Load or Save cannot open at all has always been headed
// "IO Error: cannot access open".
QString fileFailureText(const quillmark::FileFailure &failure);

// Create Files: why nothing was written, and what went wrong with the pieces
// (how many failed and the first one's failure) and with making them safe
// on the disk; an empty text when all went well.
QString tooFewEntriesText();
QString beginningTextText(quillmark::BeginningTextProblem problem);
QString breakUpFailuresText(int failed, qsizetype files, const quillmark::FileFailure &firstFailure,
                            const quillmark::FileFailure &syncFailure);

} // namespace messages
