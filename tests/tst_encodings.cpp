#include "TestSupport.h"

#include "config/AppError.h"
#include "config/Crc32.h"
#include "config/Crypt.h"
#include "config/Encodings.h"
#include "config/GZip.h"
#include "config/GbkText.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

namespace {

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &b : bytes)
        b = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return bytes;
}

} // namespace

class TestEncodings : public QObject
{
    Q_OBJECT

private slots:
    void aesMatchesFips197Vector()
    {
        const QByteArray key = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
        const QByteArray plain = QByteArray::fromHex("00112233445566778899aabbccddeeff");
        const QByteArray cipher = TCrypt::EncryptBytes(plain, key);
        QCOMPARE(cipher.toHex(), QByteArray("69c4e0d86a7b0430d8cdb78070b4c55a"));
        QCOMPARE(TCrypt::DecryptBytes(cipher, key), plain);
    }

    void keyTakesSixteenBytesPaddedWithZeros()
    {
        QCOMPARE(TCrypt::Key(QStringLiteral("kzvw61739025")), QByteArray("kzvw61739025\0\0\0\0", 16));
        QCOMPARE(TCrypt::Key(QStringLiteral("123456789012-12345678")), QByteArray("123456789012-123"));
        // Chinese key text counts its GBK bytes.
        QCOMPARE(TCrypt::Key(QStringLiteral("宋")), QByteArray("\xCB\xCE", 2) + QByteArray(14, '\0'));
    }

    void encryptStringLengths_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<int>("hexDigits");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("one byte") << QStringLiteral("1") << 32;
        QTest::newRow("16 bytes") << QStringLiteral("0123456789abcdef") << 32;
        QTest::newRow("17 bytes") << QStringLiteral("0123456789abcdefg") << 64;
        QTest::newRow("8 chinese = 16 bytes") << QStringLiteral("一二三四五六七八") << 32;
    }

    void encryptStringLengths()
    {
        QFETCH(QString, plain);
        QFETCH(int, hexDigits);
        const QString hex = TCrypt::EncryptString(plain, QStringLiteral("key"));
        QCOMPARE(hex.size(), hexDigits);
        QCOMPARE(hex, hex.toUpper());
    }

    void encryptStringPadsTheLastBlockWithZeros()
    {
        // Zero padding: the 5 bytes "12345" encrypt as the block "12345" + 11 zero bytes.
        const QByteArray key = TCrypt::Key(QStringLiteral("k"));
        const QByteArray block = QByteArray("12345") + QByteArray(11, '\0');
        QCOMPARE(TCrypt::EncryptString(QStringLiteral("12345"), QStringLiteral("k")),
                 QString::fromLatin1(TCrypt::EncryptBytes(block, key).toHex().toUpper()));
    }

    void decryptReturnsThePaddingToo()
    {
        const QString plain = QStringLiteral("发动机ABC123");
        const QString hex = TCrypt::EncryptString(plain, QStringLiteral("5100-1234"));
        const QString back = TCrypt::DecryptString(hex, QStringLiteral("5100-1234"));
        QCOMPARE(back.size(), plain.size() + (16 - Gbk::byteLength(plain)));
        QVERIFY(back.startsWith(plain));
        QCOMPARE(back.mid(plain.size()), QString(16 - Gbk::byteLength(plain), QChar(0)));
    }

    void decryptRefusesPartialBlocks()
    {
        try {
            TCrypt::DecryptString(QStringLiteral("00112233"), QStringLiteral("k"));
            QFAIL("no error");
        } catch (const EAESError &error) {
            QCOMPARE(error.text(), QStringLiteral("Invalid buffer size for decryption"));
        }
    }

    void hex()
    {
        QCOMPARE(HexEncode(QByteArray("\x0A\xFF", 2)), QStringLiteral("0AFF"));
        QCOMPARE(HexDecode(QStringLiteral("0aff")), QByteArray("\x0A\xFF", 2));
        QCOMPARE(HexDecode(QStringLiteral("0AF")), QByteArray("\x0A\x0F", 2));
        QCOMPARE(HexDecode(QString()), QByteArray());
        QVERIFY_THROWS_EXCEPTION(EConvertError, HexDecode(QStringLiteral("0G")));
        QVERIFY_THROWS_EXCEPTION(EConvertError, HexDecode(QStringLiteral("汉字")));
    }

    void base64_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("abc") << QByteArray("abc") << QStringLiteral("YWJj");
        QTest::newRow("ab") << QByteArray("ab") << QStringLiteral("YWI=");
        QTest::newRow("a") << QByteArray("a") << QStringLiteral("YQ==");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("hex layer") << QByteArray("12AB") << QStringLiteral("MTJBQg==");
        QTest::newRow("high bytes") << QByteArray("\xFB\xFF\xBF", 3) << QStringLiteral("+/+/");
    }

    void base64()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(Base64Encode(bytes), text);
        QCOMPARE(Base64Decode(text), bytes);
    }

    void base64AgreesWithQtOnRandomBytes()
    {
        for (int size = 0; size < 64; ++size) {
            const QByteArray bytes = randomBytes(size);
            const QString text = Base64Encode(bytes);
            QCOMPARE(text.toLatin1(), bytes.toBase64());
            QCOMPARE(Base64Decode(text), bytes);
        }
    }

    void base64DecodeTakesWholeGroupsOnly()
    {
        QCOMPARE(Base64Decode(QStringLiteral("YWJ")), QByteArray());
        QCOMPARE(Base64Decode(QStringLiteral("YWJjYQ")), QByteArray("abc"));
        QCOMPARE(Base64Decode(QStringLiteral("YQ==YWJj")), QByteArray("aabc"));
    }

    void crcText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("check value") << QByteArray("123456789") << QStringLiteral("3421780262");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("0");
        QTest::newRow("empty barcode body") << QByteArray("^1^1^") + QByteArray(24, '^') << QStringLiteral("2332948958");
    }

    void crcText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(CrcText(bytes), text);
    }

    void gzipMember_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("short") << QByteArray("<taxML>x</taxML>");
        QTest::newRow("gbk document") << Gbk::encode(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?><ghdw>张三</ghdw>").repeated(50));
        QTest::newRow("random 100k") << randomBytes(100000);
    }

    void gzipMember()
    {
        QFETCH(QByteArray, input);
        const QByteArray member = GZipCompress(input);
        QCOMPARE(member.left(10), QByteArray("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x00", 10));
        const auto size = static_cast<quint32>(input.size());
        QCOMPARE(member.right(4), QByteArray(reinterpret_cast<const char *>(&size), 4));
        QCOMPARE(Gunzip(member), input);
    }

    void gzipMemberIsZlibsRawDeflate()
    {
        const QByteArray input = QByteArray("jdcxsfpMxxx ").repeated(300);
        z_stream stream{};
        QCOMPARE(deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY), Z_OK);
        QByteArray raw(8192, Qt::Uninitialized);
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.constData()));
        stream.avail_in = static_cast<uInt>(input.size());
        stream.next_out = reinterpret_cast<Bytef *>(raw.data());
        stream.avail_out = static_cast<uInt>(raw.size());
        QCOMPARE(deflate(&stream, Z_FINISH), Z_STREAM_END);
        raw.resize(static_cast<qsizetype>(stream.total_out));
        deflateEnd(&stream);
        const QByteArray member = GZipCompress(input);
        QCOMPARE(member.mid(10, member.size() - 18), raw);
    }

    void gzipToolReadsOurMember()
    {
        const QString gzip = QStandardPaths::findExecutable(QStringLiteral("gzip"));
        if (gzip.isEmpty())
            QSKIP("gzip is not installed");
        const QByteArray input = Gbk::encode(QStringLiteral("车辆购置税申报 ")).repeated(100);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("record.xml.gz"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(GZipCompress(input));
        file.close();
        QProcess process;
        process.start(gzip, {QStringLiteral("-d"), QStringLiteral("-c"), path});
        QVERIFY(process.waitForFinished());
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardOutput(), input);
    }
};

QTEST_GUILESS_MAIN(TestEncodings)
#include "tst_encodings.moc"
