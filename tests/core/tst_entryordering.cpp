#include "CompactLists.h"
#include "EntryOrderingHash.h"
#include "WorkThreads.h"

#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <clocale>
#include <iterator>
#include <new>

using namespace quillmark;

static const QString grin = QString::fromUtf8("\xf0\x9f\x98\x80"); // U+1F600: D83D DE00

class TestEntryOrdering : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sort_data();
    void sort();
    void sortMatchesComparisonOrder_data();
    void sortMatchesComparisonOrder();
    void sortStoppedLosesNoText();
    void prune_data();
    void prune();
    void pruneWhenAllTextsHashAlike_data() { prune_data(); }
    void pruneWhenAllTextsHashAlike();
    void pruneMatchesFirstOccurrences_data();
    void pruneMatchesFirstOccurrences();
};

// Collation by a language would put "a" beside "A" and "é" beside "e"; the
// order must be that of code units whatever the user's language.
void TestEntryOrdering::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    std::setlocale(LC_ALL, "C.UTF-8");
    std::setlocale(LC_COLLATE, "sv_SE.UTF-8");
}

void TestEntryOrdering::sort_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("digits, upper, lower, empty first") << QStringList{"b", "B", "a", "A", "10", "9", ""}
                                    << QStringList{"", "10", "9", "A", "B", "a", "b"};
    QTest::newRow("e-acute after ASCII") << QStringList{QStringLiteral("éa"), "~", "z", "Z"}
                                         << QStringList{"Z", "z", "~", QStringLiteral("éa")};
    QTest::newRow("prefix first") << QStringList{"ab", "a", "abc"} << QStringList{"a", "ab", "abc"};
    QTest::newRow("repeats stay") << QStringList{"b", "a", "b"} << QStringList{"a", "b", "b"};
    // By UTF-16 code units: a surrogate (D800-DFFF) sorts after CJK (4E2D)
    // but before the BMP characters from E000 up, here U+FF21.
    QTest::newRow("astral by code units") << QStringList{QStringLiteral("Ａ"), grin, QStringLiteral("中")}
                                          << QStringList{QStringLiteral("中"), grin, QStringLiteral("Ａ")};
    QTest::newRow("empty list") << QStringList{} << QStringList{};
    QTest::newRow("single entry") << QStringList{"only"} << QStringList{"only"};
}

void TestEntryOrdering::sort()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, expected);
    QList<CompactText> texts = compact(entries);
    sortTexts(texts);
    QCOMPARE(expanded(texts), expected);
}

void TestEntryOrdering::sortMatchesComparisonOrder_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("alphabet");
    QTest::addColumn<bool>("latin1Only");
    QTest::addColumn<int>("threads");
    QTest::newRow("short texts of few units, many alike") << 20000 << 3 << false << 1;
    QTest::newRow("longer texts, shared prefixes") << 20000 << 30 << false << 1;
    // Latin-1 texts are sorted by more units at a time.
    QTest::newRow("Latin-1 only, shared prefixes") << 20000 << 30 << true << 1;
    // Enough texts for parts of the sort to be handed between threads.
    QTest::newRow("few units, on three threads") << 300000 << 3 << false << 3;
    QTest::newRow("Latin-1 only, on three threads") << 300000 << 30 << true << 3;
}

// The sort partitions by one code unit at a time; whatever the mix of shared
// prefixes, texts that begin others, repeats, empty texts and units from
// every range, the order must be that of QString's comparison.
void TestEntryOrdering::sortMatchesComparisonOrder()
{
    QFETCH(int, count);
    QFETCH(int, alphabet);
    QFETCH(bool, latin1Only);
    QFETCH(int, threads);
    setWorkThreads(threads);
    const auto oneThreadPerCore = qScopeGuard([] { setWorkThreads(0); });
    QRandomGenerator random(4711);
    const QString prefixes[] = {QString(), QStringLiteral("https://www."), QStringLiteral("key="), grin};
    const char16_t units[] = {u'a', u'b', u'A', u'0', u' ', u'\0', u'é', u'€', 0xD83D, 0xFFFF};
    const int prefixCount = latin1Only ? 3 : 4;
    const int unitCount = latin1Only ? 7 : int(std::size(units));
    QStringList entries;
    for (int i = 0; i < count; ++i) {
        QString entry = prefixes[random.bounded(prefixCount)];
        const int length = random.bounded(alphabet);
        for (int k = 0; k < length; ++k)
            entry += QChar(units[random.bounded(unitCount)]);
        entries.append(entry);
    }
    QStringList expected = entries;
    std::sort(expected.begin(), expected.end());
    QList<CompactText> texts = compact(entries);
    // And what each text remembers goes with it.
    const auto rememberedFor = [](const CompactText &text) { return quint32(qHash(text.toString())); };
    for (const CompactText &text : std::as_const(texts))
        text.remember(rememberedFor(text));
    sortTexts(texts);
    QCOMPARE(expanded(texts), expected);
    for (const CompactText &text : std::as_const(texts))
        QCOMPARE(text.rememberedValue(), rememberedFor(text));
}

// A sort stopped part of the way, here by running out of memory while taking
// the fourth text, gives back every text it took, each to its row.
void TestEntryOrdering::sortStoppedLosesNoText()
{
    const QStringList entries{"d", "c", QStringLiteral("é"), "b", "a"};
    QList<CompactText> texts = compact(entries);
    const auto take = [&](qsizetype row) {
        if (row == 3)
            throw std::bad_alloc();
        return std::move(texts[row]);
    };
    QVERIFY_THROWS_EXCEPTION(std::bad_alloc, sortEntries(texts.size(), take, [&](qsizetype row, CompactText &&text) {
                                 texts[row] = std::move(text);
                             }));
    QCOMPARE(expanded(texts), entries);
}

void TestEntryOrdering::prune_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("x y x") << QStringList{"x", "y", "x"} << QStringList{"x", "y"};
    // Same last six characters: a key built from the tail alone would call
    // these repeats.
    QTest::newRow("same ending") << QStringList{"January report", "February report"}
                                 << QStringList{"January report", "February report"};
    QTest::newRow("case only") << QStringList{"Apple", "apple", "APPLE", "apple"}
                               << QStringList{"Apple", "apple", "APPLE"};
    QTest::newRow("early characters only") << QStringList{"abcdefgh", "zbcdefgh", "abcdefgh"}
                                           << QStringList{"abcdefgh", "zbcdefgh"};
    QTest::newRow("two empty entries") << QStringList{"", ""} << QStringList{""};
    QTest::newRow("euro kept exactly") << QStringList{QStringLiteral("5 €"), "5 ?"}
                                       << QStringList{QStringLiteral("5 €"), "5 ?"};
    QTest::newRow("astral kept exactly") << QStringList{grin, "??", grin} << QStringList{grin, "??"};
    QTest::newRow("earliest survives, order kept") << QStringList{"c", "a", "b", "a", "c", "d", "b"}
                                                   << QStringList{"c", "a", "b", "d"};
    QTest::newRow("trailing blank differs") << QStringList{"a", "a ", " a"} << QStringList{"a", "a ", " a"};
    QTest::newRow("empty list") << QStringList{} << QStringList{};
}

void TestEntryOrdering::prune()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, expected);
    QCOMPARE(prunedEntries(entries), expected);
}

// Prune looks entries up by hash value; texts that hash alike must still be
// told apart by their text, in any number.
void TestEntryOrdering::pruneWhenAllTextsHashAlike()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, expected);
    const QList<CompactText> texts = compact(entries);
    const auto textAt = [&](qsizetype row) -> const CompactText & { return texts[row]; };
    QCOMPARE(keptEntries(entries, firstOfEachText(texts.size(), textAt, [](const CompactText &) { return size_t(7); })),
             expected);
}

void TestEntryOrdering::pruneMatchesFirstOccurrences_data()
{
    QTest::addColumn<int>("threads");
    QTest::newRow("one thread") << 1;
    QTest::newRow("two threads") << 2;
    QTest::newRow("five threads") << 5;
}

// Prune shares the texts out among threads by hash value; whatever their
// number, the survivors are the first occurrences, in order.
void TestEntryOrdering::pruneMatchesFirstOccurrences()
{
    QFETCH(int, threads);
    setWorkThreads(threads);
    const auto oneThreadPerCore = qScopeGuard([] { setWorkThreads(0); });
    QRandomGenerator random(1234);
    QStringList entries;
    for (int i = 0; i < 200000; ++i)
        entries.append((i % 7 == 0 ? grin : QString()) + QString::number(random.bounded(60000)));
    QStringList expected;
    QSet<QString> seen;
    for (const QString &entry : std::as_const(entries)) {
        if (!seen.contains(entry)) {
            seen.insert(entry);
            expected.append(entry);
        }
    }
    QCOMPARE(prunedEntries(entries), expected);
}

QTEST_APPLESS_MAIN(TestEntryOrdering)
#include "tst_entryordering.moc"
