// Saving over files that are not simply ours, and reading files we may not
// read. Each case runs as an unprivileged user, also when the tests run as
// root; the cases that need another user's file run only as root, who alone
// can make one.

#include "FileWriting.h"
#include "ListFileReading.h"
#include "MemoryBudget.h"
#include "ResourceLimits.h"
#include "SystemFaults.h"
#include "TestFiles.h"
#include "Unprivileged.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>

using namespace quillmark;
using Failure = FileFailure::Kind;

namespace {

enum class Setup {
    OthersFileWritableThroughGroup,
    OthersFileInStickyFolder,
    SecondHardLink,
    SecondHardLinkOnNearlyFullDisk,
    WritableFileInLockedFolder,
    LongestName,
    SymbolicLink,
    NewFileInLockedFolder,
    LockedFileInLockedFolder,
    LockedFile,
    PieceOverLinkLeadingOut,
    PieceInLockedFolder,
    PieceWithLongestName,
    PieceWithNoText,
    NewFile,
};

const QByteArray oldContent("old list\r\nkeep me\r\n");
const QByteArray newContent("new\r\n");

struct stat statOf(const QString &path)
{
    struct stat status = {};
    lstat(QFile::encodeName(path).constData(), &status);
    return status;
}

void setOwner(const QString &path, uid_t owner, gid_t group, mode_t mode)
{
    if (unprivileged::runningAsRoot() && lchown(QFile::encodeName(path).constData(), owner, group) != 0)
        qFatal("cannot give %s away", qPrintable(path));
    if (!S_ISLNK(statOf(path).st_mode) && chmod(QFile::encodeName(path).constData(), mode) != 0)
        qFatal("cannot set the mode of %s", qPrintable(path));
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

bool isOthersFile(Setup setup)
{
    return setup == Setup::OthersFileWritableThroughGroup || setup == Setup::OthersFileInStickyFolder;
}

// The files a case writes over, in a folder of a base folder.
struct Scene {
    QString folder;
    // The name written to, and the file whose content must change.
    QString path;
    QString target;
    // Another name of the target, which must show the new content too.
    QString otherLink;
    // A file outside the folder, which must keep its content.
    QString outside;
    mode_t folderMode = 0755;
};

// A second name for the file written to, or a link in its place.
void arrangeLinks(Setup setup, const QTemporaryDir &base, Scene &scene)
{
    const uid_t us = unprivileged::effectiveUser();
    switch (setup) {
    case Setup::SecondHardLink:
    case Setup::SecondHardLinkOnNearlyFullDisk:
        scene.otherLink = scene.folder + QStringLiteral("/other.txt");
        if (link(QFile::encodeName(writeFile(scene.path, oldContent)).constData(), QFile::encodeName(scene.otherLink).constData()) != 0)
            qFatal("cannot link %s", qPrintable(scene.otherLink));
        setOwner(scene.otherLink, us, us, 0644);
        break;
    case Setup::SymbolicLink:
        setOwner(scene.target = writeFile(scene.folder + QStringLiteral("/target.txt"), oldContent), us, us, 0644);
        if (!QFile::link(QStringLiteral("target.txt"), scene.path))
            qFatal("cannot link %s", qPrintable(scene.path));
        break;
    case Setup::PieceOverLinkLeadingOut:
        scene.outside = writeFile(base.filePath(QStringLiteral("outside.txt")), oldContent);
        if (!QFile::link(scene.outside, scene.path))
            qFatal("cannot link %s", qPrintable(scene.path));
        break;
    default:
        break;
    }
}

Scene arrange(Setup setup, const QTemporaryDir &base)
{
    Scene scene;
    scene.folder = base.filePath(QStringLiteral("folder"));
    if (!QDir().mkdir(scene.folder))
        qFatal("cannot make %s", qPrintable(scene.folder));
    const uid_t us = unprivileged::effectiveUser();
    scene.path = scene.target = scene.folder + QStringLiteral("/list.txt");
    switch (setup) {
    case Setup::OthersFileWritableThroughGroup:
    case Setup::OthersFileInStickyFolder:
        setOwner(writeFile(scene.path, oldContent), unprivileged::otherUser, unprivileged::sharedGroup, 0664);
        setOwner(scene.folder, unprivileged::otherUser, unprivileged::sharedGroup, 0775);
        if (setup == Setup::OthersFileInStickyFolder)
            setOwner(scene.folder, 0, 0, 01777);
        break;
    case Setup::WritableFileInLockedFolder:
    case Setup::LockedFileInLockedFolder:
    case Setup::LockedFile:
        setOwner(writeFile(scene.path, oldContent), us, us, setup == Setup::WritableFileInLockedFolder ? 0644 : 0444);
        scene.folderMode = setup == Setup::LockedFile ? 0755 : 0555;
        break;
    case Setup::NewFileInLockedFolder:
    case Setup::PieceInLockedFolder:
        scene.folderMode = 0555;
        break;
    case Setup::LongestName:
    case Setup::PieceWithLongestName:
        scene.path = scene.target = writeFile(scene.folder + u'/' + QString(251, u'n') + QStringLiteral(".txt"), oldContent);
        setOwner(scene.path, us, us, 0640);
        break;
    default:
        arrangeLinks(setup, base, scene);
        break;
    }
    if (!isOthersFile(setup))
        setOwner(scene.folder, us, us, scene.folderMode);
    if (QFileInfo(scene.path).isSymLink())
        setOwner(scene.path, us, us, 0);
    return scene;
}

// What the write gave (its kind, file and reason), told back from the child
// process it may run in.
QStringList writeAsUser(Setup setup, bool piece, const QString &path)
{
    // The new content fits only into the free space and the old file's blocks.
    const std::optional<FreeSpace> nearlyFull =
            setup == Setup::SecondHardLinkOnNearlyFullDisk ? std::optional<FreeSpace>(std::in_place, 0) : std::nullopt;
    const QString outcome = unprivileged::runAsUser([&] {
        const QByteArray content = setup == Setup::PieceWithNoText ? QByteArray() : newContent;
        const FileFailure failure = piece ? writeTextFile(path, content) : writeWholeFile(path, content);
        return QStringList{QString::number(int(failure.kind)), failure.fileName, failure.reason}.join(u'|');
    });
    return outcome.split(u'|');
}

} // namespace

class TestFileAccess : public QObject
{
    Q_OBJECT

private slots:
    void writeOver_data();
    void writeOver();
    void newNameTakenWhileWriting();
    void unreadableFileIsRefused();
    void memoryBudgetHonoursAddressSpaceLimit();
    void memoryBudgetHonoursControlGroup();

private:
    void checkWritten(const Scene &scene, const struct stat &before, bool inPlace);
};

void TestFileAccess::writeOver_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<bool>("piece");
    QTest::addColumn<Failure>("failure");
    // Whether the file must stay the same file (its inode), written in place.
    QTest::addColumn<bool>("inPlace");

    const Failure ok = Failure::None;
    const Failure open = Failure::CannotOpen;
    QTest::newRow("another user's file, writable through its group")
            << Setup::OthersFileWritableThroughGroup << false << ok << true;
    QTest::newRow("another user's file in a sticky shared folder") << Setup::OthersFileInStickyFolder << false << ok << true;
    QTest::newRow("file with a second hard link") << Setup::SecondHardLink << false << ok << true;
    QTest::newRow("file with a second hard link, on a nearly full disk")
            << Setup::SecondHardLinkOnNearlyFullDisk << false << ok << true;
    QTest::newRow("writable file in a folder without write permission")
            << Setup::WritableFileInLockedFolder << false << ok << true;
    QTest::newRow("existing file with a 255-byte name") << Setup::LongestName << false << ok << false;
    QTest::newRow("symbolic link stays a link") << Setup::SymbolicLink << false << ok << false;
    QTest::newRow("new file in a read-only folder") << Setup::NewFileInLockedFolder << false << open << false;
    QTest::newRow("read-only file in a read-only folder") << Setup::LockedFileInLockedFolder << false << open << false;
    QTest::newRow("read-only file in a writable folder") << Setup::LockedFile << false << open << false;
    QTest::newRow("piece over a link to a file outside the folder") << Setup::PieceOverLinkLeadingOut << true << ok << false;
    QTest::newRow("piece in a read-only folder") << Setup::PieceInLockedFolder << true << open << false;
    QTest::newRow("piece over a file with a 255-byte name") << Setup::PieceWithLongestName << true << ok << false;
    QTest::newRow("piece with no text") << Setup::PieceWithNoText << true << Failure::NothingToWrite << false;
    // Not a temporary file's private permissions: those a new file gets.
    QTest::newRow("new file") << Setup::NewFile << false << ok << false;
    QTest::newRow("new piece") << Setup::NewFile << true << ok << false;
}

void TestFileAccess::writeOver()
{
    QFETCH(Setup, setup);
    QFETCH(bool, piece);
    QFETCH(Failure, failure);
    QFETCH(bool, inPlace);

    if (isOthersFile(setup) && !unprivileged::runningAsRoot())
        QSKIP("Only root can make another user's file; CI runs this as root.");
    QTemporaryDir base;
    QVERIFY(base.isValid());
    setOwner(base.path(), 0, 0, 0755); // root's own, but the child must get through
    const Scene scene = arrange(setup, base);
    const bool existed = QFileInfo::exists(scene.target);
    const struct stat before = statOf(scene.target);
    const QStringList entriesBefore = entriesOf(scene.folder);
    const QStringList fields = writeAsUser(setup, piece, scene.path);
    QVERIFY2(fields.size() == 3, qPrintable(fields.join(u'|')));
    const FileFailure outcome{.kind = Failure(fields[0].toInt()), .fileName = fields[1], .reason = fields[2]};
    QVERIFY2(outcome.kind == failure, qPrintable(outcome.reason));

    // No temporary file left behind, and nothing made or lost beside it.
    const bool made = failure == Failure::None && !existed;
    QCOMPARE(entriesOf(scene.folder), entriesBefore + (made ? QStringList{QFileInfo(scene.path).fileName()} : QStringList{}));
    if (failure == Failure::None)
        return checkWritten(scene, before, inPlace);
    QCOMPARE(outcome.fileName, scene.path);
    if (failure == Failure::CannotOpen)
        QVERIFY2(outcome.reason.contains(QString::fromLocal8Bit(std::strerror(EACCES))), qPrintable(outcome.reason));
    QCOMPARE(QFileInfo::exists(scene.target), existed);
    if (existed)
        QCOMPARE(readFile(scene.target), oldContent);
}

void TestFileAccess::checkWritten(const Scene &scene, const struct stat &before, bool inPlace)
{
    QCOMPARE(readFile(scene.path), newContent);
    QCOMPARE(readFile(scene.target), newContent);
    const struct stat after = statOf(scene.target);
    if (before.st_ino != 0 && !S_ISLNK(before.st_mode)) {
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_ino == before.st_ino, inPlace);
    } else if (before.st_ino == 0) {
        const mode_t mask = umask(0);
        umask(mask);
        QCOMPARE(after.st_mode & 07777, 0666 & ~mask);
    }
    // A link to the target stays one; a piece replaces a link by a file.
    QCOMPARE(QFileInfo(scene.path).isSymLink(), scene.path != scene.target);
    if (!scene.otherLink.isEmpty())
        QCOMPARE(readFile(scene.otherLink), newContent);
    if (!scene.outside.isEmpty())
        QCOMPARE(readFile(scene.outside), oldContent);
}

void TestFileAccess::newNameTakenWhileWriting()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("list.txt"));
    FileWriter writer(path);
    QVERIFY(writer.open());
    writeFile(path, oldContent);
    QVERIFY(writer.write(newContent));
    const FileFailure failure = writer.commit();
    QCOMPARE(failure.kind, Failure::CannotOpen);
    QCOMPARE(failure.fileName, path);
    QCOMPARE(failure.reason, QString::fromLocal8Bit(std::strerror(EEXIST)));
    QCOMPARE(entriesOf(folder.path()), QStringList{QStringLiteral("list.txt")});
    QCOMPARE(readFile(path), oldContent);
}

void TestFileAccess::unreadableFileIsRefused()
{
    QTemporaryDir base;
    QVERIFY(base.isValid());
    setOwner(base.path(), unprivileged::effectiveUser(), 0, 0755);
    const QString path = writeFile(base.filePath(QStringLiteral("secret.txt")), "hidden\n");
    setOwner(path, unprivileged::effectiveUser(), 0, 0200);
    const QString outcome = unprivileged::runAsUser([&] {
        const ListFileContent content = readListFile(path, -1, 0);
        return QStringList{QString::number(content.bytes.size()), QString::number(int(content.failure.kind)),
                           content.failure.fileName, content.failure.reason}
                .join(u'|');
    });
    QCOMPARE(outcome, QStringLiteral("0|%1|%2|%3").arg(int(Failure::CannotOpen)).arg(path, QString::fromLocal8Bit(std::strerror(EACCES))));
}

void TestFileAccess::memoryBudgetHonoursAddressSpaceLimit()
{
    const qint64 unlimited = availableMemory();
    QVERIFY(unlimited > 64 * 1024 * 1024);
    constexpr qint64 room = 32 * 1024 * 1024;
    const AddressSpaceLimit limit(room);
    QVERIFY(limit.active);
    const qint64 limited = availableMemory();
    QVERIFY2(limited >= 0 && limited <= room, qPrintable(QString::number(limited)));
}

void TestFileAccess::memoryBudgetHonoursControlGroup()
{
    // A group of our own beside the one we run in, in the memory
    // controller's own hierarchy, where root may make one.
    QString own;
    for (const QByteArray &line : readFile(QStringLiteral("/proc/self/cgroup")).split('\n')) {
        const QList<QByteArray> fields = line.split(':');
        if (fields.size() >= 3 && fields[1].split(',').contains("memory"))
            own = QStringLiteral("/sys/fs/cgroup/memory") + QString::fromUtf8(fields.mid(2).join(':'));
    }
    const QString group = own + QStringLiteral("/quillmark-test-%1").arg(getpid());
    if (!unprivileged::runningAsRoot() || own.isEmpty() || !QDir().mkdir(group))
        QSKIP("Needs root and a memory controller hierarchy of its own (cgroup v1) to make a group in.");
    const auto removeGroup = qScopeGuard([&] { QDir().rmdir(group); });
    constexpr qint64 room = 64 * 1024 * 1024;
    QFile limit(group + QStringLiteral("/memory.limit_in_bytes"));
    QVERIFY(limit.open(QIODevice::WriteOnly) && limit.write(QByteArray::number(room)) > 0);
    limit.close();
    const QString outcome = unprivileged::runInChildProcess([&] {
        QFile join(group + QStringLiteral("/cgroup.procs"));
        if (!join.open(QIODevice::WriteOnly) || join.write(QByteArray::number(getpid())) <= 0 || !join.flush())
            return QStringLiteral("<cannot join %1>").arg(group);
        return QString::number(availableMemory());
    });
    bool number = false;
    const qint64 limited = outcome.toLongLong(&number);
    QVERIFY2(number && limited >= 0 && limited <= room, qPrintable(outcome));
}

QTEST_APPLESS_MAIN(TestFileAccess)
#include "tst_fileaccess.moc"
