#pragma once

#include <QFile>
#include <QString>

// What the file system holds under a name, and the few calls on it that Qt
// does not make the way list files need: opening never blocks on a pipe,
// new files are made exclusively, and a replaced file keeps its owner.
namespace quillmark::nodes {

enum class Kind { Missing, Regular, Directory, SymbolicLink, PipeOrSocket, Device };

struct Node {
    Kind kind = Kind::Missing;
    qint64 size = 0;
    // Disk space the file takes now, which writing it anew gives back.
    qint64 allocatedBytes = 0;
    qint64 linkCount = 1;
    uint owner = 0;
    uint group = 0;
    uint mode = 0;
    quint64 device = 0;
    quint64 inode = 0;
};

// The node under the name itself: a symbolic link is not followed.
Node inspect(const QString &path);

// The name with every symbolic link along the last part followed, so that a
// save through a link reaches its target. A dangling link yields the path the
// file would be created at.
QString followLinks(const QString &path);

// The system's reason for the last failed call, as the user should read it.
QString lastReason();

// Opens for reading. A pipe opens without waiting for a writer, and
// reads from it or from a device never wait either. The node is what was
// opened, not what the name held a moment before; where the system refuses
// to open a folder or a socket it is what the name holds.
bool openForReading(QFile &file, const QString &path, Node *opened, QString *reason);

// Reads what a file opened so gives at once, up to size bytes: the bytes
// read, 0 at its end, or -1 with the reason. A terminal or another device
// ends where it has nothing more to give now, its end of file or not.
qint64 readSome(QFile &file, char *data, qint64 size, QString *reason);

// A file that takes its name only once it is whole, as QSaveFile does: it is
// opened, written and committed, and destroyed uncommitted it leaves nothing
// behind. It is written where no other program sees it, a file without a
// name or one marked to go with the handle, which the system removes also
// when the program is killed. Where the file system cannot make one, a new
// file is made under its own name at once and a replacement under a hidden
// one beside it, as before; a kill leaves those behind. Writes are
// unbuffered, so that a failing one is seen.
class PendingFile
{
public:
    // A new file takes a name that nothing holds, and commit fails if
    // something took it meanwhile; a replacement takes the place of what the
    // name holds, never following a link there.
    enum Purpose { New, Replacement };
    enum Outcome { Committed, NameRefused, Failed };

    PendingFile() = default;
    ~PendingFile();
    Q_DISABLE_COPY_MOVE(PendingFile)

    // Opens it in path's folder. *denied tells whether the folder refused it
    // (no file can be made there).
    bool open(const QString &path, Purpose purpose, bool *denied, QString *reason);
    QFile &file() { return device; }
    // Makes the content durable first where sync is set, then gives it the
    // name in one step. NameRefused only for a new file whose name could not
    // be given (taken meanwhile, too long, or refused by the folder).
    Outcome commit(bool sync, QString *reason);

private:
    // Each system's ways of opening and of naming it.
    bool openUnnamed(bool *denied, QString *reason, bool *unsupported);
    bool openNamed(bool *denied, QString *reason);
    Outcome nameUnnamed(QString *reason);
    Outcome nameNamed(QString *reason);
    bool closeChecked(QString *reason);

    QFile device;
    QString target;
    Purpose purpose = New;
    // Until commit: the name under which it can be seen, to remove if it is
    // not committed; empty while the system alone knows the file.
    QString visibleName;
    // What the system names a file that no other program may open, where it
    // names one at all.
    QString hiddenName;
    bool unnamed = false;
    bool committed = false;
};

// A short name of fixed length beside path (path's name may use up all that
// the system allows), hidden, so that file lists do not show it in the
// moment it exists.
QString temporaryNameBeside(const QString &path);

// Opens an existing file or device for writing without truncating it or
// waiting on it; with followLink false a link at the name is refused.
bool openExisting(QFile &file, const QString &path, bool followLink, Node *opened, QString *reason);

// Whether we may write the existing file itself, as opening it would tell;
// a file its owner made read-only is not replaced behind their back.
bool mayWrite(const QString &path, QString *reason);

// Gives a replacement the owner, group and permissions of the file it is to
// replace; false where the system does not let us, which means replacing the
// file would take it from its owner.
bool adoptOwnership(QFile &file, const Node &old);

// A new file's permissions as the user's file-creation mask makes them.
bool applyDefaultPermissions(QFile &file);

// Whether the folder's sticky bit keeps us from renaming over the file.
bool stickyFolderProtects(const QString &path, const Node &node);

bool syncToDisk(QFile &file, QString *reason);

// Puts replacement in place of target in one step.
bool replace(const QString &replacement, const QString &target, QString *reason);

// Makes everything written into the folder's file system durable, and the
// folder's own entries with it.
bool syncFileSystemOf(const QString &folder, QString *reason);

} // namespace quillmark::nodes
