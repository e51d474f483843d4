#include "FileWriting.h"

#include "FileMessages.h"
#include "FileNodes.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStorageInfo>

#include <optional>

namespace quillmark {

namespace {

using nodes::Kind;

struct Options {
    bool followLinks = true;
    bool syncNewFile = true;
};

WriteResult cannotOpen(const QString &fileName, const QString &reason)
{
    return {WriteResult::CannotOpen, fileFailure(QStringLiteral("open"), fileName, reason)};
}

WriteResult cannotWrite(const QString &fileName, const QString &reason)
{
    return {WriteResult::CannotWrite, fileFailure(QStringLiteral("write"), fileName, reason)};
}

// Writes until all is written or a write fails. A disk that fills up (or a
// file-size limit) first shows as a short write with no error set; only the
// next write fails with the system's reason, which the message must name.
bool writeAll(QFile &file, const QByteArray &bytes, QString *reason)
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

bool writeContent(QFile &file, const ContentSource &content, QString *reason)
{
    const ContentPieces next = content();
    for (QByteArray piece = next(); !piece.isEmpty(); piece = next()) {
        if (!writeAll(file, piece, reason))
            return false;
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

qint64 contentSize(const ContentSource &content)
{
    qint64 size = 0;
    const ContentPieces next = content();
    for (QByteArray piece = next(); !piece.isEmpty(); piece = next())
        size += piece.size();
    return size;
}

// Writes the content into the pending file and gives it its name, which a
// new file may find taken: that fails as creating it would have.
WriteResult commitContent(nodes::PendingFile &file, const QString &fileName, const ContentSource &content, bool sync)
{
    QString reason;
    if (!writeContent(file.file(), content, &reason))
        return cannotWrite(fileName, reason);
    switch (file.commit(sync, &reason)) {
    case nodes::PendingFile::Committed:
        return {};
    case nodes::PendingFile::NameRefused:
        return cannotOpen(fileName, reason);
    case nodes::PendingFile::Failed:
        break;
    }
    return cannotWrite(fileName, reason);
}

WriteResult writeNew(const QString &fileName, const QString &target, const ContentSource &content, bool sync)
{
    nodes::PendingFile file;
    QString reason;
    bool denied = false;
    if (!file.open(target, nodes::PendingFile::New, &denied, &reason))
        return cannotOpen(fileName, reason);
    return commitContent(file, fileName, content, sync);
}

// Nothing where the file cannot be replaced without taking it from its owner
// or no file can be made beside it: it must be written in place then.
std::optional<WriteResult> replaceWhole(const QString &fileName, const QString &target, const nodes::Node &old,
                                        const ContentSource &content)
{
    nodes::PendingFile file;
    QString reason;
    bool denied = false;
    if (!file.open(target, nodes::PendingFile::Replacement, &denied, &reason))
        return denied ? std::nullopt : std::optional(cannotOpen(fileName, reason));
    // A link that a piece replaces passes on nothing of its own.
    if (old.kind == Kind::Regular ? !nodes::adoptOwnership(file.file(), old)
                                  : !nodes::applyDefaultPermissions(file.file()))
        return std::nullopt;
    return commitContent(file, fileName, content, true);
}

WriteResult writeInPlace(const QString &fileName, const QString &target, const nodes::Node &old,
                         const ContentSource &content, bool followLink)
{
    // Once the old content is cut off there is no way back, so a shortage of
    // space must be seen first, wherever the system tells the free space.
    const QStorageInfo storage(QFileInfo(target).absolutePath());
    const qint64 available = storage.isValid() ? storage.bytesAvailable() : -1;
    if (available >= 0) {
        const qint64 needed = contentSize(content);
        if (needed > available + old.allocatedBytes) {
            const QLocale locale = QLocale::system();
            return cannotWrite(fileName, QStringLiteral("It needs %1, and only %2 is free on the disk.")
                                                 .arg(locale.formattedDataSize(needed), locale.formattedDataSize(available)));
        }
    }
    QFile file;
    QString reason;
    nodes::Node opened;
    if (!nodes::openExisting(file, target, followLink, &opened, &reason))
        return cannotOpen(fileName, reason);
    if (opened.kind != Kind::Regular || opened.device != old.device || opened.inode != old.inode)
        return cannotOpen(fileName, QStringLiteral("It was replaced by something else while it was being opened."));
    if (!file.resize(0))
        return cannotWrite(fileName, file.errorString());
    if (!writeContent(file, content, &reason) || !finish(file, true, &reason))
        return cannotWrite(fileName, reason + QStringLiteral("\nThe file now holds only part of the new content."));
    return {};
}

WriteResult writeDevice(const QString &fileName, const QString &target, const ContentSource &content)
{
    QFile file;
    QString reason;
    nodes::Node opened;
    if (!nodes::openExisting(file, target, true, &opened, &reason))
        return cannotOpen(fileName, reason);
    if (!writeContent(file, content, &reason) || !finish(file, false, &reason))
        return cannotWrite(fileName, reason);
    return {};
}

WriteResult writeFile(const QString &fileName, const ContentSource &content, const Options &options)
{
    const QString target = options.followLinks ? nodes::followLinks(fileName) : fileName;
    const nodes::Node node = nodes::inspect(target);
    switch (node.kind) {
    case Kind::Missing:
        return writeNew(fileName, target, content, options.syncNewFile);
    case Kind::Directory:
        return cannotOpen(fileName, isFolderReason());
    case Kind::PipeOrSocket:
        return cannotOpen(fileName, isPipeReason());
    case Kind::Device:
        if (!options.followLinks)
            return cannotOpen(fileName, QStringLiteral("It is a device, not a file."));
        return writeDevice(fileName, target, content);
    case Kind::SymbolicLink:
        if (options.followLinks)
            return cannotOpen(fileName, QStringLiteral("Its symbolic links lead round in a circle."));
        break;
    case Kind::Regular:
        if (QString reason; !nodes::mayWrite(target, &reason))
            return cannotOpen(fileName, reason);
        if (node.linkCount > 1 || nodes::stickyFolderProtects(target, node))
            return writeInPlace(fileName, target, node, content, options.followLinks);
        break;
    }
    if (const std::optional<WriteResult> replaced = replaceWhole(fileName, target, node, content))
        return *replaced;
    if (node.kind == Kind::SymbolicLink)
        return cannotOpen(fileName, QStringLiteral("The folder does not let a file be made in place of the link."));
    return writeInPlace(fileName, target, node, content, options.followLinks);
}

ContentSource wholeBytes(const QByteArray &content)
{
    return [content] {
        return [content, given = false]() mutable {
            if (given)
                return QByteArray();
            given = true;
            return content;
        };
    };
}

} // namespace

WriteResult writeWholeFile(const QString &fileName, const ContentSource &content)
{
    return writeFile(fileName, content, {});
}

WriteResult writeWholeFile(const QString &fileName, const QByteArray &content)
{
    return writeWholeFile(fileName, wholeBytes(content));
}

WriteResult writeTextFile(const QString &fileName, const QByteArray &text)
{
    if (fileName.isEmpty() || text.isEmpty())
        return {WriteResult::NothingToWrite, QStringLiteral("Nothing to write to %1.").arg(QDir::toNativeSeparators(fileName))};
    return writeFile(fileName, wholeBytes(text), {.followLinks = false, .syncNewFile = false});
}

WriteResult syncPieces(const QString &folder)
{
    QString reason;
    if (nodes::syncFileSystemOf(folder, &reason))
        return {};
    return cannotWrite(folder, reason);
}

} // namespace quillmark
