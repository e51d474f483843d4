#include "MessageTexts.h"

#include <QDir>
#include <QLocale>
#include <QStringList>

namespace messages {

namespace {

using quillmark::FileFailure;
using Kind = FileFailure::Kind;

QString sizeText(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes);
}

QString verbFor(Kind kind)
{
    if (kind == Kind::ReadPartWay)
        return QStringLiteral("read");
    if (kind == Kind::CannotRead || kind == Kind::TooLarge || kind == Kind::DidNotEnd || kind == Kind::NotEnoughMemory)
        return QStringLiteral("load");
    if (kind == Kind::CannotWrite || kind == Kind::NoRoomOnDisk || kind == Kind::WrittenPartWay)
        return QStringLiteral("write");
    return QStringLiteral("open");
}

// Our own reasons, for names that hold something other than a file and for
// what the system does not tell.
QString reasonFor(const FileFailure &failure)
{
    switch (failure.kind) {
    case Kind::IsFolder:
        return QStringLiteral("It is a folder.");
    case Kind::IsPipe:
        // Opening one would wait, with the window frozen, for another program.
        return QStringLiteral("It is a pipe or a socket, not a file.");
    case Kind::IsDevice:
        return QStringLiteral("It is a device, not a file.");
    case Kind::LinksInACircle:
        return QStringLiteral("Its symbolic links lead round in a circle.");
    case Kind::ReplacedWhileOpening:
        return QStringLiteral("It was replaced by something else while it was being opened.");
    case Kind::LinkCannotBeReplaced:
        return QStringLiteral("The folder does not let a file be made in place of the link.");
    case Kind::ReadPartWay:
        return failure.reason + QStringLiteral("\nOnly the part before the error was loaded.");
    case Kind::TooLarge:
        return QStringLiteral("It is %1 and would take about %2 of memory as a list, but only %3 is free.")
                .arg(sizeText(failure.size), sizeText(failure.needed), sizeText(failure.available));
    case Kind::DidNotEnd:
        return QStringLiteral("It did not end within %1, and more of it would take more memory than the %2 that "
                              "is free.")
                .arg(sizeText(failure.size), sizeText(failure.available));
    case Kind::NotEnoughMemory:
        return QStringLiteral("There is not enough memory for it.");
    case Kind::NoRoomOnDisk:
        return QStringLiteral("It needs %1, and only %2 is free on the disk.")
                .arg(sizeText(failure.needed), sizeText(failure.available));
    case Kind::WrittenPartWay:
        return failure.reason + QStringLiteral("\nThe file now holds only part of the new content.");
    default:
        return failure.reason;
    }
}

} // namespace

QString ioErrorTitle()
{
    return QStringLiteral("IO Error");
}

QString fileFailureText(const FileFailure &failure)
{
    const QString name = QDir::toNativeSeparators(failure.fileName);
    if (failure.kind == Kind::NothingToWrite)
        return QStringLiteral("Nothing to write to %1.").arg(name);
    const QString text = QStringLiteral("Cannot %1 %2:\n%3").arg(verbFor(failure.kind), name, reasonFor(failure));
    const bool loadOrSave = failure.operation == FileFailure::Operation::Load
            || failure.operation == FileFailure::Operation::Save;
    if (failure.isOpenFailure() && loadOrSave)
        return QStringLiteral("IO Error: cannot access open\n") + text;
    return text;
}

QString tooFewEntriesText()
{
    return QStringLiteral("The list items are smaller than the file parameter.");
}

QString beginningTextText(quillmark::BeginningTextProblem problem)
{
    if (problem == quillmark::BeginningTextProblem::Empty)
        return QStringLiteral("Please provide a file beginning text for each file.");
    return QStringLiteral("The file beginning text cannot contain \"/\" or \"\\\", and cannot be \".\" or \"..\".");
}

QString breakUpFailuresText(int failed, qsizetype files, const FileFailure &firstFailure,
                            const FileFailure &syncFailure)
{
    QStringList problems;
    if (failed > 0) {
        problems.append(QStringLiteral("%1 of %2 files could not be written.\n\n%3")
                                .arg(failed)
                                .arg(files)
                                .arg(fileFailureText(firstFailure)));
    }
    if (!syncFailure.ok())
        problems.append(QStringLiteral("The files could not be made safe on the disk.\n\n%1")
                                .arg(fileFailureText(syncFailure)));
    return problems.join(QStringLiteral("\n\n"));
}

} // namespace messages
