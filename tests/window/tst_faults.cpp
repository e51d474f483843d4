// Faults of the system and hostile files, through the real window: each must
// end in a clear message or a correct load, with no entry of the list lost
// and no existing file damaged. A program killed while it writes a file must
// leave no trace of it either. (A full disk during Save and the Create Files
// faults are covered by tst_save and tst_createfiles.)

#include "FileWriting.h"
#include "LargeList.h"
#include "ModalAnswerer.h"
#include "Windows1252.h"
#include "WindowFixture.h"
#ifdef Q_OS_UNIX
#include "ResourceLimits.h"
#include "SystemFaults.h"
#else
#include "OtherProcess.h"
#endif

#include <QDir>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <termios.h>
#endif

using namespace Qt::StringLiterals;

namespace {

const QString cannotAccess = QStringLiteral("IO Error: cannot access open");
const QString notAFile = QStringLiteral("It is a pipe or a socket, not a file.");

// What the list holds before each fault; it must hold it all afterwards.
const QStringList existing{QStringLiteral("keep"), QString(), QStringLiteral("these \u20ac")};

// A file to load and the entries it must add.
struct ListFile {
    QByteArray bytes;
    QStringList entries;
};

ListFile singleLongLine()
{
    QByteArray line;
    line.reserve(50 * 1024 * 1024);
    while (line.size() < 50 * 1024 * 1024)
        line += "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-_";
    return {line + "\r\n", {QString::fromLatin1(line)}};
}

// Random bytes, NUL and 0xFF among them, of odd length, so the file is
// neither UTF-8 nor UTF-16 and, holding NULs, no legacy text: it is read as
// Windows-1252, and every byte but the line ends must come back as a character.
ListFile binaryWithNuls()
{
    QRandomGenerator random(20261207);
    QByteArray bytes = "bin";
    for (int i = 0; i < 64 * 1024; ++i)
        bytes += char(random.bounded(256));
    bytes += QByteArray("\0\0\xff\0", 4);
    ListFile file{bytes, {}};
    const QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        file.entries.append(quillmark::fromWindows1252(line));
    }
    // The last line has no terminator, so the split leaves no empty tail.
    return file;
}

// LF, CR LF, empty lines and carriage returns inside entries, in turn; the
// last line without a terminator.
ListFile millionMixedLines()
{
    constexpr int lines = 1000000;
    ListFile file;
    file.bytes.reserve(lines * 14);
    file.entries.reserve(lines);
    for (int i = 0; i < lines; ++i) {
        QByteArray text;
        switch (i % 4) {
        case 0: text = "line " + QByteArray::number(i); break;
        case 1: text = QByteArray::number(i) + " crlf"; break;
        case 2: break;
        case 3: text = "cr\rinside " + QByteArray::number(i); break;
        }
        file.bytes += text;
        if (i + 1 < lines)
            file.bytes += i % 4 == 1 || i % 4 == 3 ? "\r\n" : "\n";
        file.entries.append(QString::fromLatin1(text));
    }
    return file;
}

// UTF-8 lines as Load reads them, a megabyte at a time, with a CR LF and then
// a character of three bytes cut in two by the end of a read. The last line
// comes after both, the first to show what the file really is.
ListFile utf8AcrossReads(bool marked, const QByteArray &lastLine, const QString &lastEntry)
{
    constexpr qsizetype readSize = 1 << 20;
    ListFile file{marked ? "\xef\xbb\xbf" : "", {}};
    // Lines, then one of x's that ends right before the given offset.
    const auto linesUpTo = [&](qsizetype end) {
        for (int i = 0; file.bytes.size() < end - 64; ++i) {
            const QByteArray line = "\xe2\x82\xac entry " + QByteArray::number(i);
            file.bytes += line + "\r\n";
            file.entries.append(QString::fromUtf8(line));
        }
        const QByteArray xs(end - file.bytes.size(), 'x');
        file.bytes += xs;
        file.entries.append(QString::fromLatin1(xs));
    };
    linesUpTo(readSize - 1);
    file.bytes += "\r\n";
    linesUpTo(2 * readSize - 1);
    file.bytes += "\xe2\x82\xac\n" + lastLine;
    file.entries.last() += u'€';
    file.entries.append(lastEntry);
    return file;
}

// Lines that the system makes up as they are read, in a file it calls empty.
ListFile procFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    ListFile list{file.readAll(), {}};
    for (const QByteArray &line : list.bytes.split('\n'))
        list.entries.append(QString::fromUtf8(line));
    list.entries.removeLast(); // after the final line feed
    return list;
}

#ifdef Q_OS_LINUX
// A terminal that holds these bytes as its input, and then an end of file:
// read at its other end, a source of unknown size that can be read only once.
class Terminal
{
public:
    explicit Terminal(const QByteArray &input)
        : master(::posix_openpt(O_RDWR | O_NOCTTY))
    {
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            qFatal("no terminal: %s", std::strerror(errno));
        path = QFile::decodeName(::ptsname(master));
        // Held open, so that the input stays; lines as typed, not echoed.
        slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        struct termios settings = {};
        if (slave < 0 || ::tcgetattr(slave, &settings) != 0)
            qFatal("no terminal: %s", std::strerror(errno));
        settings.c_lflag = (settings.c_lflag | ICANON) & ~tcflag_t(ECHO);
        const QByteArray typed = input + char(settings.c_cc[VEOF]);
        if (::tcsetattr(slave, TCSANOW, &settings) != 0 || ::write(master, typed.data(), size_t(typed.size())) != typed.size())
            qFatal("no terminal: %s", std::strerror(errno));
    }
    ~Terminal()
    {
        ::close(slave);
        ::close(master);
    }
    Q_DISABLE_COPY_MOVE(Terminal)

    QString path;

private:
    int master;
    int slave = -1;
};

// Russian names in Windows-1251, few enough for a terminal's input.
ListFile windows1251Names()
{
    const QString names = QStringLiteral("Иванов Иван Иванович\nПетров Пётр\nСидорова Анна\nКузнецов Дмитрий\n");
    ListFile file{QStringEncoder("windows-1251")(names.repeated(8)), names.repeated(8).split(u'\n')};
    file.entries.removeLast(); // after the final line feed
    return file;
}
#endif

#ifdef Q_OS_UNIX
bool isCharacterDevice(const char *path, dev_t *device = nullptr)
{
    struct stat status = {};
    if (::stat(path, &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    if (device)
        *device = status.st_rdev;
    return true;
}

bool makeSocket(const QString &path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (name.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = socket >= 0 && ::bind(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    if (socket >= 0)
        ::close(socket);
    return bound;
}

// Sparse: 1.2 GB, or 100 MB after a megabyte of lines of 1000 bytes, that
// take next to no room on the disk.
QString sparseFile(const QString &path, bool lines)
{
    QFile large(path);
    if (!large.open(QIODevice::WriteOnly)
        || (lines && large.write(QByteArray(999, 'x').append('\n').repeated(1 << 10)) <= 0)
        || !large.resize(lines ? 100LL * 1000 * 1000 : 1200LL * 1000 * 1000))
        qFatal("cannot make %s", qPrintable(path));
    return path;
}

// Three megabytes of Windows-1252 lines of 14 bytes; *kept the entries of
// the 112,347 that come before a read error.
QByteArray latinLines(QStringList *kept)
{
    QByteArray bytes;
    for (int line = 0; bytes.size() < 3 << 20; ++line) {
        const QByteArray text = "caf\xe9 " + QByteArray::number(line).rightJustified(7, '0');
        bytes += text + "\r\n";
        if (line < 112347)
            kept->append(QString::fromLatin1(text));
    }
    return bytes;
}

int stopChannel = -1;

// The write that would pass the file-size limit stops the child where it
// stands, for the parent to kill it there.
void stopHere(int)
{
    const char stopped = 's';
    if (::write(stopChannel, &stopped, 1) == 1) {
        for (;;)
            ::pause();
    }
    ::_exit(3);
}

// Runs work in a child process whose files may not grow past cut bytes from
// the moment work calls limitFiles, and kills it with signal once a write
// would. True if that is how it ended.
bool killWhenCut(int signal, rlim_t cut, const std::function<void(const std::function<void()> &limitFiles)> &work)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        stopChannel = channel[1];
        struct sigaction stop = {};
        stop.sa_handler = stopHere;
        ::sigaction(SIGXFSZ, &stop, nullptr);
        // The program's own way to end on SIGTERM, not the test's.
        ::signal(SIGTERM, SIG_DFL);
        work([cut] {
            const rlimit limit{cut, RLIM_INFINITY};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        ::_exit(0);
    }
    ::close(channel[1]);
    char stopped = 0;
    const bool reached = child > 0 && ::read(channel[0], &stopped, 1) == 1;
    ::close(channel[0]);
    if (reached)
        ::kill(child, signal);
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && reached && WIFSIGNALED(status)
            && WTERMSIG(status) == signal;
}
#endif

} // namespace

class TestFaults : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

#ifdef Q_OS_UNIX
    void saveOntoDevFull();
#endif
    void killedWhileWriting_data();
    void killedWhileWriting();
    void saveFailsToOpen_data();
    void saveFailsToOpen();
    void loadRefused_data();
    void loadRefused();
    void loadsHostileFile_data();
    void loadsHostileFile();

private:
    // The box's first line, and the start of its last, which says why.
    void checkOneIoErrorBox(const ModalAnswerer &answerer, const QString &firstLine, const QString &reason);

    std::unique_ptr<QTemporaryDir> dir;
};

void TestFaults::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    QVERIFY(showWindow());
    list->addItems(existing);
}

void TestFaults::cleanup()
{
    closeWindow();
    dir.reset();
}

void TestFaults::checkOneIoErrorBox(const ModalAnswerer &answerer, const QString &firstLine, const QString &reason)
{
    QCOMPARE(answerer.boxes.size(), 1);
    const ModalAnswerer::Box &box = answerer.boxes.first();
    QCOMPARE(box.title, QStringLiteral("IO Error"));
    QCOMPARE(box.text.section(u'\n', 0, 0), firstLine);
    QVERIFY2(box.text.section(u'\n', -1).startsWith(reason), qPrintable(box.text));
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttonCount, 1);
    QVERIFY(!answerer.sawBusyCursorUnderModal);
    QVERIFY(!QGuiApplication::overrideCursor());
}

#ifdef Q_OS_UNIX
void TestFaults::saveOntoDevFull()
{
    // Safe to aim at the machine's own node only because Save writes to a
    // path that is not a regular file directly and never renames over it.
    dev_t before = 0;
    if (!isCharacterDevice("/dev/full", &before))
        QSKIP("This system has no /dev/full character device.");
    ModalAnswerer answerer({QStringLiteral("/dev/full")});
    click("btnSave");

    dev_t after = 0;
    QVERIFY(isCharacterDevice("/dev/full", &after));
    QCOMPARE(after, before);
    checkOneIoErrorBox(answerer, u"Cannot write /dev/full:"_s, QString::fromLocal8Bit(std::strerror(ENOSPC)));
    QCOMPARE(texts(), existing);
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [0]"));
}
#endif

void TestFaults::killedWhileWriting_data()
{
    QTest::addColumn<QString>("write");
    QTest::addColumn<QString>("ending");
    QTest::addColumn<qint64>("cut");
    const qint64 size = wholeList().size();
#ifdef Q_OS_UNIX
    const QStringList endings{"SIGTERM", "SIGKILL"};
#else
    // Windows has no signals: a program is ended from outside with
    // TerminateProcess, which runs none of its own code on the way out.
    const QStringList endings{"TerminateProcess"};
#endif
    for (const char *write : {"save over a file", "save to a new name", "new Create Files piece"}) {
        for (const QString &ending : endings) {
            for (const qint64 cut : {qint64(0), size / 2, size - 1}) {
                QTest::addRow("%s, %s after %lld bytes", write, qPrintable(ending), cut)
                        << QString::fromLatin1(write) << ending << cut;
            }
        }
    }
}

void TestFaults::killedWhileWriting()
{
    QFETCH(QString, write);
    QFETCH(QString, ending);
    QFETCH(qint64, cut);
    const QByteArray old = "old list\r\n";
    const bool over = write == u"save over a file";
    const bool piece = write.endsWith(u"piece");
    const QString path = dir->filePath(piece ? QStringLiteral("part_2.txt") : QStringLiteral("list.txt"));
    const QString firstPiece = dir->filePath(QStringLiteral("part_1.txt"));
    if (over)
        writeFile(dir->filePath(QStringLiteral("list.txt")), old);

#ifdef Q_OS_UNIX
    const int signal = ending == u"SIGTERM" ? SIGTERM : SIGKILL;
    QVERIFY(killWhenCut(signal, rlim_t(cut), [&](const std::function<void()> &limitFiles) {
        if (piece) {
            quillmark::writeTextFile(firstPiece, wholeList());
            limitFiles();
            quillmark::writeTextFile(path, wholeList());
            return;
        }
        limitFiles();
        quillmark::FileWriter file(path);
        for (int block = 0; block < listBlocks && (block > 0 || file.open()); ++block)
            file.write(listBlock(block));
        file.commit();
    }));
#else
    OtherProcess writer(piece ? QStringList{"pieces", firstPiece, path, QString::number(cut)}
                              : QStringList{"write", path, QString::number(cut)});
    // Ended only once it tells that so much of the list is in the file.
    QCOMPARE(writer.report(), u"cut"_s);
    QVERIFY(writer.terminate());
#endif

    // The old file as it was, or nothing under the new name, and nothing else.
    const QStringList left = QDir(dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(left, piece ? QStringList{QStringLiteral("part_1.txt")}
                   : over ? QStringList{QStringLiteral("list.txt")}
                          : QStringList{});
    if (over)
        QCOMPARE(readFile(path), old);
    if (piece)
        QVERIFY(readFile(firstPiece) == wholeList());
}

void TestFaults::saveFailsToOpen_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder removed after the dialog")
            << "removed" << reasonForNotOpening(QDir::temp().filePath(QStringLiteral("quillmark-gone/list.txt")));
    QTest::newRow("path is a folder") << "folder" << "It is a folder.";
#ifdef Q_OS_UNIX
    // Opening it would wait for a reader for ever, with the window frozen.
    QTest::newRow("pipe without a reader") << "pipe" << notAFile;
#endif
}

void TestFaults::saveFailsToOpen()
{
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    const QString folder = dir->filePath(QStringLiteral("folder"));
    QVERIFY(QDir().mkdir(folder));
    const QString inside = writeFile(dir->filePath(QStringLiteral("folder/old.txt")), "old\r\n");
    const QString pipe = dir->filePath(QStringLiteral("pipe"));
#ifdef Q_OS_UNIX
    QVERIFY(mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
    const auto pipeIsThere = [&] { return QFileInfo::exists(pipe) && !QFileInfo(pipe).isFile(); };
#else
    const auto pipeIsThere = [] { return true; };
#endif
    const bool removed = fault == u"removed";
    ModalAnswerer answerer({removed ? dir->filePath(QStringLiteral("folder/list.txt")) : fault == u"pipe" ? pipe : folder});
    if (removed) {
        answerer.beforeAnswer = [folder](QWidget *modal) {
            if (qobject_cast<QFileDialog *>(modal))
                QDir(folder).removeRecursively();
        };
    }
    click("btnSave");

    checkOneIoErrorBox(answerer, cannotAccess, reason);
    QVERIFY(answerer.boxes.first().text.section(u'\n', 1, 1).startsWith(u"Cannot open "_s));
    if (removed) {
        QVERIFY(!QFileInfo::exists(folder)); // nothing made it up again
    } else {
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("old.txt")});
        QCOMPARE(readFile(inside), QByteArray("old\r\n"));
    }
    QVERIFY(pipeIsThere());
    QCOMPARE(texts(), existing);
}

void TestFaults::loadRefused_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("firstLine"); // %1 the file's name
    QTest::addColumn<QString>("reason");
    const QString cannotLoad = QStringLiteral("Cannot load %1:");
    QTest::newRow("folder") << "folder" << cannotAccess << "It is a folder.";
#ifdef Q_OS_UNIX
    QTest::newRow("pipe without a writer") << "pipe" << cannotAccess << notAFile;
    QTest::newRow("socket") << "socket" << cannotAccess << notAFile;
    // With 256 MiB of memory left, as in a container: each would have ended
    // the program, and the list with it.
    QTest::newRow("endless device") << "/dev/zero" << cannotLoad << "It did not end within ";
    QTest::newRow("endless random device") << "/dev/urandom" << cannotLoad << "It did not end within ";
    QTest::newRow("file larger than the memory left") << "large" << cannotLoad << "It is ";
    // 100 MB of lines of 1000 bytes: twice its size and its items (218 MB)
    // would fit, but loading takes three times its size at its peak.
    QTest::newRow("file whose loading takes three times its size") << "thrice" << cannotLoad << "It is ";
    // What was read before the error stays: here the first 112,347 lines.
    QTest::newRow("read error part of the way, not UTF-8") << "read error" << QStringLiteral("Cannot read %1:")
                                                           << "Only the part before the error was loaded.";
#else
    // Another program has it open and lets nobody else in, for the reason
    // that the system gives anyone who tries.
    QTest::newRow("file held open without sharing") << "held" << cannotAccess << QString();
#endif
}

void TestFaults::loadRefused()
{
    QFETCH(QString, fault);
    QFETCH(QString, firstLine);
    QFETCH(QString, reason);
    QString path = fault;
    QStringList kept;
    if (fault == u"folder")
        path = dir->path();
#ifdef Q_OS_UNIX
    std::optional<ReadFailure> readFailure;
    if (fault == u"pipe") {
        path = dir->filePath(QStringLiteral("pipe"));
        QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    } else if (fault == u"socket") {
        path = dir->filePath(QStringLiteral("socket"));
        QVERIFY(makeSocket(path));
    } else if (fault == u"large" || fault == u"thrice") {
        path = sparseFile(dir->filePath(QStringLiteral("large.txt")), fault == u"thrice");
    } else if (fault == u"read error") {
        path = writeFile(dir->filePath(QStringLiteral("latin.txt")), latinLines(&kept));
        readFailure.emplace(path, kept.size() * 14);
    } else if (fault.startsWith(u"/dev/") && !isCharacterDevice(QFile::encodeName(path).constData())) {
        QSKIP("This system has no such device.");
    }
#ifdef QUILLMARK_ADDRESS_SANITIZER
    if (firstLine.startsWith(u"Cannot load"))
        QSKIP("An address-space limit models no memory limit under AddressSanitizer.");
#endif
    const AddressSpaceLimit limit(256 * 1024 * 1024);
    QVERIFY(limit.active);
#else
    std::optional<OtherProcess> holder;
    if (fault == u"held") {
        path = writeFile(dir->filePath(QStringLiteral("held.txt")), "held\r\n");
        holder.emplace(QStringList{"hold", path, "none"});
        QCOMPARE(holder->report(), u"held"_s);
        reason = reasonForNotOpening(path);
    }
#endif
    ModalAnswerer answerer({path});
    click("btnLoad");

    const QString named = QDir::toNativeSeparators(path);
    // Not every first line names the file.
    checkOneIoErrorBox(answerer, QString(firstLine).replace(u"%1"_s, named), reason);
    if (firstLine == cannotAccess)
        QCOMPARE(answerer.boxes.first().text.section(u'\n', 1, 1), QStringLiteral("Cannot open %1:").arg(named));
    QVERIFY(texts() == existing + kept); // QCOMPARE would print megabytes
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [%1]").arg(existing.size() + kept.size()));
}

void TestFaults::loadsHostileFile_data()
{
    QTest::addColumn<QString>("kind");
    // Whether Load shows the lines it has read so far and then takes them
    // back, to decode the file whole: only where the first megabyte looked
    // like UTF-8 but the file is not.
    QTest::addColumn<bool>("retracted");
    QTest::newRow("empty file") << "empty" << false;
    QTest::newRow("single 50 MB line") << "long line" << false;
    QTest::newRow("binary with NUL bytes") << "binary" << false;
    QTest::newRow("1,000,000 lines, mixed line ends") << "million" << false;
    QTest::newRow("utf-8 with a mark, cut by reads") << "utf-8" << false;
    QTest::newRow("utf-8, then a NUL byte") << "late nul" << true;
    QTest::newRow("utf-8 with a mark, then an invalid byte") << "late invalid" << true;
#ifdef Q_OS_LINUX
    // Sized 0 by the system, yet full of lines.
    QTest::newRow("file of /proc") << "proc" << false;
    // Not UTF-8, and there only once: read once, what was read is decoded.
    QTest::newRow("terminal holding Windows-1251 text") << "terminal" << false;
#endif
}

void TestFaults::loadsHostileFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, retracted);
    const QString procPath = QStringLiteral("/proc/self/mountinfo");
#ifdef Q_OS_LINUX
    const ListFile names = windows1251Names();
    std::optional<Terminal> terminal;
    if (kind == u"terminal")
        terminal.emplace(names.bytes);
#endif
    const ListFile file = kind == u"long line" ? singleLongLine()
            : kind == u"proc"                  ? procFile(procPath)
#ifdef Q_OS_LINUX
            : kind == u"terminal"              ? names
#endif
            : kind == u"binary"                ? binaryWithNuls()
            : kind == u"million"               ? millionMixedLines()
            : kind == u"utf-8"                 ? utf8AcrossReads(true, "end", u"end"_s)
            : kind == u"late nul"              ? utf8AcrossReads(false, "nul\0"_ba, u"nul\0"_s)
            : kind == u"late invalid"          ? utf8AcrossReads(true, "caf\xe9", u"caf\uFFFD"_s)
                                               : ListFile{};
    QString path = kind == u"proc" ? procPath : writeFile(dir->filePath(QStringLiteral("in.txt")), file.bytes);
#ifdef Q_OS_LINUX
    if (terminal)
        path = terminal->path;
#endif
    const QString out = dir->filePath(QStringLiteral("out.txt"));
    ModalAnswerer answerer({path, out, out});
    const QSignalSpy removals(list->model(), &QAbstractItemModel::rowsRemoved);
    click("btnLoad");

    QVERIFY2(answerer.boxes.isEmpty(), answerer.boxes.isEmpty() ? "" : qPrintable(answerer.boxes.first().text));
    QCOMPARE(!removals.isEmpty(), retracted);
    const QStringList expected = existing + file.entries;
    QCOMPARE(list->count(), expected.size());
    QVERIFY(texts() == expected); // QCOMPARE would print megabytes
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [%1]").arg(expected.size()));
    if (kind != u"terminal")
        QVERIFY(readFile(path) == file.bytes);

    // And nothing is lost on the way out: what Save writes loads back the same.
    click("btnSave");
    click("btnClear");
    click("btnLoad");
    QVERIFY(answerer.boxes.isEmpty());
    QCOMPARE(list->count(), expected.size());
    QVERIFY(texts() == expected);
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
