// Saving over files that are not simply ours, and reading files we may not
// read. Each case runs as an unprivileged user, also when the tests run as
// root; the cases that need another user's file run only as root, who alone
// can make one.

#include "FileWriting.h"
#include "ListFileReading.h"
#include "MemoryBudget.h"
#include "ResourceLimits.h"
#include "Unprivileged.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using namespace quillmark;

namespace {

enum class Setup {
    OthersFileWritableThroughGroup,
    OthersFileInStickyFolder,
    SecondHardLink,
    WritableFileInLockedFolder,
    LongestName,
    SymbolicLink,
    NewFileInLockedFolder,
    LockedFileInLockedFolder,
    LockedFile,
    PieceOverLinkLeadingOut,
    PieceInLockedFolder,
    PieceWithLongestName,
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

QString makeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file %s", qPrintable(path));
    return path;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot read>");
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
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
};

void TestFileAccess::writeOver_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<bool>("piece");
    QTest::addColumn<int>("failure");
    // Whether the file must stay the same file (its inode), written in place.
    QTest::addColumn<bool>("inPlace");

    const int ok = WriteResult::None;
    const int open = WriteResult::CannotOpen;
    QTest::newRow("another user's file, writable through its group")
            << Setup::OthersFileWritableThroughGroup << false << ok << true;
    QTest::newRow("another user's file in a sticky shared folder") << Setup::OthersFileInStickyFolder << false << ok << true;
    QTest::newRow("file with a second hard link") << Setup::SecondHardLink << false << ok << true;
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
}

void TestFileAccess::writeOver()
{
    QFETCH(Setup, setup);
    QFETCH(bool, piece);
    QFETCH(int, failure);
    QFETCH(bool, inPlace);

    const bool othersFile = setup == Setup::OthersFileWritableThroughGroup || setup == Setup::OthersFileInStickyFolder;
    if (othersFile && !unprivileged::runningAsRoot())
        QSKIP("Only root can make another user's file; CI runs this as root.");
    QTemporaryDir base;
    QVERIFY(base.isValid());
    setOwner(base.path(), 0, 0, 0755); // root's own, but the child must get through
    const QString folder = base.filePath(QStringLiteral("folder"));
    QVERIFY(QDir().mkdir(folder));
    const uid_t us = unprivileged::effectiveUser();
    const QString longestName = QString(251, u'n') + QStringLiteral(".txt");

    QString path = folder + QStringLiteral("/list.txt");
    QString target = path; // whose content must change
    mode_t folderMode = 0755;
    switch (setup) {
    case Setup::OthersFileWritableThroughGroup:
    case Setup::OthersFileInStickyFolder:
        makeFile(path, oldContent);
        setOwner(path, unprivileged::otherUser, unprivileged::sharedGroup, 0664);
        setOwner(folder, unprivileged::otherUser, unprivileged::sharedGroup, 0775);
        if (setup == Setup::OthersFileInStickyFolder)
            setOwner(folder, 0, 0, 01777);
        break;
    case Setup::SecondHardLink:
        makeFile(path, oldContent);
        QVERIFY(link(QFile::encodeName(path).constData(), QFile::encodeName(folder + QStringLiteral("/other.txt")).constData()) == 0);
        setOwner(folder + QStringLiteral("/other.txt"), us, us, 0644);
        break;
    case Setup::WritableFileInLockedFolder:
    case Setup::LockedFileInLockedFolder:
    case Setup::LockedFile:
        makeFile(path, oldContent);
        setOwner(path, us, us, setup == Setup::WritableFileInLockedFolder ? 0644 : 0444);
        folderMode = setup == Setup::LockedFile ? 0755 : 0555;
        break;
    case Setup::NewFileInLockedFolder:
    case Setup::PieceInLockedFolder:
        folderMode = 0555;
        break;
    case Setup::LongestName:
    case Setup::PieceWithLongestName:
        path = target = makeFile(folder + u'/' + longestName, oldContent);
        setOwner(path, us, us, 0640);
        break;
    case Setup::SymbolicLink:
        target = makeFile(folder + QStringLiteral("/target.txt"), oldContent);
        setOwner(target, us, us, 0644);
        QVERIFY(QFile::link(QStringLiteral("target.txt"), path));
        break;
    case Setup::PieceOverLinkLeadingOut:
        QVERIFY(QFile::link(makeFile(base.filePath(QStringLiteral("outside.txt")), oldContent), path));
        break;
    }
    if (!othersFile)
        setOwner(folder, us, us, folderMode);
    if (QFileInfo(path).isSymLink())
        setOwner(path, us, us, 0);

    const bool existed = QFileInfo::exists(target);
    const struct stat before = statOf(target);
    const QStringList entriesBefore = entriesOf(folder);
    const QString outcome = unprivileged::runAsUser([&] {
        const WriteResult result = piece ? writeTextFile(path, newContent) : writeWholeFile(path, newContent);
        return QString::number(result.failure) + u'|' + result.message;
    });
    const qsizetype bar = outcome.indexOf(u'|');
    const QString message = outcome.mid(bar + 1);
    QVERIFY2(bar > 0, qPrintable(outcome));
    QCOMPARE(outcome.left(bar).toInt(), failure);

    // No temporary file left behind, and nothing made or lost beside it.
    QCOMPARE(entriesOf(folder), entriesBefore + (failure == WriteResult::None && !existed ? QStringList{QFileInfo(path).fileName()} : QStringList{}));
    if (failure != WriteResult::None) {
        QVERIFY2(message.startsWith(QStringLiteral("Cannot open %1:\n").arg(QDir::toNativeSeparators(path))), qPrintable(message));
        QVERIFY2(message.contains(QString::fromLocal8Bit(std::strerror(EACCES))), qPrintable(message));
        QCOMPARE(QFileInfo::exists(target), existed);
        if (existed)
            QCOMPARE(contentOf(target), oldContent);
        return;
    }
    QVERIFY2(message.isEmpty(), qPrintable(message));
    QCOMPARE(contentOf(path), newContent);
    const struct stat after = statOf(target);
    if (existed && !S_ISLNK(before.st_mode)) {
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_ino == before.st_ino, inPlace);
    }
    switch (setup) {
    case Setup::SecondHardLink:
        QCOMPARE(contentOf(folder + QStringLiteral("/other.txt")), newContent);
        break;
    case Setup::SymbolicLink:
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(contentOf(target), newContent);
        break;
    case Setup::PieceOverLinkLeadingOut:
        QVERIFY(!QFileInfo(path).isSymLink());
        QCOMPARE(contentOf(base.filePath(QStringLiteral("outside.txt"))), oldContent);
        break;
    default:
        break;
    }
}

void TestFileAccess::newNameTakenWhileWriting()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("list.txt"));
    const WriteResult result = writeWholeFile(path, [&] {
        return [&, given = false]() mutable {
            if (given)
                return QByteArray();
            given = true;
            makeFile(path, oldContent);
            return newContent;
        };
    });
    QCOMPARE(result.failure, WriteResult::CannotOpen);
    QCOMPARE(result.message, QStringLiteral("Cannot open %1:\n%2").arg(path, QString::fromLocal8Bit(std::strerror(EEXIST))));
    QCOMPARE(entriesOf(folder.path()), QStringList{QStringLiteral("list.txt")});
    QCOMPARE(contentOf(path), oldContent);
}

void TestFileAccess::unreadableFileIsRefused()
{
    QTemporaryDir base;
    QVERIFY(base.isValid());
    setOwner(base.path(), unprivileged::effectiveUser(), 0, 0755);
    const QString path = makeFile(base.filePath(QStringLiteral("secret.txt")), "hidden\n");
    setOwner(path, unprivileged::effectiveUser(), 0, 0200);
    const QString outcome = unprivileged::runAsUser([&] {
        const ListFileContent content = readListFile(path, -1, 0);
        return QString::number(content.bytes.size()) + u'|' + content.error;
    });
    QCOMPARE(outcome, QStringLiteral("0|IO Error: cannot access open\nCannot open %1:\n%2")
                              .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(EACCES))));
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
    for (const QByteArray &line : contentOf(QStringLiteral("/proc/self/cgroup")).split('\n')) {
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
