#include "EntryCodec.h"

#include <QTest>

using namespace quillmark;

class TestEntryCodec : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void decodesLegacyBytesLosslessly();
    void decodesVeryLongLine();
    void encode_data();
    void encode();
    void roundTrip_data();
    void roundTrip();
};

void TestEntryCodec::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\nc\r\n") << QStringList{"a", "b", "c"};
    QTest::newRow("lf") << QByteArray("a\nb\nc\n") << QStringList{"a", "b", "c"};
    QTest::newRow("mixed line ends") << QByteArray("a\r\nb\nc\r\n") << QStringList{"a", "b", "c"};
    QTest::newRow("no final terminator") << QByteArray("a\nb") << QStringList{"a", "b"};
    QTest::newRow("single line without terminator") << QByteArray("only") << QStringList{"only"};
    QTest::newRow("only a terminator") << QByteArray("\n") << QStringList{""};
    QTest::newRow("blank line between") << QByteArray("a\n\nb\n") << QStringList{"a", "", "b"};
    QTest::newRow("blank crlf lines") << QByteArray("\r\n\r\n") << QStringList{"", ""};
    QTest::newRow("leading and trailing blanks kept")
            << QByteArray("  a \n\tb\t\n") << QStringList{"  a ", "\tb\t"};
    QTest::newRow("lone carriage return stays in the entry")
            << QByteArray("a\rb\nc\r") << QStringList{"a\rb", "c\r"};
    QTest::newRow("only the carriage return before the line feed goes")
            << QByteArray("a\r\r\n") << QStringList{"a\r"};
    QTest::newRow("utf-8 without mark")
            << QByteArray("caf\xc3\xa9\n\xe2\x82\xac\n\xe4\xb8\xad\n")
            << QStringList{QStringLiteral("café"), QStringLiteral("€"), QStringLiteral("中")};
    QTest::newRow("utf-8 astral") << QByteArray("\xf0\x9f\x98\x80\n")
                                  << QStringList{QStringLiteral("\U0001F600")};
    QTest::newRow("utf-8 mark") << QByteArray("\xef\xbb\xbf" "a\nb") << QStringList{"a", "b"};
    QTest::newRow("U+FEFF starting a later line of an unmarked file is text")
            << QByteArray("a\n\xef\xbb\xbf" "b\n") << QStringList{"a", QStringLiteral("\uFEFFb")};
    QTest::newRow("utf-16le mark") << QByteArray("\xff\xfe" "a\0\n\0\xac\x20\r\0\n\0", 12)
                                   << QStringList{"a", QStringLiteral("€")};
    QTest::newRow("utf-16be mark") << QByteArray("\xfe\xff\0a\0\n\x20\xac", 8)
                                   << QStringList{"a", QStringLiteral("€")};
    QTest::newRow("utf-32le mark") << QByteArray("\xff\xfe\0\0" "a\0\0\0\n\0\0\0b\0\0\0", 16)
                                   << QStringList{"a", "b"};
    QTest::newRow("utf-32be mark") << QByteArray("\0\0\xfe\xff\0\0\0a\0\0\0\n\0\0\0b", 16)
                                   << QStringList{"a", "b"};
    QTest::newRow("latin-1 when not utf-8")
            << QByteArray("caf\xe9\n\xfc" "ber\r\n")
            << QStringList{QStringLiteral("café"), QStringLiteral("über")};
    QTest::newRow("one bad byte makes the whole file latin-1")
            << QByteArray("\xc3\xa9\n\xe9\n") << QStringList{QStringLiteral("Ã©"), QStringLiteral("é")};
    QTest::newRow("nul bytes are ordinary characters")
            << QByteArray("a\0b\n\0\n", 6) << QStringList{QString::fromLatin1("a\0b", 3), QString(QChar(0))};
    QTest::newRow("latin-1 file ending in a byte that starts a utf-8 sequence")
            << QByteArray("plain\ncaf\xe9") << QStringList{"plain", QStringLiteral("café")};
    QTest::newRow("utf-16 cut off inside a unit") << QByteArray("\xff\xfe" "a\0b", 5)
                                                   << QStringList{QStringLiteral("a\uFFFD")};
    // Inputs found by fuzz/fuzz_entrycodec, as found: each loaded as text that
    // the next save could not write back.
    QTest::newRow("fuzz: utf-16 lone low surrogate")
            << QByteArray::fromHex("fffe6100000000000000000000000000000000000000000000de0a00")
            << QStringList{u'a' + QString(10, QChar(0)) + QChar(QChar::ReplacementCharacter)};
    QTest::newRow("fuzz: utf-8 sequence cut off by the end of the file")
            << QByteArray::fromHex("f09f") << QStringList{QString::fromLatin1("\xf0\x9f")};
    QTest::newRow("fuzz: utf-16, second mark, lone surrogates, odd length")
            << QByteArray::fromHex("fffefffedadadadadadadaefdada66dadadadadadada66")
            << QStringList{QStringLiteral("\uFEFF\uFFFD\uFFFD\uFFFD\uEFDA\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD")};
}

void TestEntryCodec::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    QCOMPARE(decodeEntries(bytes), entries);
}

void TestEntryCodec::decodesLegacyBytesLosslessly()
{
    // Every byte value except the line feed, in a file that is not UTF-8:
    // saving it again must give back the same characters.
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        if (b != '\n' && b != '\r')
            bytes.append(char(b));
    const QStringList entries = decodeEntries(bytes);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first(), QString::fromLatin1(bytes));
}

void TestEntryCodec::decodesVeryLongLine()
{
    const QByteArray line(8 * 1024 * 1024, 'x');
    const QStringList entries = decodeEntries(line + "\r\nend");
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.first().size(), line.size());
    QCOMPARE(entries.last(), QStringLiteral("end"));
}

void TestEntryCodec::encode_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("ascii and an empty entry") << QStringList{"abc", ""} << QByteArray("abc\r\n\r\n");
    QTest::newRow("no entries") << QStringList() << QByteArray();
    QTest::newRow("latin-1 letter as utf-8") << QStringList{QStringLiteral("é")} << QByteArray("\xc3\xa9\r\n");
    QTest::newRow("euro sign") << QStringList{QStringLiteral("€")} << QByteArray("\xe2\x82\xac\r\n");
    QTest::newRow("astral") << QStringList{QStringLiteral("\U0001F600")} << QByteArray("\xf0\x9f\x98\x80\r\n");
    QTest::newRow("mark in front only for a first entry beginning with U+FEFF")
            << QStringList{QStringLiteral("\uFEFFa"), QStringLiteral("\uFEFFb")}
            << QByteArray("\xef\xbb\xbf" "\xef\xbb\xbf" "a\r\n" "\xef\xbb\xbf" "b\r\n");
    QTest::newRow("surrogate without its partner as ?")
            << QStringList{QString(QChar(0xD83D)) + u'a', u'b' + QString(QChar(0xDE00))} << QByteArray("?a\r\nb?\r\n");
    // Three bytes for every unit: far more than the buffer is first sized for.
    QTest::newRow("many CJK entries") << QStringList(500, QStringLiteral("東京都"))
                                      << QByteArray("\xe6\x9d\xb1\xe4\xba\xac\xe9\x83\xbd\r\n").repeated(500);
}

void TestEntryCodec::encode()
{
    QFETCH(QStringList, entries);
    QFETCH(QByteArray, bytes);
    QCOMPARE(encodeEntries(entries), bytes);
}

void TestEntryCodec::roundTrip_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("ascii") << QStringList{"alpha", "", " spaced ", "key=value"};
    QTest::newRow("latin-1") << QStringList{QStringLiteral("Größe"), QStringLiteral("niño")};
    QTest::newRow("euro, cjk and astral")
            << QStringList{QStringLiteral("5 €"), QStringLiteral("日本語"), QStringLiteral("\U0001F600x")};
    // From fuzz/fuzz_entrycodec: a save began with the entry's U+FEFF, which
    // the next load took for a byte-order mark and dropped.
    QTest::newRow("fuzz: entries beginning with U+FEFF")
            << QStringList{QStringLiteral("\uFEFF\uFFFD\uEFDA"), QStringLiteral("\uFEFF"), QStringLiteral("x")};
}

void TestEntryCodec::roundTrip()
{
    QFETCH(QStringList, entries);
    QCOMPARE(decodeEntries(encodeEntries(entries)), entries);
    // A slice encodes as the same bytes as the entries on their own.
    QCOMPARE(encodeEntries(entries, 1, 1), encodeEntries(entries.mid(1, 1)));
}

QTEST_APPLESS_MAIN(TestEntryCodec)
#include "tst_entrycodec.moc"
