#pragma once

#include "FileFailure.h"
#include "FileNodes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace quillmark {

// Writes bytes as the whole content of a file, in the shape of QSaveFile:
// open(), write() as often as needed, commit(). All or nothing wherever the
// system allows it, also when the program is killed: a new file appears under
// its name, and an existing one is replaced, only once commit() has put every
// byte of the new content on the disk, keeping its owner, group and
// permissions. Destroyed uncommitted, it leaves no file and nothing beside it
// (only a file written in place holds what was written into it).
// Where replacing would take the file from its owner or split it from its
// other hard links, or no file can be made beside it, it is written in place,
// which the caller is told (writesInPlace) so that it can give the whole size
// first: the old content is cut off only once it is known to fit in the free
// space. A device is written directly; a pipe or socket is refused at once
// rather than waited on.
class FileWriter
{
public:
    // A piece of a break-up is written the same way, except that a link under
    // its name is replaced rather than followed, so a piece is always a file
    // in the chosen folder, and that a new piece is not synced on its own:
    // syncPieces does that once for the run.
    enum Purpose { Save, Piece };

    explicit FileWriter(const QString &fileName, Purpose purpose = Save);
    Q_DISABLE_COPY_MOVE(FileWriter)

    // Each returns false once anything has failed, which commit then tells.
    bool open();
    // Once open: whether the file is written in place.
    bool writesInPlace() const { return inPlace; }
    // The whole size of the content, before the first write. A caller that
    // does not tell it where the file is written in place forgoes the check
    // for free space.
    bool setSize(qint64 bytes);
    bool write(QByteArrayView bytes);
    FileFailure commit();

private:
    // Waiting: to be written in place, its old content not yet cut off.
    enum class Mode { Closed, Pending, Waiting, Direct, Failed };

    bool openByKind();
    bool openPending(nodes::PendingFile::Purpose kind, bool *possible);
    bool openExisting();
    bool startInPlace(qint64 bytes);
    bool fail(FileFailure::Kind kind, const QString &reason = {});
    FileFailure commitPending();

    QString fileName;
    Purpose purpose;
    // Where the content goes: the file a link leads to, when it is followed.
    QString target;
    nodes::Node old;
    Mode mode = Mode::Closed;
    bool inPlace = false;
    bool sync = true;
    std::optional<nodes::PendingFile> pending;
    QFile direct;
    FileFailure failure;
};

// The whole content at once.
FileFailure writeWholeFile(const QString &fileName, const QByteArray &content);
// One break-up piece; with no name or nothing to write it touches nothing.
FileFailure writeTextFile(const QString &fileName, const QByteArray &text);
FileFailure syncPieces(const QString &folder);

} // namespace quillmark
