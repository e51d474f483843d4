#include "CompactLists.h"
#include "EntryRewrites.h"

#include <QRegularExpression>
#include <QTest>

using namespace quillmark;

// Characters above U+FFFF, each one surrogate pair.
static const QString grin = QString::fromUtf8("\xf0\x9f\x98\x80");        // U+1F600, no case
static const QString deseretSmall = QString::fromUtf8("\xf0\x90\x90\xa8"); // U+10428
static const QString deseretCapital = QString::fromUtf8("\xf0\x90\x90\x80"); // U+10400

// Rewrites entries that each remember a value first, their width on screen:
// one that comes out as it was must still remember it, so that it is not
// measured again, and one that changed must have forgotten it.
template <typename Rewrite>
static void rewriteRemembering(QList<CompactText> &entries, Rewrite &&rewrite)
{
    const QStringList before = expanded(entries);
    for (const CompactText &entry : entries)
        entry.remember(7);
    rewrite(entries);
    for (qsizetype i = 0; i < entries.size(); ++i)
        QVERIFY2((entries.at(i).rememberedValue() == 7) == (entries.at(i).toString() == before.at(i)),
                 qPrintable(before.at(i)));
}

class TestEntryRewrites : public QObject
{
    Q_OBJECT

private slots:
    void convertCase_data();
    void convertCase();
    void addAffixes_data();
    void addAffixes();
    void replaceAll_data();
    void replaceAll();
    void removeAllAfter_data();
    void removeAllAfter();
};

void TestEntryRewrites::convertCase_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("steps"); // U upper, L lower, in order
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("upper") << QStringList{"Hello", "wORLD"} << "U" << QStringList{"HELLO", "WORLD"};
    QTest::newRow("lower") << QStringList{"Hello", "wORLD"} << "L" << QStringList{"hello", "world"};
    QTest::newRow("sharp s grows") << QStringList{QStringLiteral("straße")} << "U" << QStringList{"STRASSE"};
    QTest::newRow("Latin-1 letters") << QStringList{QStringLiteral("éÿ")} << "U" << QStringList{QStringLiteral("ÉŸ")};
    QTest::newRow("micro sign up to Greek Mu") << QStringList{QStringLiteral("µm")} << "U" << QStringList{QStringLiteral("\u039CM")};
    QTest::newRow("empty entry, upper") << QStringList{""} << "U" << QStringList{""};
    QTest::newRow("empty entry, lower") << QStringList{""} << "L" << QStringList{""};
    QTest::newRow("no letters") << QStringList{"12 + 3 = 15!", QStringLiteral("€ 中")} << "UL"
                                << QStringList{"12 + 3 = 15!", QStringLiteral("€ 中")};
    QTest::newRow("upper then lower") << QStringList{"McDonald", "ABC"} << "UL" << QStringList{"mcdonald", "abc"};
    QTest::newRow("astral letter up") << QStringList{deseretSmall + "x"} << "U" << QStringList{deseretCapital + "X"};
    QTest::newRow("astral letter down") << QStringList{deseretCapital} << "L" << QStringList{deseretSmall};
    QTest::newRow("astral non-letter") << QStringList{grin + "a"} << "U" << QStringList{grin + "A"};
    // Lower-case letters whose upper case maps back elsewhere (M, S, Σ) must
    // not go there and back.
    QTest::newRow("already lower stays") << QStringList{QStringLiteral("µ ſ ς")} << "L" << QStringList{QStringLiteral("µ ſ ς")};
    QTest::newRow("empty list") << QStringList{} << "UL" << QStringList{};
    // Unicode's Final_Sigma: σ inside a word or alone, ς where a word ends,
    // looking past marks and apostrophes; a small σ is left as it is.
    QTest::newRow("final sigma") << QStringList{QStringLiteral("ΆΒΑΣ"), QStringLiteral("ΟΔΥΣΣΕΑΣ ΚΑΙ Σ"), QStringLiteral("ΑΒΑσ")}
                                 << "L" << QStringList{QStringLiteral("άβας"), QStringLiteral("οδυσσεας και σ"), QStringLiteral("αβασ")};
    QTest::newRow("final sigma past marks and joiners")
            << QStringList{QStringLiteral("ΑΣ."), QStringLiteral("ΑΣ'Α"), QStringLiteral("Α\u0301Σ"), QStringLiteral("ΣΑ")}
            << "L" << QStringList{QStringLiteral("ας."), QStringLiteral("ασ'α"), QStringLiteral("α\u0301ς"), QStringLiteral("σα")};
    QTest::newRow("final sigma beside astral letters and a growing one")
            << QStringList{deseretCapital + QStringLiteral("Σ"), QStringLiteral("ΑΣ") + deseretCapital, QStringLiteral("\u0130Σ")}
            << "L" << QStringList{deseretSmall + QStringLiteral("ς"), QStringLiteral("ασ") + deseretSmall, QStringLiteral("i\u0307ς")};
    // Cased characters that are not letters end a word as well.
    QTest::newRow("final sigma after a Roman numeral and a circled letter")
            << QStringList{QStringLiteral("ⅧΣ"), QStringLiteral("ⓐΣ")} << "L" << QStringList{QStringLiteral("ⅷς"), QStringLiteral("ⓐς")};
    // Latin-1 texts change case in their own bytes: that must agree with the
    // Unicode tables on every character, those with capitals beyond Latin-1
    // aside.
    QString latin1;
    for (char16_t unit = 1; unit <= 0xFF; ++unit)
        latin1 += QChar(unit);
    QString staysLatin1 = latin1;
    staysLatin1.remove(QRegularExpression(QStringLiteral("[ßÿµ]")));
    QTest::newRow("all of Latin-1, upper") << QStringList{staysLatin1} << "U" << QStringList{staysLatin1.toUpper()};
    QTest::newRow("all of Latin-1, lower") << QStringList{latin1} << "L" << QStringList{latin1.toLower()};
}

void TestEntryRewrites::convertCase()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, steps);
    QFETCH(QStringList, expected);
    QList<CompactText> compactEntries = compact(entries);
    for (const QChar step : steps)
        rewriteRemembering(compactEntries, step == u'U' ? convertToUpper : convertToLower);
    QCOMPARE(expanded(compactEntries), expected);
}

void TestEntryRewrites::addAffixes_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("usePrefix");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("useSuffix");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<int>("times");
    QTest::addColumn<QStringList>("expected");
    const QStringList x{"x", ""};
    QTest::newRow("both unchecked, fields filled") << x << false << "a-" << false << "-z" << 1 << x;
    QTest::newRow("prefix only") << x << true << "a-" << false << "-z" << 1 << QStringList{"a-x", "a-"};
    QTest::newRow("suffix only") << x << false << "a-" << true << "-z" << 1 << QStringList{"x-z", "-z"};
    QTest::newRow("both") << x << true << "[" << true << "]" << 1 << QStringList{"[x]", "[]"};
    QTest::newRow("second application") << x << true << "[" << true << "]" << 2 << QStringList{"[[x]]", "[[]]"};
    QTest::newRow("checked, empty fields") << x << true << "" << true << "" << 1 << x;
    QTest::newRow("blanks kept") << x << true << " " << true << "  " << 1 << QStringList{" x  ", "   "};
    QTest::newRow("astral") << QStringList{grin} << true << deseretSmall << true << grin << 1
                            << QStringList{deseretSmall + grin + grin};
}

void TestEntryRewrites::addAffixes()
{
    QFETCH(QStringList, entries);
    QFETCH(bool, usePrefix);
    QFETCH(QString, prefix);
    QFETCH(bool, useSuffix);
    QFETCH(QString, suffix);
    QFETCH(int, times);
    QFETCH(QStringList, expected);
    QList<CompactText> compactEntries = compact(entries);
    for (int i = 0; i < times; ++i)
        rewriteRemembering(compactEntries, [&](QList<CompactText> &texts) {
            quillmark::addAffixes(texts, {usePrefix, prefix, useSuffix, suffix});
        });
    QCOMPARE(expanded(compactEntries), expected);
}

void TestEntryRewrites::replaceAll_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("case-sensitive") << QStringList{"Banana"} << "a" << "b" << QStringList{"Bbnbnb"};
    QTest::newRow("capital not matched") << QStringList{"Banana"} << "b" << "X" << QStringList{"Banana"};
    QTest::newRow("no overlap, no rescan") << QStringList{"aaaa", "aaa"} << "aa" << "a" << QStringList{"aa", "aa"};
    QTest::newRow("replacement not searched again") << QStringList{"ab"} << "a" << "aa" << QStringList{"aab"};
    QTest::newRow("empty replacement deletes") << QStringList{"a-b-c", "-"} << "-" << "" << QStringList{"abc", ""};
    QTest::newRow("not found") << QStringList{"abc", ""} << "z" << "y" << QStringList{"abc", ""};
    QTest::newRow("not found beyond Latin-1") << QStringList{QStringLiteral("שלום"), "abc"} << "z" << QStringLiteral("€")
                                              << QStringList{QStringLiteral("שלום"), "abc"};
    QTest::newRow("replaced by itself") << QStringList{"abc"} << "b" << "b" << QStringList{"abc"};
    QTest::newRow("both fields empty") << QStringList{"abc", ""} << "" << "" << QStringList{"abc", ""};
    QTest::newRow("null fields") << QStringList{"abc", ""} << QString() << QString() << QStringList{"abc", ""};
    QTest::newRow("empty search inserts everywhere") << QStringList{"ab", ""} << "" << "-" << QStringList{"-a-b-", "-"};
    QTest::newRow("astral search") << QStringList{"a" + grin + "b" + grin} << grin << "." << QStringList{"a.b."};
    QTest::newRow("astral replacement") << QStringList{"a+b"} << "+" << grin << QStringList{"a" + grin + "b"};
    QTest::newRow("Latin-1 text leaves Latin-1") << QStringList{QStringLiteral("café"), QStringLiteral("5 €")}
                                                 << QStringLiteral("é") << QStringLiteral("€")
                                                 << QStringList{QStringLiteral("caf€"), QStringLiteral("5 €")};
    // A surrogate pair is one character: "before each character"
    // must not break it in two, or Save would lose it.
    QTest::newRow("empty search keeps pairs whole")
            << QStringList{grin, "a" + deseretSmall} << "" << "-"
            << QStringList{"-" + grin + "-", "-a-" + deseretSmall + "-"};
}

void TestEntryRewrites::replaceAll()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QStringList, expected);
    QList<CompactText> compactEntries = compact(entries);
    rewriteRemembering(compactEntries,
                       [&](QList<CompactText> &texts) { quillmark::replaceAll(texts, before, after); });
    QCOMPARE(expanded(compactEntries), expected);
}

void TestEntryRewrites::removeAllAfter_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("key=value") << QStringList{"key=value"} << "=" << QStringList{"key="};
    QTest::newRow("first occurrence only") << QStringList{"a=b=c"} << "=" << QStringList{"a="};
    QTest::newRow("marker first") << QStringList{"=abc"} << "=" << QStringList{"="};
    QTest::newRow("ends with marker") << QStringList{"abc="} << "=" << QStringList{"abc="};
    QTest::newRow("marker absent") << QStringList{"abc", ""} << "=" << QStringList{"abc", ""};
    QTest::newRow("case-sensitive") << QStringList{"Value", "vvv"} << "v" << QStringList{"Value", "v"};
    QTest::newRow("longer marker") << QStringList{"http://a/b://c"} << "://" << QStringList{"http://"};
    QTest::newRow("empty marker empties all") << QStringList{"abc", "", "x"} << "" << QStringList{"", "", ""};
    QTest::newRow("null marker empties all") << QStringList{"abc"} << QString() << QStringList{""};
    QTest::newRow("astral marker") << QStringList{"a" + grin + "b" + grin} << grin << QStringList{"a" + grin};
    QTest::newRow("astral kept whole") << QStringList{grin + "=" + grin} << "=" << QStringList{grin + "="};
}

void TestEntryRewrites::removeAllAfter()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, marker);
    QFETCH(QStringList, expected);
    QList<CompactText> compactEntries = compact(entries);
    rewriteRemembering(compactEntries, [&](QList<CompactText> &texts) { quillmark::removeAllAfter(texts, marker); });
    QCOMPARE(expanded(compactEntries), expected);
}

QTEST_APPLESS_MAIN(TestEntryRewrites)
#include "tst_entryrewrites.moc"
