#include "ModalAnswerer.h"
#include "WindowFixture.h"
#ifdef Q_OS_UNIX
#include "ResourceLimits.h"
#else
#include "OtherProcess.h"
#endif

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#endif

class TestSave : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void exactBytes_data();
    void exactBytes();
    void loadSaveLoad_data();
    void loadSaveLoad();
    void leavesNothingOfALongerFile();
    void emptyListShowsNoDialog();
    void cancelWritesNothing();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();

private:
    QStringList filesInDir() const;
    void checkNoBusyCursor(const ModalAnswerer &answerer);

    QScopedPointer<QTemporaryDir> dir;
};

void TestSave::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    QVERIFY(showWindow());
}

void TestSave::cleanup()
{
    closeWindow();
    dir.reset();
}

QStringList TestSave::filesInDir() const
{
    return QDir(dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

void TestSave::checkNoBusyCursor(const ModalAnswerer &answerer)
{
    QVERIFY(!answerer.sawBusyCursorUnderModal);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestSave::exactBytes_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("abc and empty") << QStringList{"abc", ""} << QByteArray("\x61\x62\x63\x0d\x0a\x0d\x0a");
    QTest::newRow("one empty entry") << QStringList{""} << QByteArray("\r\n");
    QTest::newRow("e-acute") << QStringList{QStringLiteral("é")} << QByteArray("\xc3\xa9\r\n");
    QTest::newRow("euro") << QStringList{QStringLiteral("5€")} << QByteArray("5\xe2\x82\xac\r\n");
    QTest::newRow("CJK") << QStringList{QStringLiteral("中文")} << QByteArray("\xe4\xb8\xad\xe6\x96\x87\r\n");
    QTest::newRow("astral") << QStringList{QString::fromUtf8("\xf0\x9f\x98\x80"), "x"}
                            << QByteArray("\xf0\x9f\x98\x80\r\nx\r\n");
    QTest::newRow("several entries, no BOM") << QStringList{"a", "b", "c"} << QByteArray("a\r\nb\r\nc\r\n");
}

void TestSave::exactBytes()
{
    QFETCH(QStringList, entries);
    QFETCH(QByteArray, bytes);
    list->addItems(entries);
    const QString path = dir->filePath(QStringLiteral("out.txt"));
    ModalAnswerer answerer({path});
    click("btnSave");
    QCOMPARE(answerer.dialogCaptions, QStringList{QStringLiteral("Export List...")});
    QVERIFY(answerer.boxes.isEmpty());
    QCOMPARE(readFile(path), bytes);
    QCOMPARE(filesInDir(), QStringList{QStringLiteral("out.txt")}); // no temporary file left
    QCOMPARE(texts(), entries);
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [0]")); // Save never sets it
    checkNoBusyCursor(answerer);
}

void TestSave::loadSaveLoad_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("ASCII") << QByteArray("one\r\n\r\ntwo three\n") << QStringList{"one", "", "two three"};
    QTest::newRow("Latin-1 in UTF-8") << QByteArray("caf\xc3\xa9\n\xc3\xbf\n") << QStringList{QStringLiteral("café"), QStringLiteral("ÿ")};
    QTest::newRow("Windows-1252 bytes") << QByteArray("caf\xe9\r\n\x93na\xefve\x94\r\n") << QStringList{QStringLiteral("café"), QStringLiteral("“naïve”")};
    QTest::newRow("euro") << QByteArray("\xe2\x82\xac 5\n") << QStringList{QStringLiteral("€ 5")};
    QTest::newRow("CJK") << QByteArray("\xe4\xb8\xad\xe6\x96\x87\n") << QStringList{QStringLiteral("中文")};
    QTest::newRow("astral") << QByteArray("a\xf0\x9f\x98\x80z\n\xf0\x90\x90\xa8\n")
                            << QStringList{QString::fromUtf8("a\xf0\x9f\x98\x80z"), QString::fromUtf8("\xf0\x90\x90\xa8")};
}

void TestSave::loadSaveLoad()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    const QString in = writeFile(dir->filePath(QStringLiteral("in.txt")), file);
    const QString out = dir->filePath(QStringLiteral("out.txt"));
    ModalAnswerer answerer({in, out, out});
    click("btnLoad");
    QCOMPARE(texts(), expected);
    click("btnSave");
    QCOMPARE(readFile(out), (expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8()); // UTF-8 whatever was loaded
    click("btnClear");
    QCOMPARE(list->count(), 0);
    click("btnLoad");
    QCOMPARE(answerer.dialogCaptions,
             (QStringList{"Import List...", "Export List...", "Import List..."}));
    QCOMPARE(texts(), expected);
    QVERIFY(answerer.boxes.isEmpty());
    checkNoBusyCursor(answerer);
}

void TestSave::leavesNothingOfALongerFile()
{
    const QString path = writeFile(dir->filePath(QStringLiteral("old.txt")), QByteArray(10000, 'o'));
    list->addItem(QStringLiteral("a"));
    ModalAnswerer answerer({path});
    click("btnSave");
    QCOMPARE(readFile(path), QByteArray("a\r\n"));
    QVERIFY(answerer.boxes.isEmpty());
}

void TestSave::emptyListShowsNoDialog()
{
    ModalAnswerer answerer({dir->filePath(QStringLiteral("out.txt"))});
    click("btnSave");
    QTest::qWait(50); // room for a dialog that should not come
    QVERIFY(answerer.dialogCaptions.isEmpty());
    QVERIFY(answerer.boxes.isEmpty());
    QVERIFY(filesInDir().isEmpty());
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [0]"));
}

void TestSave::cancelWritesNothing()
{
    list->addItems({"a", "b"});
    ModalAnswerer answerer({QString()});
    click("btnSave");
    QCOMPARE(answerer.dialogCaptions, QStringList{QStringLiteral("Export List...")});
    QVERIFY(answerer.boxes.isEmpty());
    QVERIFY(filesInDir().isEmpty());
    QCOMPARE(texts(), (QStringList{"a", "b"}));
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [0]"));
    checkNoBusyCursor(answerer);
}

// A full disk on demand needs a file-size limit, which only POSIX has; a
// file that another program holds open is what Windows alone refuses to
// replace.
void TestSave::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<int>("entryCount");
#ifdef Q_OS_UNIX
    QTest::addColumn<int>("limit");
    // Small content went out only as the file was closed, and that failure
    // went unseen: the old file was replaced by a cut-off one.
    QTest::newRow("small list, disk full after 8 bytes") << 3 << 8;
    QTest::newRow("34 KB list, disk full after 4 KB") << 2000 << 4096;
#else
    // What the program holding it lets others do with the file.
    QTest::addColumn<QString>("sharing");
    QTest::newRow("held open without sharing") << 3 << "none";
    QTest::newRow("held open, sharing reads") << 3 << "read";
    QTest::newRow("held open, sharing reads and writes") << 3 << "read,write";
    QTest::newRow("held open, sharing reads, writes and deletion") << 3 << "read,write,delete";
#endif
}

void TestSave::failedWriteKeepsTheOldFile()
{
    QFETCH(int, entryCount);
#ifdef Q_OS_UNIX
    const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));
#else
    const QString reason; // the system's own words, whatever they are
#endif
    const QByteArray old("old list\r\nkeep me\r\n");
    const QString path = writeFile(dir->filePath(QStringLiteral("list.txt")), old);
    QStringList entries;
    for (int i = 0; i < entryCount; ++i)
        entries.append(QStringLiteral("entry number %1").arg(i));
    list->addItems(entries);
    ModalAnswerer answerer({path});
    {
#ifdef Q_OS_UNIX
        QFETCH(int, limit);
        const FileSizeLimit fileSize(limit);
        QVERIFY(fileSize.active());
#else
        QFETCH(QString, sharing);
        OtherProcess holder({"hold", path, sharing});
        QCOMPARE(holder.report(), QStringLiteral("held"));
#endif
        click("btnSave");
    }
    QCOMPARE(readFile(path), old);
    QCOMPARE(filesInDir(), QStringList{QStringLiteral("list.txt")});
    QCOMPARE(answerer.boxes.size(), 1);
    const ModalAnswerer::Box box = answerer.boxes.first();
    QCOMPARE(box.title, QStringLiteral("IO Error"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttonCount, 1);
    QCOMPARE(box.text.section(u'\n', 0, 0), QStringLiteral("Cannot write %1:").arg(QDir::toNativeSeparators(path)));
    const QString given = box.text.section(u'\n', 1);
    QVERIFY2(reason.isEmpty() ? !given.trimmed().isEmpty() && !given.contains(u'\n') : given == reason,
             qPrintable(box.text));
    QCOMPARE(texts(), entries);
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [0]"));
    checkNoBusyCursor(answerer);
}

QTEST_MAIN(TestSave)
#include "tst_save.moc"
