#include "FileWriting.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace quillmark {

namespace {

using nodes::Kind;
using Failure = FileFailure::Kind;

// Writes until all is written or a write fails. A disk that fills up (or a
// file-size limit) first shows as a short write with no error set; only the
// next write fails with the system's reason, which the failure must name.
bool writeAll(QFile &file, QByteArrayView bytes, QString *reason)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            *reason = file.errorString();
            return false;
        }
        done += written;
    }
    return true;
}

// The file is unbuffered, so every byte has reached the system by now; what
// can still fail is the sync and, on network file systems, the close.
bool finish(QFile &file, bool sync, QString *reason)
{
    if (sync && !nodes::syncToDisk(file, reason))
        return false;
    file.close();
    if (file.error() == QFileDevice::NoError)
        return true;
    *reason = file.errorString();
    return false;
}

FileFailure writeAtOnce(FileWriter &writer, const QByteArray &content)
{
    if (writer.open() && writer.setSize(content.size()))
        writer.write(content);
    return writer.commit();
}

} // namespace

FileWriter::FileWriter(const QString &fileName, Purpose purpose)
    : fileName(fileName)
    , purpose(purpose)
{
}

bool FileWriter::fail(Failure kind, const QString &reason)
{
    const auto operation = purpose == Save ? FileFailure::Operation::Save : FileFailure::Operation::WritePiece;
    failure = {.operation = operation, .kind = kind, .fileName = fileName, .reason = reason};
    mode = Mode::Failed;
    // What was not committed goes: a pending file with nothing left of it.
    pending.reset();
    direct.close();
    return false;
}

bool FileWriter::open()
{
    target = purpose == Save ? nodes::followLinks(fileName) : fileName;
    old = nodes::inspect(target);
    if (!openByKind() || mode != Mode::Closed)
        return mode != Mode::Failed;
    bool possible = true;
    if (openPending(nodes::PendingFile::Replacement, &possible) || possible)
        return mode == Mode::Pending;
    if (old.kind == Kind::SymbolicLink)
        return fail(Failure::LinkCannotBeReplaced);
    inPlace = true;
    mode = Mode::Waiting;
    return true;
}

// Refuses what is not to be written as a file, and opens what is not to be
// replaced; leaves the mode closed where a replacement is to be tried.
bool FileWriter::openByKind()
{
    bool possible = true;
    switch (old.kind) {
    case Kind::Missing:
        return openPending(nodes::PendingFile::New, &possible);
    case Kind::Directory:
        return fail(Failure::IsFolder);
    case Kind::PipeOrSocket:
        return fail(Failure::IsPipe);
    case Kind::Device:
        return purpose == Piece ? fail(Failure::IsDevice) : openExisting();
    case Kind::SymbolicLink:
        return purpose == Piece || fail(Failure::LinksInACircle);
    case Kind::Regular:
        if (QString reason; !nodes::mayWrite(target, &reason))
            return fail(Failure::CannotOpen, reason);
        if (old.linkCount > 1 || nodes::stickyFolderProtects(target, old)) {
            inPlace = true;
            mode = Mode::Waiting;
        }
        return true;
    }
    return true;
}

// *possible turns false where the folder does not let a replacement be made,
// or the file's owner would not stay: it must be written in place then.
bool FileWriter::openPending(nodes::PendingFile::Purpose kind, bool *possible)
{
    const bool replacing = kind == nodes::PendingFile::Replacement;
    pending.emplace();
    QString reason;
    bool denied = false;
    if (!pending->open(target, kind, &denied, &reason)) {
        *possible = !replacing || !denied;
        pending.reset();
        return *possible && fail(Failure::CannotOpen, reason);
    }
    // A link that a piece replaces passes on nothing of its own.
    if (replacing && (old.kind == Kind::Regular ? !nodes::adoptOwnership(pending->file(), old)
                                                : !nodes::applyDefaultPermissions(pending->file()))) {
        *possible = false;
        pending.reset();
        return false;
    }
    sync = replacing || purpose == Save;
    mode = Mode::Pending;
    return true;
}

bool FileWriter::openExisting()
{
    QString reason;
    nodes::Node opened;
    if (!nodes::openExisting(direct, target, purpose == Save, &opened, &reason))
        return fail(Failure::CannotOpen, reason);
    if (inPlace && (opened.kind != Kind::Regular || opened.device != old.device || opened.inode != old.inode))
        return fail(Failure::ReplacedWhileOpening);
    mode = Mode::Direct;
    return true;
}

bool FileWriter::setSize(qint64 bytes)
{
    return mode != Mode::Waiting || startInPlace(bytes);
}

bool FileWriter::startInPlace(qint64 bytes)
{
    // Once the old content is cut off there is no way back, so a shortage of
    // space must be seen first, wherever the system tells the free space.
    const QStorageInfo storage(QFileInfo(target).absolutePath());
    const qint64 available = storage.isValid() ? storage.bytesAvailable() : -1;
    if (bytes >= 0 && available >= 0 && bytes > available + old.allocatedBytes) {
        fail(Failure::NoRoomOnDisk);
        failure.needed = bytes;
        failure.available = available;
        return false;
    }
    if (!openExisting())
        return false;
    if (!direct.resize(0))
        return fail(Failure::CannotWrite, direct.errorString());
    return true;
}

bool FileWriter::write(QByteArrayView bytes)
{
    if (mode == Mode::Waiting && !startInPlace(-1))
        return false;
    if (mode != Mode::Pending && mode != Mode::Direct)
        return false;
    QString reason;
    if (writeAll(mode == Mode::Pending ? pending->file() : direct, bytes, &reason))
        return true;
    return fail(inPlace ? Failure::WrittenPartWay : Failure::CannotWrite, reason);
}

FileFailure FileWriter::commit()
{
    Q_ASSERT(mode != Mode::Closed);
    // Nothing was written: in place, that is an empty content.
    if (mode == Mode::Waiting && !startInPlace(0))
        return failure;
    if (mode == Mode::Pending)
        return commitPending();
    if (QString reason; mode == Mode::Direct && !finish(direct, inPlace, &reason))
        fail(inPlace ? Failure::WrittenPartWay : Failure::CannotWrite, reason);
    return failure;
}

// Gives the pending file its name, which a new file may find taken: that
// fails as creating it would have.
FileFailure FileWriter::commitPending()
{
    QString reason;
    switch (pending->commit(sync, &reason)) {
    case nodes::PendingFile::Committed:
        mode = Mode::Closed;
        return failure;
    case nodes::PendingFile::NameRefused:
        fail(Failure::CannotOpen, reason);
        return failure;
    case nodes::PendingFile::Failed:
        break;
    }
    fail(Failure::CannotWrite, reason);
    return failure;
}

FileFailure writeWholeFile(const QString &fileName, const QByteArray &content)
{
    FileWriter writer(fileName);
    return writeAtOnce(writer, content);
}

FileFailure writeTextFile(const QString &fileName, const QByteArray &text)
{
    if (fileName.isEmpty() || text.isEmpty())
        return {.operation = FileFailure::Operation::WritePiece, .kind = Failure::NothingToWrite,
                .fileName = fileName, .reason = {}};
    FileWriter writer(fileName, FileWriter::Piece);
    return writeAtOnce(writer, text);
}

FileFailure syncPieces(const QString &folder)
{
    QString reason;
    if (nodes::syncFileSystemOf(folder, &reason))
        return {};
    return {.operation = FileFailure::Operation::Sync, .kind = Failure::CannotWrite, .fileName = folder,
            .reason = reason};
}

} // namespace quillmark
