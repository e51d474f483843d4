#include "BreakUpPlan.h"

#include <QTest>

using namespace quillmark;

class TestBreakUpPlan : public QObject
{
    Q_OBJECT

private slots:
    void groups_data();
    void groups();
    void entriesPerFile_data();
    void entriesPerFile();
    void beginningText_data();
    void beginningText();
    void fileName_data();
    void fileName();
};

void TestBreakUpPlan::groups_data()
{
    QTest::addColumn<qsizetype>("listSize");
    QTest::addColumn<int>("perFile");
    QTest::addColumn<QList<qsizetype>>("counts");
    QTest::addColumn<QList<int>>("bars");

    QTest::newRow("12 by 5") << qsizetype(12) << 5 << QList<qsizetype>{5, 5, 2} << QList<int>{33, 66, 100};
    QTest::newRow("10 by 5") << qsizetype(10) << 5 << QList<qsizetype>{5, 5} << QList<int>{50, 100};
    QTest::newRow("N+1 entries") << qsizetype(5001) << 5000 << QList<qsizetype>{5000, 1} << QList<int>{50, 100};
    QTest::newRow("10001 by 5000") << qsizetype(10001) << 5000 << QList<qsizetype>{5000, 5000, 1}
                                   << QList<int>{33, 66, 100};
    QTest::newRow("N 1, one file per entry") << qsizetype(4) << 1 << QList<qsizetype>{1, 1, 1, 1}
                                             << QList<int>{25, 50, 75, 100};
    // Files 29 and 57 of 100 land a hair below the whole percent in double
    // arithmetic; the bar must still show 29 and 57.
    QList<qsizetype> ones;
    QList<int> percents;
    for (int k = 1; k <= 100; ++k) {
        ones.append(1);
        percents.append(k);
    }
    QTest::newRow("100 files, bar in whole percents") << qsizetype(100) << 1 << ones << percents;
    QTest::newRow("per file 0 plans nothing") << qsizetype(12) << 0 << QList<qsizetype>{} << QList<int>{};
    QTest::newRow("empty list plans nothing") << qsizetype(0) << 5 << QList<qsizetype>{} << QList<int>{};
}

void TestBreakUpPlan::groups()
{
    QFETCH(qsizetype, listSize);
    QFETCH(int, perFile);
    QFETCH(QList<qsizetype>, counts);
    QFETCH(QList<int>, bars);

    const QList<BreakUpFile> plan = planBreakUp(listSize, perFile);
    QList<qsizetype> gotCounts;
    QList<int> gotBars;
    qsizetype next = 0;
    for (qsizetype i = 0; i < plan.size(); ++i) {
        QCOMPARE(plan[i].number, int(i));
        QCOMPARE(plan[i].first, next);
        next += plan[i].count;
        gotCounts.append(plan[i].count);
        gotBars.append(plan[i].progress);
    }
    QCOMPARE(gotCounts, counts);
    QCOMPARE(gotBars, bars);
}

void TestBreakUpPlan::entriesPerFile_data()
{
    QTest::addColumn<QString>("countText");
    QTest::addColumn<qsizetype>("listSize");
    QTest::addColumn<int>("expected"); // 0: refused

    QTest::newRow("default count, larger list") << "5000" << qsizetype(10001) << 5000;
    QTest::newRow("count one below list size") << "11" << qsizetype(12) << 11;
    QTest::newRow("count 1") << "1" << qsizetype(2) << 1;
    QTest::newRow("count equal to list size") << "5000" << qsizetype(5000) << 0;
    QTest::newRow("count list size + 1") << "13" << qsizetype(12) << 0;
    QTest::newRow("empty list") << "5" << qsizetype(0) << 0;
    QTest::newRow("empty text") << "" << qsizetype(12) << 0;
    QTest::newRow("letters") << "abc" << qsizetype(12) << 0;
    QTest::newRow("decimal point") << "5.0" << qsizetype(12) << 0;
    QTest::newRow("hexadecimal") << "0x10" << qsizetype(100) << 0;
    QTest::newRow("zero") << "0" << qsizetype(12) << 0;
    QTest::newRow("negative") << "-3" << qsizetype(12) << 0;
    QTest::newRow("beyond 32 bits") << "4294967301" << qsizetype(5) << 0;
}

void TestBreakUpPlan::entriesPerFile()
{
    QFETCH(QString, countText);
    QFETCH(qsizetype, listSize);
    QFETCH(int, expected);

    QCOMPARE(quillmark::entriesPerFile(countText, listSize).value_or(0), expected);
}

void TestBreakUpPlan::beginningText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<BeginningTextProblem>("expected");

    QTest::newRow("empty") << "" << BeginningTextProblem::Empty;
    QTest::newRow("slash") << "a/b" << BeginningTextProblem::LeavesFolder;
    QTest::newRow("backslash") << "a\\b" << BeginningTextProblem::LeavesFolder;
    QTest::newRow("dot") << "." << BeginningTextProblem::LeavesFolder;
    QTest::newRow("dot dot") << ".." << BeginningTextProblem::LeavesFolder;
    QTest::newRow("one blank") << " " << BeginningTextProblem::None;
    QTest::newRow("word") << "part" << BeginningTextProblem::None;
    QTest::newRow("dots inside") << "a..b" << BeginningTextProblem::None;
}

void TestBreakUpPlan::beginningText()
{
    QFETCH(QString, text);
    QFETCH(BeginningTextProblem, expected);

    QCOMPARE(checkBeginningText(text), expected);
}

void TestBreakUpPlan::fileName_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("beginning");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");

    // Two separators, as the system spells them.
#ifdef Q_OS_WIN
    const QString sep = QStringLiteral("\\\\");
#else
    const QString sep = QStringLiteral("//");
#endif
    QTest::newRow("first file") << "/tmp/out" << "part" << 0 << "/tmp/out" + sep + "part_0.txt";
    QTest::newRow("no padding") << "/tmp/out" << "part" << 12 << "/tmp/out" + sep + "part_12.txt";
    QTest::newRow("blank beginning") << "/tmp/out" << " " << 3 << "/tmp/out" + sep + " _3.txt";
    QTest::newRow("folder ending in separator keeps both")
            << "/" << "list" << 1000000 << "/" + sep + "list_1000000.txt";
}

void TestBreakUpPlan::fileName()
{
    QFETCH(QString, folder);
    QFETCH(QString, beginning);
    QFETCH(int, number);
    QFETCH(QString, expected);

    QCOMPARE(breakUpFileName(folder, beginning, number), expected);
}

QTEST_APPLESS_MAIN(TestBreakUpPlan)
#include "tst_breakupplan.moc"
