#pragma once

#include <QDir>
#include <QString>

namespace quillmark {

// "Cannot open /path/list.txt:" with the reason on the line below: every
// message about a file names it as the system writes paths, and says why.
inline QString fileFailure(const QString &verb, const QString &fileName, const QString &reason)
{
    return QStringLiteral("Cannot %1 %2:\n%3").arg(verb, QDir::toNativeSeparators(fileName), reason);
}

// The "IO Error" box for a file that cannot be opened has always said just
// this; which file and why follow below it.
inline QString withOpenFailureHeading(const QString &message)
{
    return QStringLiteral("IO Error: cannot access open\n") + message;
}

// Reasons of our own, for names that hold something other than a file.
inline QString isFolderReason()
{
    return QStringLiteral("It is a folder.");
}

// Opening one would wait, with the window frozen, for another program.
inline QString isPipeReason()
{
    return QStringLiteral("It is a pipe or a socket, not a file.");
}

} // namespace quillmark
