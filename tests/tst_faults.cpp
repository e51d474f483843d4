// Faults of the system and hostile files, through the real window: each must
// end in a clear message or a correct load, with no entry of the list lost
// and no existing file damaged. (A full disk during Save and the Create Files
// faults are covered by tst_save and tst_createfiles.)

#include "ModalAnswerer.h"
#include "WindowFixture.h"

#include <QDir>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString cannotAccess = QStringLiteral("IO Error: cannot access open");

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
    QStringDecoder windows1252("windows-1252");
    const QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        file.entries.append(windows1252(line));
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

bool isCharacterDevice(const char *path, dev_t *device = nullptr)
{
    struct stat status = {};
    if (::stat(path, &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    if (device)
        *device = status.st_rdev;
    return true;
}

} // namespace

class TestFaults : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void saveOntoDevFull();
    void saveFailsToOpen_data();
    void saveFailsToOpen();
    void loadFailsToOpen_data();
    void loadFailsToOpen();
    void loadsHostileFile_data();
    void loadsHostileFile();

private:
    void checkOneIoErrorBox(const ModalAnswerer &answerer, const QString &text);

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

void TestFaults::checkOneIoErrorBox(const ModalAnswerer &answerer, const QString &text)
{
    QCOMPARE(answerer.boxes.size(), 1);
    const ModalAnswerer::Box &box = answerer.boxes.first();
    QCOMPARE(box.title, QStringLiteral("IO Error"));
    QCOMPARE(box.text, text);
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttonCount, 1);
    QVERIFY(!answerer.sawBusyCursorUnderModal);
    QVERIFY(!QGuiApplication::overrideCursor());
}

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
    checkOneIoErrorBox(answerer, QStringLiteral("Cannot write /dev/full:\n%1").arg(QString::fromLocal8Bit(std::strerror(ENOSPC))));
    QCOMPARE(texts(), existing);
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [0]"));
}

void TestFaults::saveFailsToOpen_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("folder removed after the dialog") << "removed";
    QTest::newRow("path is a folder") << "folder";
}

void TestFaults::saveFailsToOpen()
{
    QFETCH(QString, fault);
    const QString folder = dir->filePath(QStringLiteral("folder"));
    QVERIFY(QDir().mkdir(folder));
    const QString inside = writeFile(*dir, QStringLiteral("folder/old.txt"), "old\r\n");
    const bool removed = fault == u"removed";
    ModalAnswerer answerer({removed ? dir->filePath(QStringLiteral("folder/list.txt")) : folder});
    if (removed) {
        answerer.beforeAnswer = [folder](QWidget *modal) {
            if (qobject_cast<QFileDialog *>(modal))
                QDir(folder).removeRecursively();
        };
    }
    click("btnSave");

    checkOneIoErrorBox(answerer, cannotAccess);
    if (removed) {
        QVERIFY(!QFileInfo::exists(folder)); // nothing made it up again
    } else {
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("old.txt")});
        QCOMPARE(readFile(inside), QByteArray("old\r\n"));
    }
    QCOMPARE(texts(), existing);
}

void TestFaults::loadFailsToOpen_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("folder") << "folder";
    QTest::newRow("no read permission") << "unreadable";
}

void TestFaults::loadFailsToOpen()
{
    QFETCH(QString, fault);
    QString path = dir->path();
    if (fault == u"unreadable") {
        path = writeFile(*dir, QStringLiteral("secret.txt"), "hidden\n");
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("Running as root, which reads a file without read permission anyway; run as another user to test this.");
    }
    ModalAnswerer answerer({path});
    click("btnLoad");

    checkOneIoErrorBox(answerer, cannotAccess);
    QCOMPARE(texts(), existing);
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [3]"));
}

void TestFaults::loadsHostileFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("empty file") << "empty";
    QTest::newRow("single 50 MB line") << "long line";
    QTest::newRow("binary with NUL bytes") << "binary";
    QTest::newRow("1,000,000 lines, mixed line ends") << "million";
}

void TestFaults::loadsHostileFile()
{
    QFETCH(QString, kind);
    const ListFile file = kind == u"long line" ? singleLongLine()
            : kind == u"binary"                ? binaryWithNuls()
            : kind == u"million"               ? millionMixedLines()
                                               : ListFile{};
    const QString path = writeFile(*dir, QStringLiteral("in.txt"), file.bytes);
    const QString out = dir->filePath(QStringLiteral("out.txt"));
    ModalAnswerer answerer({path, out, out});
    click("btnLoad");

    QVERIFY(answerer.boxes.isEmpty());
    const QStringList expected = existing + file.entries;
    QCOMPARE(list->count(), expected.size());
    QVERIFY(texts() == expected); // QCOMPARE would print megabytes
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [%1]").arg(expected.size()));
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
