#include "StrictQtRuns.h"
#include "config/GbkRuns.h"
#include "config/GbkText.h"

#include <QTest>

namespace {

QString runsDecode(const QByteArray &bytes, std::size_t maxRun,
                   std::size_t (*convert)(const char *, std::size_t, char16_t *, std::size_t) = StrictQtRun)
{
    std::u16string out(std::size_t(bytes.size()), u'\0');
    out.resize(GbkRuns::decode(bytes.constData(), std::size_t(bytes.size()), out.data(), convert, maxRun));
    return QString::fromStdU16String(out);
}

// A code page that lacks 啊 (B0 A1), as a system table may lack a pair another one has.
std::size_t lacksAh(const char *run, std::size_t length, char16_t *to, std::size_t room)
{
    if (QByteArrayView(run, qsizetype(length)).contains(QByteArrayView("\xB0\xA1", 2)))
        return GbkRuns::Refused;
    return StrictQtRun(run, length, to, room);
}

// No code page 936 at all: every call refused.
std::size_t refusesAll(const char *, std::size_t, char16_t *, std::size_t)
{
    return GbkRuns::Refused;
}

// Broken conversions for the start-up check.
QByteArray noBytes(const QString &) { return {}; }
QString noText(const QByteArray &) { return {}; }
QByteArray utf8Bytes(const QString &text) { return text.toUtf8(); }
QString utf8Text(const QByteArray &bytes) { return QString::fromUtf8(bytes); }
QString latin1Text(const QByteArray &bytes) { return QString::fromLatin1(bytes); }
// Leaves out what GBK lacks instead of writing "?".
QByteArray droppingLacking(const QString &text)
{
    QByteArray out;
    for (const QChar c : text) {
        const QByteArray one = Gbk::encode(QString(c));
        if (one != "?" || c == QLatin1Char('?'))
            out += one;
    }
    return out;
}
// A default character of its own for a broken sequence, as MultiByteToWideChar without flags.
QString defaultForBroken(const QByteArray &bytes)
{
    return Gbk::decode(bytes).replace(QChar::ReplacementCharacter, QLatin1Char('?'));
}

struct BrokenConversion {
    const char *name;
    Gbk::EncodeFunction encode;
    Gbk::DecodeFunction decode;
    const char *says; // what the reason names, UTF-8
};
const BrokenConversion BrokenConversions[] = {
    {"no converter of that name", noBytes, noText, "“机动车销售统一发票”编码为 （无），应为 BB FA B6 AF B3 B5 CF FA CA DB CD B3 D2 BB B7 A2 C6 B1"},
    {"UTF-8 in place of GBK", utf8Bytes, utf8Text, "编码为 E6 9C BA E5 8A A8"},
    {"decodes as Latin-1", Gbk::encode, latin1Text, "BB FA B6 AF B3 B5 CF FA CA DB CD B3 D2 BB B7 A2 C6 B1 解码为 U+00BB U+00FA"},
    {"drops what GBK lacks", droppingLacking, Gbk::decode, "U+0E01 编码为 （无），应为 3F"},
    {"default character for a broken sequence", Gbk::encode, defaultForBroken, "81 30 解码为 U+003F U+0030，应为 U+FFFD U+0030"},
};

} // namespace

class TestGbkText : public QObject
{
    Q_OBJECT

private slots:
    void encode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("gbk");
        QTest::addColumn<bool>("held"); // comes back from GBK as it went in
        QTest::newRow("ascii") << QStringLiteral("abc^123") << QByteArray("abc^123") << true;
        QTest::newRow("question mark stays itself") << QStringLiteral("a?b") << QByteArray("a?b") << true;
        QTest::newRow("chinese") << QStringLiteral("宋体") << QByteArray("\xCB\xCE\xCC\xE5") << true;
        QTest::newRow("full-width punctuation") << QStringLiteral("！") << QByteArray("\xA3\xA1") << true;
        QTest::newRow("emoji becomes one ?") << QStringLiteral("a\U0001F600b") << QByteArray("a?b") << false;
        QTest::newRow("thai becomes ?") << QStringLiteral("\u0E01") << QByteArray("?") << false;
        QTest::newRow("lone surrogate at the end") << QString(QChar(0xD800)) << QByteArray("?") << false;
        QTest::newRow("lone surrogate inside") << QStringLiteral("a") + QChar(0xDC00) + QStringLiteral("b") << QByteArray("a?b")
                                               << false;
        // Left out by ICU's converter, "?" in code page 936: "?" on both.
        QTest::newRow("soft hyphen") << QStringLiteral("a\u00ADb") << QByteArray("a?b") << false;
        QTest::newRow("zero-width space and joiner") << QStringLiteral("\u200B\u200D") << QByteArray("??") << false;
        QTest::newRow("byte-order mark") << QStringLiteral("\uFEFF宋") << QByteArray("?\xCB\xCE") << false;
        QTest::newRow("variation selector") << QStringLiteral("\u2764\uFE0F") << QByteArray("??") << false;
        QTest::newRow("last of the ignorables") << QStringLiteral("\uFFF8\u3164") << QByteArray("??") << false;
        QTest::newRow("empty") << QString() << QByteArray() << true;
    }

    void encode()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, gbk);
        QFETCH(bool, held);
        QCOMPARE(Gbk::encode(text), gbk);
        QCOMPARE(Gbk::byteLength(text), gbk.size());
        QCOMPARE(Gbk::holds(text), held);
    }

    // One buffer written piece by piece holds what encoding each piece alone gives, including a
    // pair split across two pieces and ASCII pieces between converted ones.
    void writerMatchesEncodePieceByPiece()
    {
        const QList<QString> pieces{QStringLiteral("<ghdw>"),
                                    QStringLiteral("宋体"),
                                    QStringLiteral("a\U0001F600b"),
                                    QStringLiteral("x") + QChar(0xD83D),
                                    QChar(0xDE00) + QStringLiteral("y"),
                                    QString(),
                                    QStringLiteral("机动车 No.12 ￥\u0E01"),
                                    QStringLiteral("\u200B张三\u00AD"),
                                    QStringLiteral("</ghdw>")};
        Gbk::Writer writer;
        QByteArray written("head:");
        QByteArray expected("head:");
        for (const QString &piece : pieces) {
            writer.append(written, piece);
            expected += Gbk::encode(piece);
        }
        QCOMPARE(written, expected);
        QCOMPARE(written.count('?'), 6);
    }

    void decodeRoundTrip()
    {
        const QString text = QStringLiteral("机动车销售统一发票 No.12 ￥");
        QCOMPARE(Gbk::decode(Gbk::encode(text)), text);
    }

    void decodeTurnsBrokenSequencesIntoReplacements_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QChar bad = QChar::ReplacementCharacter;
        QTest::newRow("lead byte alone") << QByteArray("\x81") << QString(bad);
        QTest::newRow("lead byte at the end") << QByteArray("\xB0\xA1\x81") << QStringLiteral("啊") + bad;
        QTest::newRow("lead byte before a digit") << QByteArray("a\x81\x30") << QStringLiteral("a") + bad + QStringLiteral("0");
        QTest::newRow("lead byte before DEL") << QByteArray("\xA1\x7F") << QString(bad) + QChar(0x7F);
        QTest::newRow("lead byte before 0xFF") << QByteArray("\xA1\xFF") << QString(bad) + Gbk::decode("\xFF");
        QTest::newRow("lead bytes in a row pair up") << QByteArray("\x81\x81\x30") << QStringLiteral("\u4E96") + QStringLiteral("0");
        QTest::newRow("euro sign") << QByteArray("\x80") << QStringLiteral("€");
        QTest::newRow("empty") << QByteArray() << QString();
    }

    void decodeTurnsBrokenSequencesIntoReplacements()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(Gbk::decode(bytes), text);
    }

    // The Windows backend's cutting into runs, with a converter as strict as the system's:
    // every one- and two-byte input and a few longer ones come out as the Qt converter reads
    // them, however short the runs.
    void runsDecodeAsTheConverterReads()
    {
        for (int first = 0; first < 256; ++first) {
            for (int second = -1; second < 256; ++second) {
                QByteArray bytes(1, char(first));
                if (second >= 0)
                    bytes += char(second);
                const QString expected = Gbk::decode(bytes);
                if (runsDecode(bytes, 1u << 20) != expected || runsDecode(bytes, 1) != expected)
                    QFAIL(qPrintable(QStringLiteral("bytes %1").arg(QString::fromLatin1(bytes.toHex(' ')))));
            }
        }
        const QList<QByteArray> longer{
            Gbk::encode(QStringLiteral("机动车销售统一发票 No.12 ￥ 张三")),
            QByteArray("\xB0\xA1\x81\x30\xB0\xA1\xA1\x7F\xFF\x80\xB0"),
            QByteArray("\x81\x81\x81\x81\x81"),
            QByteArray("ab\xB0\xA1\xB0" "cd\xB0\xA1"),
        };
        for (const QByteArray &bytes : longer) {
            for (const std::size_t maxRun : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(1) << 20})
                QCOMPARE(runsDecode(bytes, maxRun), Gbk::decode(bytes));
        }
    }

    // A run the converter refuses goes again character by character: only what it lacks is
    // U+FFFD, and with no converter at all every character is.
    void refusedRunsGoAgainCharacterByCharacter()
    {
        const QByteArray bytes = Gbk::encode(QStringLiteral("a啊b宋啊体")) + QByteArray("\x81");
        const QChar bad = QChar::ReplacementCharacter;
        for (const std::size_t maxRun : {std::size_t(1), std::size_t(3), std::size_t(1) << 20}) {
            QCOMPARE(runsDecode(bytes, maxRun, lacksAh), QStringLiteral("a") + bad + QStringLiteral("b宋") + bad
                         + QStringLiteral("体") + bad);
            QCOMPARE(runsDecode(bytes, maxRun, refusesAll), QString(7, bad));
        }
    }

    void selfCheckPassesHere()
    {
        QCOMPARE(Gbk::SelfCheck(), QString());
    }

    void selfCheckSaysWhatFailed_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(BrokenConversions)); ++i)
            QTest::newRow(BrokenConversions[i].name) << i;
    }

    void selfCheckSaysWhatFailed()
    {
        QFETCH(int, index);
        const BrokenConversion &broken = BrokenConversions[index];
        const QString reason = Gbk::CheckConversions(broken.encode, broken.decode);
        QVERIFY2(reason.startsWith(QStringLiteral("本机的 GBK 编码转换不能用，程序无法运行：")), qPrintable(reason));
        QVERIFY2(reason.contains(QString::fromUtf8(broken.says)), qPrintable(reason));
    }

    void truncatedKeepsCharactersWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("max");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray mixed = Gbk::encode(QStringLiteral("a宋体"));
        QTest::newRow("fits") << mixed << 5 << mixed;
        QTest::newRow("cut after ascii") << mixed << 1 << QByteArray("a");
        QTest::newRow("would cut a pair") << mixed << 2 << QByteArray("a");
        QTest::newRow("pair boundary") << mixed << 3 << mixed.left(3);
        QTest::newRow("second pair cut") << mixed << 4 << mixed.left(3);
        QTest::newRow("zero") << mixed << 0 << QByteArray();
    }

    void truncatedKeepsCharactersWhole()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, max);
        QFETCH(QByteArray, expected);
        QCOMPARE(Gbk::truncated(bytes, max), expected);
    }

    void leadBytesCountedFromTheStart()
    {
        // "\xB0\xA1" is 啊; its second byte looks like a lead byte on its own.
        const QByteArray bytes("\xB0\xA1\xB0\xA1", 4);
        QVERIFY(Gbk::isLeadByte(bytes, 0));
        QVERIFY(!Gbk::isLeadByte(bytes, 1));
        QVERIFY(Gbk::isLeadByte(bytes, 2));
        QVERIFY(!Gbk::isLeadByte(bytes, 3));
    }
};

QTEST_GUILESS_MAIN(TestGbkText)
#include "tst_gbktext.moc"
