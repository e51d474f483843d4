#include "CompactLists.h"
#include "EncodingDetection.h"
#include "EntryCodec.h"
#include "LegacyDecoding.h"
#include "Windows1252.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

using namespace quillmark;

namespace {

QByteArray legacyFile(const char *sample)
{
    QFile file(QStringLiteral(":/legacy/%1.txt").arg(QLatin1StringView(sample)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The entries a file of this text holds: a line feed ends each, a carriage
// return before it belongs to the terminator, a final one adds no entry.
QStringList linesOf(const QString &text)
{
    QStringList lines = text.split(u'\n');
    if (text.endsWith(u'\n'))
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

} // namespace

class TestEntryCodec : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void decodeWithoutMark_data();
    void decodeWithoutMark();
    void decodeBySystemCodePage_data();
    void decodeBySystemCodePage();
    void detectorNames_data();
    void detectorNames();
    void misreadCharacters_data();
    void misreadCharacters();
    void decodeUtf8ByRuns_data();
    void decodeUtf8ByRuns();
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
    // Too few accented letters for a detector to go on: the Western reading.
    QTest::newRow("windows-1252 when too short to tell")
            << QByteArray("caf\xe9\n\xfc" "ber\r\n")
            << QStringList{QStringLiteral("café"), QStringLiteral("über")};
    QTest::newRow("windows-1252: naïve") << QByteArray("na\xefve") << QStringList{QStringLiteral("naïve")};
    QTest::newRow("windows-1252: Señora Muñoz") << QByteArray("Se\xf1ora Mu\xf1oz") << QStringList{QStringLiteral("Señora Muñoz")};
    QTest::newRow("windows-1252: quotes") << QByteArray("\x93quoted\x94") << QStringList{QStringLiteral("“quoted”")};
    QTest::newRow("windows-1252: quotes, dashes, euro, ellipsis, not control characters")
            << QByteArray("\x93Hello\x94 \x96 \x91world\x92\x85\n\x80 10,00\n\x97 dash \x97\n\x95 bullet\n\x99 \xae \xa9")
            << QStringList{QStringLiteral("“Hello” – ‘world’…"), QStringLiteral("€ 10,00"), QStringLiteral("— dash —"),
                           QStringLiteral("• bullet"), QStringLiteral("™ ® ©")};
    // Guessed as a Mac code page, which would make every ë a Ž.
    QTest::newRow("windows-1252 over a guess that reads worse")
            << QByteArray("Zo\xeb\nNo\xebl\nChlo\xeb\nBront\xeb\nRen\xe9" "e\nAna\xefs\nJo\xebl\nGa\xebl")
            << QStringList{QStringLiteral("Zoë"), QStringLiteral("Noël"), QStringLiteral("Chloë"), QStringLiteral("Brontë"),
                           QStringLiteral("Renée"), QStringLiteral("Anaïs"), QStringLiteral("Joël"), QStringLiteral("Gaël")};
    QTest::newRow("one bad byte makes the whole file windows-1252")
            << QByteArray("\xc3\xa9\n\xe9\n") << QStringList{QStringLiteral("Ã©"), QStringLiteral("é")};
    QTest::newRow("nul bytes are ordinary characters")
            << QByteArray("a\0b\n\0\n", 6) << QStringList{QString::fromLatin1("a\0b", 3), QString(QChar(0))};
    QTest::newRow("nul bytes in a file that is not utf-8: windows-1252, byte for byte")
            << QByteArray("\x80\0\x81\n\0\xff", 6)
            << QStringList{QStringLiteral("€") + QChar(0) + QChar(0x81), QChar(0) + QStringLiteral("ÿ")};
    QTest::newRow("utf-16 pattern with a lone surrogate: windows-1252, byte for byte")
            << QByteArray("a\0\0\xd8" "b\0", 6) << QStringList{QString::fromLatin1("a\0\0\xd8" "b\0", 6)};
    QTest::newRow("windows-1252 file ending in a byte that starts a utf-8 sequence")
            << QByteArray("plain\ncaf\xe9") << QStringList{"plain", QStringLiteral("café")};
    QTest::newRow("utf-16 cut off inside a unit") << QByteArray("\xff\xfe" "a\0b", 5)
                                                   << QStringList{QStringLiteral("a\uFFFD")};
    // Inputs found by fuzz/fuzz_entrycodec, as found: each loaded as text that
    // the next save could not write back.
    QTest::newRow("fuzz: utf-16 lone low surrogate")
            << QByteArray::fromHex("fffe6100000000000000000000000000000000000000000000de0a00")
            << QStringList{u'a' + QString(10, QChar(0)) + QChar(QChar::ReplacementCharacter)};
    QTest::newRow("fuzz: utf-8 sequence cut off by the end of the file")
            << QByteArray::fromHex("f09f") << QStringList{QStringLiteral("ðŸ")};
    QTest::newRow("fuzz: a later line beginning like a utf-16 mark")
            << QByteArray("ab\n\xfe\xff\xe9\xe9") << QStringList{"ab", QStringLiteral("þÿéé")};
    QTest::newRow("fuzz: utf-16, second mark, lone surrogates, odd length")
            << QByteArray::fromHex("fffefffedadadadadadadaefdada66dadadadadadada66")
            << QStringList{QStringLiteral("\uFEFF\uFFFD\uFFFD\uFFFD\uEFDA\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD")};
}

void TestEntryCodec::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    QCOMPARE(decodedEntries(bytes), entries);
}

// Text from other systems, each encoding by a sample of the kind of list it
// holds; long enough for a detector to tell, as real lists are, but for the
// short words, which a script other than Latin tells in three letters. The
// legacy samples are the files of data/legacy, each the row's text written
// in that encoding, as Qt without ICU (Windows') can encode none of them.
void TestEntryCodec::decodeWithoutMark_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const auto legacy = [](const char *sample, const QString &text, int repeat = 1) {
        QTest::addRow("%s%s", sample, repeat > 1 ? ", repeated" : "") << legacyFile(sample).repeated(repeat) << text.repeated(repeat);
    };
    // Not that encoding after all: every byte is kept as its Windows-1252
    // character.
    const auto withStrayByte = [](const char *sample) {
        const QByteArray bytes = legacyFile(sample) + "\x80";
        QTest::addRow("%s and a byte outside it", sample) << bytes << fromWindows1252(bytes);
    };
    const auto unicode = [](const char *encoding, const char *tag, const QString &text) {
        QTest::addRow("%s: %s", encoding, tag) << QByteArray(QStringEncoder(encoding)(text)) << text;
    };
    const QString russianNames = QStringLiteral("Иванов Иван Иванович\nПетров Пётр\nСидорова Анна\nКузнецов Дмитрий");
    const QString japanese = QStringLiteral("東京都千代田区丸の内一丁目\n大阪府大阪市北区梅田\nこんにちは、世界\nカタカナのテスト");
    const QString korean = QStringLiteral("대한민국의 수도는 서울특별시이다\n부산광역시 해운대구 우동\n안녕하세요, 세계\n한글 맞춤법 검사기\n빔 길잡이");
    const QString mixed = QStringLiteral("alpha\nbéta\nМосква\n東京\n\U0001F600");
    legacy("windows-1252-dishes", QStringLiteral("Crème brûlée\nPâté de foie\nBœuf bourguignon\nFrançois\nCrêpe Suzette"));
    legacy("windows-1250-czech", QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy"));
    legacy("windows-1250-polish-towns", QStringLiteral("Zażółć gęślą jaźń\nŁódź\nKraków\nWrocław\nGdańsk"));
    legacy("windows-1251-names", russianNames);
    legacy("windows-1251-one-word", QStringLiteral("Москва"));
    legacy("windows-1251-short-word", QStringLiteral("мир"));
    legacy("KOI8-R-names", russianNames);
    legacy("ISO-8859-7-towns", QStringLiteral("Καλημέρα κόσμε\nΑθήνα\nΘεσσαλονίκη\nΗράκλειο"));
    legacy("ISO-8859-7-short-word", QStringLiteral("Σας"));
    legacy("Shift_JIS-addresses", japanese);
    legacy("EUC-JP-addresses", japanese);
    // More than the detector is shown.
    legacy("Shift_JIS-addresses-line", japanese + QStringLiteral("x\n"), 1500);
    legacy("GBK-addresses", QStringLiteral("北京市海淀区中关村大街\n上海市浦东新区世纪大道\n你好，世界\n中华人民共和国"));
    // One line longer than the detector's sample, which must not end inside
    // the character at its 65,536th byte, or the guess would not read it.
    const QByteArray gbkStreet = legacyFile("GBK-addresses").split('\n').first() + ' ';
    QTest::newRow("GBK line longer than the sample, a character across its end")
            << QByteArray(8, 'x') + gbkStreet.repeated(2900)
            << QString(8, u'x') + QStringLiteral("北京市海淀区中关村大街 ").repeated(2900);
    legacy("Big5-addresses", QStringLiteral("臺北市信義區市府路\n高雄市前金區\n你好，世界\n中華民國\n"));
    // Windows-949, which the detector calls UHC, reads both; the last line
    // is in Windows-949 only.
    legacy("EUC-KR-prose", korean);
    legacy("CP949-prose", korean + QStringLiteral("\n똠방각하"));
    // Its decoder counts no error for 0x80 but passes it through as a
    // control character.
    withStrayByte("Big5-addresses");
    withStrayByte("Shift_JIS-addresses");
    unicode("UTF-16LE", "mixed", mixed);
    unicode("UTF-16BE", "mixed", mixed);
    unicode("UTF-32LE", "mixed", mixed);
    unicode("UTF-32BE", "mixed", mixed);
    // Valid UTF-8 as well, but for the zero byte after every character.
    unicode("UTF-16LE", "ascii", QStringLiteral("one\r\ntwo\n"));
    unicode("UTF-16BE", "ascii", QStringLiteral("one\r\ntwo\n"));
}

void TestEntryCodec::decodeWithoutMark()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodedEntries(bytes), linesOf(text));
}

// What no detector can tell, a word of two non-ASCII bytes, reads by the
// system's own code page where that is a legacy one. CTest runs this under
// several, naming each in QUILLMARK_TEST_SYSTEM_ENCODING.
void TestEntryCodec::decodeBySystemCodePage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QByteArray system = qgetenv("QUILLMARK_TEST_SYSTEM_ENCODING");
    int rows = 0;
    const auto row = [&](const char *encoding, const char *tag, const QByteArray &bytes, const QString &text) {
        if (system != encoding)
            return;
        QTest::addRow("%s: %s", encoding, tag) << bytes << text;
        ++rows;
    };
    row("", "Windows-1252", "\xe4\xe0", QStringLiteral("äà"));
    row("windows-1251", "Russian", "\xe4\xe0", QStringLiteral("да"));
    row("Shift_JIS", "Japanese", "\x93\xfa", QStringLiteral("日"));
    row("EUC-JP", "Japanese", "\xc6\xfc", QStringLiteral("日"));
    // Bytes the system's code page does not define: every one is kept.
    row("windows-1251", "undefined byte", "\x98", QStringLiteral("˜"));
    row("Shift_JIS", "lead byte alone", "\x81", QString(QChar(0x81)));
    row("EUC-JP", "lead byte alone", "\xc6", QStringLiteral("Æ"));
    QVERIFY2(rows > 0, "no rows for the system encoding that QUILLMARK_TEST_SYSTEM_ENCODING names");
}

void TestEntryCodec::decodeBySystemCodePage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodedEntries(bytes), QStringList{text});
}

// Every name the detector answers, with whether this system has a table for
// it (uchardet 0.0.7: a new version may answer new names, which belong here).
void TestEntryCodec::detectorNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("decodes");
    QCOMPARE(QUILLMARK_UCHARDET_VERSION, "0.0.7");
    // The ISO-2022 and HZ encodings are 7-bit, read as UTF-8 before any
    // detector is asked.
    const QList<QByteArray> withoutTable{"ISO-2022-CN", "ISO-2022-JP", "ISO-2022-KR", "HZ-GB-2312",
                                         "ISO-8859-16", "VISCII", "GEORGIAN-ACADEMY", "GEORGIAN-PS"
#ifdef Q_OS_WIN
                                         , "EUC-TW", "ISO-8859-10"
#endif
    };
    for (const char *name : {"BIG5", "EUC-JP", "EUC-TW", "GB18030", "HZ-GB-2312", "IBM852", "IBM855", "IBM866",
                             "ISO-2022-CN", "ISO-2022-JP", "ISO-2022-KR", "ISO-8859-2", "ISO-8859-3", "ISO-8859-4",
                             "ISO-8859-5", "ISO-8859-6", "ISO-8859-7", "ISO-8859-8", "ISO-8859-9", "ISO-8859-10",
                             "ISO-8859-11", "ISO-8859-13", "ISO-8859-16", "KOI8-R", "MAC-CENTRALEUROPE",
                             "MAC-CYRILLIC", "SHIFT_JIS", "TIS-620", "UHC", "VISCII", "WINDOWS-1250", "WINDOWS-1251",
                             "WINDOWS-1253", "WINDOWS-1255", "WINDOWS-1256", "WINDOWS-1257", "WINDOWS-1258",
                             "GEORGIAN-ACADEMY", "GEORGIAN-PS"})
        QTest::newRow(name) << QByteArray(name) << !withoutTable.contains(name);
}

void TestEntryCodec::detectorNames()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, decodes);
    const std::optional<LegacyEncoding> encoding = legacyEncodingNamed(name);
    QCOMPARE(encoding.has_value() && LegacyDecoder(*encoding).isValid(), decodes);
    if (decodes)
        QCOMPARE(LegacyDecoder(*encoding).decode("list 1"), QStringLiteral("list 1"));
}

// What decides between a detector's guess and Windows-1252.
void TestEntryCodec::misreadCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("misread");
    QTest::newRow("symbol ending a word") << QStringLiteral("Acme™ Air") << 0;
    QTest::newRow("symbol between letters") << QStringLiteral("a©b") << 1;
    QTest::newRow("accent on its own") << QStringLiteral("na˝ve") << 1;
    QTest::newRow("capital after a small letter beyond ASCII") << QStringLiteral("ZoŽl Čapek") << 1;
}

void TestEntryCodec::misreadCharacters()
{
    QFETCH(QString, text);
    QFETCH(int, misread);
    QCOMPARE(quillmark::misreadCharacters(text), misread);
}

// A file read a run of lines at a time: while it is UTF-8 without zero bytes,
// the entries of the whole file; the first run that shows it is not is
// refused, so that the whole file can be decoded instead.
void TestEntryCodec::decodeUtf8ByRuns_data()
{
    QTest::addColumn<QByteArrayList>("runs");
    QTest::addColumn<int>("refusedRun");
    const int none = -1;
    QTest::newRow("mark dropped at the start of the file only")
            << QByteArrayList{"\xef\xbb\xbf" "a\r\n", "\xef\xbb\xbf" "b\n\n", "c\r"} << none;
    QTest::newRow("mark alone") << QByteArrayList{"\xef\xbb\xbf"} << none;
    QTest::newRow("characters of every length")
            << QByteArrayList{"caf\xc3\xa9\n\xe2\x82\xac\n", "plain\n", "\xf0\x9f\x98\x80"} << none;
    QTest::newRow("utf-16 mark") << QByteArrayList{QByteArray("\xff\xfe" "a\0\n", 5), QByteArray("\0b\0", 3)} << 0;
    QTest::newRow("zero byte in a later run") << QByteArrayList{"a\n", QByteArray("b\0\n", 3)} << 1;
    QTest::newRow("invalid byte in a later run") << QByteArrayList{"caf\xc3\xa9\n", "caf\xe9\n"} << 1;
    QTest::newRow("sequence cut off by the end of the file") << QByteArrayList{"a\n", "\xf0\x9f"} << 1;
}

void TestEntryCodec::decodeUtf8ByRuns()
{
    QFETCH(QByteArrayList, runs);
    QFETCH(int, refusedRun);
    QStringList entries;
    Utf8LineDecoder decoder([&](QList<CompactText> &&block) {
        for (const CompactText &entry : block)
            entries.append(entry.toString());
    });
    int refused = -1;
    for (int i = 0; i < runs.size() && refused < 0; ++i) {
        if (!decoder.decode(runs.at(i)))
            refused = i;
    }
    QCOMPARE(refused, refusedRun);
    if (refused < 0) {
        decoder.finish();
        QCOMPARE(entries, decodedEntries(runs.join()));
    }
}

void TestEntryCodec::decodesLegacyBytesLosslessly()
{
    // Every byte value except the line ends, in a file that is not UTF-8:
    // each must come back as one character, so that saving it again keeps it.
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        if (b != '\n' && b != '\r')
            bytes.append(char(b));
    const QStringList entries = decodedEntries(bytes);
    QCOMPARE(entries.size(), 1);
    // Windows-1252 from 0x80 to 0x9F, its five unassigned bytes as the
    // control characters of the same value; Latin-1 elsewhere.
    QString expected = QString::fromLatin1(bytes);
    expected.replace(126, 32, QStringLiteral("€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ"));
    QCOMPARE(entries.first(), expected);
}

void TestEntryCodec::decodesVeryLongLine()
{
    const QByteArray line(8 * 1024 * 1024, 'x');
    const QStringList entries = decodedEntries(line + "\r\nend");
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
    QCOMPARE(encodeEntries(compact(entries)), bytes);
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
    // A list with NUL characters saves as UTF-8 with zero bytes, which must
    // not load back as UTF-16 or UTF-32.
    QTest::newRow("nul characters in a utf-16 pattern")
            << QStringList{QString::fromLatin1("a\0", 2), QString::fromLatin1("b\0", 2)};
    QTest::newRow("nul characters in a utf-32 pattern") << QStringList{QString(2, QChar(0)), QString(2, QChar(0))};
    QTest::newRow("fuzz: entries beginning with U+FEFF")
            << QStringList{QStringLiteral("\uFEFF\uFFFD\uEFDA"), QStringLiteral("\uFEFF"), QStringLiteral("x")};
}

void TestEntryCodec::roundTrip()
{
    QFETCH(QStringList, entries);
    QCOMPARE(decodedEntries(encodeEntries(compact(entries))), entries);
}

QTEST_APPLESS_MAIN(TestEntryCodec)
#include "tst_entrycodec.moc"
