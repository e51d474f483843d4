#include "ModalAnswerer.h"
#include "WindowFixture.h"

#include "CompactLists.h"
#include "EntryListWidget.h"
#include "RowGrid.h"
#include "WorkThreads.h"

#include <QRadioButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

class TestLoad : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void appendsToTheList();
    void convertsOldAndNewEntries_data();
    void convertsOldAndNewEntries();
    void cancelStillRewritesTitleAndConverts();
    void unreadablePathShowsOneBox_data();
    void unreadablePathShowsOneBox();
    void sameListOnAnyThreads_data();
    void sameListOnAnyThreads();

private:
    QTemporaryDir dir;
};

void TestLoad::init()
{
    QVERIFY(dir.isValid());
    QVERIFY(showWindow());
}

void TestLoad::cleanup()
{
    closeWindow();
}

void TestLoad::appendsToTheList()
{
    list->addItems({"1", "2", "3", "4", "5"});
    ModalAnswerer answerer({QFINDTESTDATA("../data/three-crlf.txt")});
    click("btnLoad");
    QCOMPARE(answerer.dialogCaptions, QStringList{QStringLiteral("Import List...")});
    QCOMPARE(texts(), (QStringList{"1", "2", "3", "4", "5", "a", "b", "c"}));
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [8]"));
    QVERIFY(answerer.boxes.isEmpty());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestLoad::convertsOldAndNewEntries_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("upper") << "rbConvertAllToUppercase" << QStringList{"OLD", "NEW", QStringLiteral("STRASSE")};
    QTest::newRow("lower") << "rbConvertAllToLowercase" << QStringList{"old", "new", QStringLiteral("straße")};
    QTest::newRow("do nothing") << "rbDoNothing" << QStringList{"Old", "nEw", QStringLiteral("straße")};
}

void TestLoad::convertsOldAndNewEntries()
{
    QFETCH(QString, button);
    QFETCH(QStringList, expected);
    list->addItem(QStringLiteral("Old"));
    child<QRadioButton>(button)->setChecked(true);
    const QString path = writeFile(dir.filePath(QStringLiteral("list.txt")), "nEw\nstra\xc3\x9f" "e\n");
    ModalAnswerer answerer({path});
    click("btnLoad");
    QCOMPARE(texts(), expected);
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [3]"));
}

void TestLoad::cancelStillRewritesTitleAndConverts()
{
    list->addItems({"a", "b"});
    child<QRadioButton>(QStringLiteral("rbConvertAllToUppercase"))->setChecked(true);
    ModalAnswerer answerer({QString()});
    click("btnLoad");
    QCOMPARE(answerer.dialogCaptions.size(), 1);
    QVERIFY(answerer.boxes.isEmpty());
    QCOMPARE(texts(), (QStringList{"A", "B"}));
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [2]"));
}

void TestLoad::unreadablePathShowsOneBox_data()
{
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("reason");
    const QString missing = QDir::temp().filePath(QStringLiteral("quillmark-missing-%1").arg(QCoreApplication::applicationPid()));
    QTest::newRow("missing file") << false << reasonForNotOpening(missing);
    QTest::newRow("folder") << true << QStringLiteral("It is a folder.");
}

void TestLoad::unreadablePathShowsOneBox()
{
    QFETCH(bool, folder);
    QFETCH(QString, reason);
    list->addItems({"keep", "these"});
    const QString path = folder ? dir.path() : dir.filePath(QStringLiteral("missing.txt"));
    ModalAnswerer answerer;
    // The folder dialog cannot be told to pick a folder as a file, so the
    // path goes straight to the loader the slot hands it to.
    WidgetTools().loadList(list, path);
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes.first().title, QStringLiteral("IO Error"));
    QCOMPARE(answerer.boxes.first().text, QStringLiteral("IO Error: cannot access open\nCannot open %1:\n%2")
                                                   .arg(QDir::toNativeSeparators(path), reason));
    QCOMPARE(answerer.boxes.first().icon, QMessageBox::Information);
    QVERIFY(!answerer.boxes.first().hasParent);
    QCOMPARE(answerer.boxes.first().buttonCount, 1);
    QCOMPARE(texts(), (QStringList{"keep", "these"}));
}

void TestLoad::sameListOnAnyThreads_data()
{
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<int>("threads");
    for (const int threads : {1, 3}) {
        QTest::addRow("UTF-8 on %d threads", threads) << true << threads;
        // Read as UTF-8 for the first megabytes, then found to be another
        // encoding, and read again whole.
        QTest::addRow("Latin-1 late on %d threads", threads) << false << threads;
    }
}

// A file is decoded on one thread while another takes its entries into the
// list; the list must be the one a whole decoding of the file makes.
void TestLoad::sameListOnAnyThreads()
{
    QFETCH(bool, utf8);
    QFETCH(int, threads);
    quillmark::setWorkThreads(threads);
    const auto oneThreadPerCore = qScopeGuard([] { quillmark::setWorkThreads(0); });
    QByteArray bytes = "WW\n";
    for (int line = 0; bytes.size() < 2'200'000; ++line)
        bytes += "entry " + QByteArray::number(line) + (line % 5 == 0 ? "\xe2\x82\xac" : "") + "\r\n";
    // The widest entry, its characters met before, so that it is measured
    // beside the thread that adds the rows.
    bytes += "WWWWWWWWWWWWWWWWWWWW\n";
    if (!utf8)
        bytes += "caf\xe9\n";
    QFile file(dir.filePath(QStringLiteral("long.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();
    // The rows' common size is found from the widths measured as they came
    // and the size of the rows before: it must be the one reading them gives.
    const auto gridFound = [&] {
        const QSize found = list->gridSize();
        qobject_cast<EntryListWidget *>(list)->rowGrid().fit();
        return found.isValid() && found == list->gridSize();
    };
    WidgetTools().loadList(list, file.fileName());
    QVERIFY(gridFound());
    QFile shortFile(dir.filePath(QStringLiteral("short.txt")));
    QVERIFY(shortFile.open(QIODevice::WriteOnly));
    QCOMPARE(shortFile.write("x"), 1);
    shortFile.close();
    WidgetTools().loadList(list, shortFile.fileName());
    QVERIFY(gridFound());
    QCOMPARE(texts(), decodedEntries(bytes) + QStringList{QStringLiteral("x")});
}

QTEST_MAIN(TestLoad)
#include "tst_load.moc"
