#include "FileNodes.h"

#include <QDir>
#include <QFileInfo>

#include <cstdint>
#include <cstring>
#include <io.h>
#include <memory>
#include <qt_windows.h>

namespace quillmark::nodes {

// Windows has no pipes in the file system's folders, no owners to keep and
// no links to split, so opening is Qt's own and most checks hold trivially.

Node inspect(const QString &path)
{
    const QFileInfo info(path);
    Node node;
    node.kind = info.isSymbolicLink() ? Kind::SymbolicLink
            : !info.exists()          ? Kind::Missing
            : info.isDir()            ? Kind::Directory
            : info.isFile()           ? Kind::Regular
                                      : Kind::Device;
    node.size = info.size();
    node.allocatedBytes = node.size;
    return node;
}

QString lastReason()
{
    return qt_error_string(int(::GetLastError()));
}

namespace {

bool openByName(QFile &file, const QString &path, QIODevice::OpenMode mode, QString *reason)
{
    file.setFileName(path);
    if (file.open(mode | QIODevice::Unbuffered))
        return true;
    *reason = file.errorString();
    return false;
}

HANDLE handleOf(QFile &file)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(file.handle()));
}

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// While marked, the system removes the file when its last handle closes,
// also when the program is killed; nobody else can open it meanwhile.
bool markForRemoval(HANDLE handle, bool removed)
{
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = removed;
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
}

bool renameByHandle(HANDLE handle, const QString &target, bool replacing)
{
    const QString name = QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath());
    const size_t nameBytes = size_t(name.size()) * sizeof(wchar_t);
    const size_t size = sizeof(FILE_RENAME_INFO) + nameBytes;
    const auto buffer = std::make_unique<char[]>(size);
    auto *info = reinterpret_cast<FILE_RENAME_INFO *>(buffer.get());
    std::memset(info, 0, size);
    info->ReplaceIfExists = replacing;
    info->FileNameLength = DWORD(nameBytes);
    std::memcpy(info->FileName, name.utf16(), nameBytes);
    return ::SetFileInformationByHandle(handle, FileRenameInfo, info, DWORD(size));
}

} // namespace

bool openForReading(QFile &file, const QString &path, Node *opened, QString *reason)
{
    *opened = inspect(path);
    return openByName(file, path, QIODevice::ReadOnly, reason);
}

qint64 readSome(QFile &file, char *data, qint64 size, QString *reason)
{
    const qint64 got = file.read(data, size);
    if (got < 0)
        *reason = file.errorString();
    return got;
}

bool PendingFile::openUnnamed(bool *denied, QString *reason, bool *unsupported)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QDir::toNativeSeparators(temporaryNameBeside(target));
        const HANDLE handle = ::CreateFileW(wide(name), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS)
            continue;
        if (handle == INVALID_HANDLE_VALUE) {
            *reason = lastReason();
            *denied = !QFileInfo(QFileInfo(target).absolutePath()).isWritable();
            return false;
        }
        if (!markForRemoval(handle, true)) {
            ::CloseHandle(handle);
            ::DeleteFileW(wide(name));
            *unsupported = true;
            return false;
        }
        // Binary: without _O_TEXT the descriptor writes bytes as they are.
        const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), 0);
        if (descriptor < 0) {
            *reason = lastReason();
            ::CloseHandle(handle);
            return false;
        }
        if (!device.open(descriptor, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
            *reason = device.errorString();
            ::_close(descriptor);
            return false;
        }
        hiddenName = name;
        return true;
    }
    *reason = qt_error_string(ERROR_FILE_EXISTS);
    return false;
}

bool PendingFile::openNamed(bool *denied, QString *reason)
{
    if (purpose == New) {
        if (!openByName(device, target, QIODevice::WriteOnly | QIODevice::NewOnly, reason))
            return false;
        visibleName = target;
        return true;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temporary = temporaryNameBeside(target);
        if (openByName(device, temporary, QIODevice::WriteOnly | QIODevice::NewOnly, reason)) {
            visibleName = temporary;
            return true;
        }
        if (!QFileInfo::exists(temporary))
            break;
    }
    *denied = !QFileInfo(QFileInfo(target).absolutePath()).isWritable();
    return false;
}

// The mark must go before the rename, or a replacement would be removed
// from its target's place when it is closed; a kill in between leaves the
// file under its temporary name.
PendingFile::Outcome PendingFile::nameUnnamed(QString *reason)
{
    const HANDLE handle = handleOf(device);
    if (!markForRemoval(handle, false)) {
        *reason = lastReason();
        return Failed;
    }
    visibleName = hiddenName;
    if (!renameByHandle(handle, target, purpose == Replacement)) {
        *reason = lastReason();
        return purpose == New ? NameRefused : Failed;
    }
    visibleName = purpose == New ? target : QString();
    return closeChecked(reason) ? Committed : Failed;
}

bool openExisting(QFile &file, const QString &path, bool, Node *opened, QString *reason)
{
    *opened = inspect(path);
    // Read and write, since write alone would truncate at once.
    return openByName(file, path, QIODevice::ReadWrite | QIODevice::ExistingOnly, reason);
}

bool mayWrite(const QString &path, QString *reason)
{
    if (QFileInfo(path).isWritable())
        return true;
    *reason = qt_error_string(ERROR_ACCESS_DENIED);
    return false;
}

bool adoptOwnership(QFile &, const Node &)
{
    return true;
}

bool applyDefaultPermissions(QFile &)
{
    return true;
}

bool stickyFolderProtects(const QString &, const Node &)
{
    return false;
}

bool syncToDisk(QFile &file, QString *reason)
{
    if (::FlushFileBuffers(handleOf(file)))
        return true;
    *reason = lastReason();
    return false;
}

bool replace(const QString &replacement, const QString &target, QString *reason)
{
    const QString from = QDir::toNativeSeparators(replacement);
    const QString to = QDir::toNativeSeparators(target);
    if (::MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()), reinterpret_cast<const wchar_t *>(to.utf16()),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *reason = lastReason();
    return false;
}

bool syncFileSystemOf(const QString &, QString *)
{
    // Flushing a whole volume needs administrator rights here; new pieces
    // are left to the system's own write-back.
    return true;
}

} // namespace quillmark::nodes
