#include "CompactLists.h"
#include "ModalAnswerer.h"
#include "WindowFixture.h"
#ifdef Q_OS_UNIX
#include "ResourceLimits.h"
#else
#include "OtherProcess.h"
#endif

#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#endif

namespace {

const QString countBoxText = QStringLiteral("The list items are smaller than the file parameter.");
const QString beginningBoxText = QStringLiteral("Please provide a file beginning text for each file.");
const QString leavesFolderBoxText =
        QStringLiteral("The file beginning text cannot contain \"/\" or \"\\\", and cannot be \".\" or \"..\".");

QStringList letters(int count)
{
    QStringList result;
    for (int i = 0; i < count; ++i)
        result.append(QString(QChar(u'a' + i)));
    return result;
}

} // namespace

class TestCreateFiles : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void writesNumberedPieces_data();
    void writesNumberedPieces();
    void piecesConcatenateToSave();
    void overwritesExistingFile();
    void refusedBeforeFolderDialog_data();
    void refusedBeforeFolderDialog();
    void cancelWritesNothing();
    void barContinuesFromPreviousRun();
    void failedFilesReportedOnce_data();
    void failedFilesReportedOnce();

private:
    void setUp(const QStringList &entries, const QString &count, const QString &beginning);
    void verifyUntouched(const QStringList &entries, const QString &count, const QString &beginning);
    void verifyBox(const ModalAnswerer::Box &box, const QString &text);
    QStringList filesIn(const QString &folder) const;

    QLineEdit *countEdit = nullptr;
    QLineEdit *beginningEdit = nullptr;
    QProgressBar *bar = nullptr;
    std::unique_ptr<QTemporaryDir> dir;
};

void TestCreateFiles::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    QVERIFY(showWindow());
    countEdit = child<QLineEdit>(QStringLiteral("txtEntryCount"));
    beginningEdit = child<QLineEdit>(QStringLiteral("txtFileText"));
    bar = child<QProgressBar>(QStringLiteral("progressBar"));
}

void TestCreateFiles::cleanup()
{
    closeWindow();
    dir.reset();
}

void TestCreateFiles::setUp(const QStringList &entries, const QString &count, const QString &beginning)
{
    list->addItems(entries);
    countEdit->setText(count);
    beginningEdit->setText(beginning);
    // As Load leaves it, and unlike the start title, so a box copying the
    // title must copy the current one.
    window->setWindowTitle(QStringLiteral("Quillmark [%1]").arg(entries.size()));
}

void TestCreateFiles::verifyUntouched(const QStringList &entries, const QString &count, const QString &beginning)
{
    QCOMPARE(texts(), entries);
    QCOMPARE(countEdit->text(), count);
    QCOMPARE(beginningEdit->text(), beginning);
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [%1]").arg(entries.size()));
}

void TestCreateFiles::verifyBox(const ModalAnswerer::Box &box, const QString &text)
{
    QCOMPARE(box.text, text);
    QCOMPARE(box.title, window->windowTitle());
    QCOMPARE(box.windowIcon.cacheKey(), window->windowIcon().cacheKey());
    QCOMPARE(box.icon, QMessageBox::Information);
    QVERIFY(!box.hasParent);
    QCOMPARE(box.buttonCount, 1);
}

QStringList TestCreateFiles::filesIn(const QString &folder) const
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

void TestCreateFiles::writesNumberedPieces_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("beginning");
    QTest::addColumn<QList<QByteArray>>("pieces");

    QTest::newRow("12 by 5") << letters(12) << "5" << "part"
                             << QList<QByteArray>{"a\r\nb\r\nc\r\nd\r\ne\r\n", "f\r\ng\r\nh\r\ni\r\nj\r\n", "k\r\nl\r\n"};
    QTest::newRow("blank beginning, one per file") << QStringList{"x", "y", "z"} << "1" << " "
                                                   << QList<QByteArray>{"x\r\n", "y\r\n", "z\r\n"};
    QTest::newRow("group of empty entries") << QStringList{"a", "b", "", "", "c"} << "2" << "part"
                                            << QList<QByteArray>{"a\r\nb\r\n", "\r\n\r\n", "c\r\n"};
    QTest::newRow("UTF-8 names and entries")
            << QStringList{QStringLiteral("é"), QStringLiteral("€"), QStringLiteral("😀"), "x"} << "3"
            << QStringLiteral("wörter")
            << QList<QByteArray>{"\xc3\xa9\r\n\xe2\x82\xac\r\n\xf0\x9f\x98\x80\r\n", "x\r\n"};
}

void TestCreateFiles::writesNumberedPieces()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, count);
    QFETCH(QString, beginning);
    QFETCH(QList<QByteArray>, pieces);

    setUp(entries, count, beginning);
    ModalAnswerer answerer({dir->path()});
    bool foldersOnly = false;
    QWidget *dialogParent = nullptr;
    answerer.beforeAnswer = [&](QWidget *modal) {
        if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            foldersOnly = dialog->fileMode() == QFileDialog::Directory
                    && dialog->testOption(QFileDialog::ShowDirsOnly);
            dialogParent = dialog->parentWidget();
        }
    };
    click("btnCreateFiles");

    QCOMPARE(answerer.dialogCaptions, QStringList{QStringLiteral("Select Folder")});
    QVERIFY(foldersOnly);
    QCOMPARE(dialogParent, window);
    QVERIFY(answerer.boxes.isEmpty());
    QStringList names;
    for (qsizetype k = 0; k < pieces.size(); ++k) {
        names.append(beginning + QStringLiteral("_%1.txt").arg(k));
        QCOMPARE(readFile(dir->filePath(names.last())), pieces[k]);
    }
    names.sort();
    QCOMPARE(filesIn(dir->path()), names);
    QCOMPARE(bar->value(), 100);
    verifyUntouched(entries, count, beginning);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestCreateFiles::piecesConcatenateToSave()
{
    QStringList entries;
    for (int i = 0; i < 23; ++i)
        entries.append(i % 4 == 1 ? QString() : QStringLiteral(" entry\t%1 é😀 ").arg(i));
    setUp(entries, QStringLiteral("2"), QStringLiteral("part"));
    QTemporaryDir saveDir;
    QVERIFY(saveDir.isValid());
    const QString savedPath = saveDir.filePath(QStringLiteral("whole.txt"));
    ModalAnswerer answerer({savedPath, dir->path()});
    click("btnSave");
    click("btnCreateFiles");
    QCOMPARE(answerer.dialogCaptions.size(), 2);

    QByteArray joined;
    for (int k = 0; k < 12; ++k) {
        const QByteArray piece = readFile(dir->filePath(QStringLiteral("part_%1.txt").arg(k)));
        // Every piece loads back as its own share of the list.
        QCOMPARE(decodedEntries(piece), entries.mid(2 * k, 2));
        joined += piece;
    }
    QCOMPARE(filesIn(dir->path()).size(), 12);
    QCOMPARE(joined, readFile(savedPath));
}

void TestCreateFiles::overwritesExistingFile()
{
    const QByteArray stale = QByteArray("stale content, longer than what replaces it\r\n").repeated(4);
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    const QString outside = writeFile(elsewhere.filePath(QStringLiteral("outside.txt")), stale);
    for (const char *name : {"part_1.txt", "keep.txt"})
        writeFile(dir->filePath(QString::fromLatin1(name)), stale);
    // A piece is a file in the chosen folder, never the file a link names.
    QVERIFY(QFile::link(outside, dir->filePath(QStringLiteral("part_0.txt"))));
    setUp(letters(12), QStringLiteral("5"), QStringLiteral("part"));
    ModalAnswerer answerer({dir->path()});
    click("btnCreateFiles");

    QVERIFY(answerer.boxes.isEmpty());
    QCOMPARE(readFile(dir->filePath(QStringLiteral("part_1.txt"))), QByteArray("f\r\ng\r\nh\r\ni\r\nj\r\n"));
    QCOMPARE(readFile(dir->filePath(QStringLiteral("keep.txt"))), stale);
    QVERIFY(!QFileInfo(dir->filePath(QStringLiteral("part_0.txt"))).isSymLink());
    QCOMPARE(readFile(dir->filePath(QStringLiteral("part_0.txt"))), QByteArray("a\r\nb\r\nc\r\nd\r\ne\r\n"));
    QCOMPARE(readFile(outside), stale);
    QCOMPARE(filesIn(dir->path()).size(), 4);
}

void TestCreateFiles::refusedBeforeFolderDialog_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("beginning");
    QTest::addColumn<QString>("text");

    QTest::newRow("bad count and no beginning: count first") << 12 << "abc" << "" << countBoxText;
    QTest::newRow("count equal to list size") << 5 << "5" << "part" << countBoxText;
    QTest::newRow("count zero") << 12 << "0" << "part" << countBoxText;
    QTest::newRow("empty list") << 0 << "5000" << "part" << countBoxText;
    QTest::newRow("no beginning") << 12 << "5" << "" << beginningBoxText;
    QTest::newRow("beginning with slash") << 12 << "5" << "a/b" << leavesFolderBoxText;
    QTest::newRow("beginning dot dot") << 12 << "5" << ".." << leavesFolderBoxText;
}

void TestCreateFiles::refusedBeforeFolderDialog()
{
    QFETCH(int, size);
    QFETCH(QString, count);
    QFETCH(QString, beginning);
    QFETCH(QString, text);

    setUp(letters(size), count, beginning);
    bar->setValue(42);
    // Should the folder dialog open after all, it gets a real folder and the
    // files written there show it.
    ModalAnswerer answerer({dir->path()});
    click("btnCreateFiles");

    QCOMPARE(answerer.boxes.size(), 1);
    verifyBox(answerer.boxes.first(), text);
    QVERIFY(answerer.dialogCaptions.isEmpty());
    QVERIFY(filesIn(dir->path()).isEmpty());
    QCOMPARE(bar->value(), 42);
    verifyUntouched(letters(size), count, beginning);
    QVERIFY(!answerer.sawBusyCursorUnderModal);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestCreateFiles::cancelWritesNothing()
{
    const QString beginning = QStringLiteral("quillmark-cancel-%1").arg(QCoreApplication::applicationPid());
    setUp(letters(12), QStringLiteral("5"), beginning);
    bar->setValue(42);
    ModalAnswerer answerer({QString()});
    click("btnCreateFiles");

    QCOMPARE(answerer.dialogCaptions, QStringList{QStringLiteral("Select Folder")});
    QVERIFY(answerer.boxes.isEmpty());
    QCOMPARE(bar->value(), 42);
    // An empty folder would put the files at the root or beside the program.
    const QString first = beginning + QStringLiteral("_0.txt");
    QVERIFY(!QFileInfo::exists(QDir::root().filePath(first)));
    QVERIFY(!QFileInfo::exists(QDir::current().filePath(first)));
    verifyUntouched(letters(12), QStringLiteral("5"), beginning);
}

void TestCreateFiles::barContinuesFromPreviousRun()
{
    setUp(letters(12), QStringLiteral("5"), QStringLiteral("part"));
    QSignalSpy spy(bar, &QProgressBar::valueChanged);
    ModalAnswerer answerer({dir->path(), dir->path()});
    const auto values = [&spy] {
        QList<int> result;
        for (const QList<QVariant> &signal : std::as_const(spy))
            result.append(signal.first().toInt());
        spy.clear();
        return result;
    };

    click("btnCreateFiles");
    QCOMPARE(values(), (QList<int>{33, 66, 100}));
    // No reset to 0 first: the bar moves only when a file is handled.
    countEdit->setText(QStringLiteral("6"));
    click("btnCreateFiles");
    QCOMPARE(values(), (QList<int>{50, 100}));
    QCOMPARE(answerer.dialogCaptions.size(), 2);
}

void TestCreateFiles::failedFilesReportedOnce_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("beginning");
    QTest::addColumn<int>("failed");
    QTest::addColumn<int>("firstFailed");
    QTest::addColumn<QString>("firstLine"); // of the first failure, %1 its name
    QTest::addColumn<QString>("reason");    // empty: any the system gives

    const QString cannotOpen = QStringLiteral("Cannot open %1:");
    QTest::newRow("folder removed after the dialog") << "removed" << "part" << 3 << 0 << cannotOpen << "";
    QTest::newRow("name too long") << "" << QString(300, u'n') << 3 << 0 << cannotOpen << "";
    QTest::newRow("one name taken by a folder") << "taken" << "part" << 1 << 1 << cannotOpen << "It is a folder.";
#ifdef Q_OS_UNIX
    QTest::newRow("one name taken by a pipe") << "pipe" << "part" << 1 << 1 << cannotOpen
                                              << "It is a pipe or a socket, not a file.";
    // Pieces of 15, 15 and 6 bytes with room for 10: the first two fail, and
    // must neither be left cut off nor be counted as written.
    QTest::newRow("disk full part of the way") << "full" << "part" << 2 << 0 << QStringLiteral("Cannot write %1:")
                                               << QString::fromLocal8Bit(std::strerror(EFBIG));
#else
    // Another program has the old piece open and lets nobody else in.
    QTest::newRow("one piece held open without sharing") << "held" << "part" << 1 << 1
                                                          << QStringLiteral("Cannot write %1:") << "";
#endif
}

void TestCreateFiles::failedFilesReportedOnce()
{
    QFETCH(QString, failure);
    QFETCH(QString, beginning);
    QFETCH(int, failed);
    QFETCH(int, firstFailed);
    QFETCH(QString, firstLine);
    QFETCH(QString, reason);

    QString folder = dir->path();
    std::function<void(QWidget *)> beforeAnswer;
    const QByteArray old("old piece\r\n");
    if (failure == u"removed") {
        folder = dir->filePath(QStringLiteral("gone"));
        QVERIFY(QDir().mkdir(folder));
        beforeAnswer = [folder](QWidget *modal) {
            if (qobject_cast<QFileDialog *>(modal))
                QDir(folder).removeRecursively();
        };
    } else if (failure == u"taken") {
        QVERIFY(QDir(folder).mkdir(QStringLiteral("part_1.txt")));
    }
#ifdef Q_OS_UNIX
    if (failure == u"pipe") {
        QVERIFY(mkfifo(QFile::encodeName(dir->filePath(QStringLiteral("part_1.txt"))).constData(), 0600) == 0);
    } else if (failure == u"full") {
        QFile existing(dir->filePath(QStringLiteral("part_0.txt")));
        QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write(old) == old.size());
    }
#endif
    const QStringList entries = letters(12);
    setUp(entries, QStringLiteral("5"), beginning);
    QSignalSpy spy(bar, &QProgressBar::valueChanged);
    ModalAnswerer answerer({folder});
    answerer.beforeAnswer = beforeAnswer;
    {
#ifdef Q_OS_UNIX
        const std::optional<FileSizeLimit> full = failure == u"full" ? std::optional<FileSizeLimit>(std::in_place, 10) : std::nullopt;
#else
        std::optional<OtherProcess> holder;
        if (failure == u"held") {
            holder.emplace(QStringList{"hold", writeFile(dir->filePath(QStringLiteral("part_1.txt")), old), "none"});
            QCOMPARE(holder->report(), QStringLiteral("held"));
        }
#endif
        click("btnCreateFiles");
    }

    QCOMPARE(answerer.boxes.size(), 1);
    const ModalAnswerer::Box box = answerer.boxes.first();
    QVERIFY(!answerer.sawBusyCursorUnderModal);
    const QStringList lines = box.text.split(u'\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral("%1 of 3 files could not be written.").arg(failed));
    const QString firstName = QDir::toNativeSeparators(folder + QStringLiteral("//") + beginning
                                                       + QStringLiteral("_%1.txt").arg(firstFailed));
    QCOMPARE(lines[2], firstLine.arg(firstName));
    QVERIFY2(reason.isEmpty() ? !lines[3].trimmed().isEmpty() : lines[3] == reason, qPrintable(lines[3]));
    verifyBox(box, box.text);
    // Every group is still tried: the bar moves for each, and names that
    // could be written were.
    QCOMPARE(spy.size(), 3);
    if (failure == u"taken" || failure == u"pipe" || failure == u"held") {
        QCOMPARE(readFile(dir->filePath(QStringLiteral("part_0.txt"))), QByteArray("a\r\nb\r\nc\r\nd\r\ne\r\n"));
        QCOMPARE(readFile(dir->filePath(QStringLiteral("part_2.txt"))), QByteArray("k\r\nl\r\n"));
        if (failure == u"held") {
            QCOMPARE(readFile(dir->filePath(QStringLiteral("part_1.txt"))), old);
            QCOMPARE(filesIn(dir->path()), (QStringList{"part_0.txt", "part_1.txt", "part_2.txt"}));
        }
    } else if (failure == u"full") {
        QCOMPARE(readFile(dir->filePath(QStringLiteral("part_0.txt"))), old);
        QCOMPARE(filesIn(dir->path()), (QStringList{"part_0.txt", "part_2.txt"}));
        QCOMPARE(readFile(dir->filePath(QStringLiteral("part_2.txt"))), QByteArray("k\r\nl\r\n"));
    } else if (failure == u"removed") {
        QVERIFY(!QFileInfo::exists(folder));
    }
    verifyUntouched(entries, QStringLiteral("5"), beginning);
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(TestCreateFiles)
#include "tst_createfiles.moc"
