#include "config/GbkText.h"

#include <QTest>

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
                                    QStringLiteral("</ghdw>")};
        Gbk::Writer writer;
        QByteArray written("head:");
        QByteArray expected("head:");
        for (const QString &piece : pieces) {
            writer.append(written, piece);
            expected += Gbk::encode(piece);
        }
        QCOMPARE(written, expected);
        QCOMPARE(written.count('?'), 4);
    }

    void decodeRoundTrip()
    {
        const QString text = QStringLiteral("机动车销售统一发票 No.12 ￥");
        QCOMPARE(Gbk::decode(Gbk::encode(text)), text);
    }

    void decodeInvalidBytesDoesNotCrash()
    {
        const QString text = Gbk::decode(QByteArray("a\xFF", 2));
        QVERIFY(text.startsWith(QLatin1Char('a')));
        QVERIFY(!Gbk::decode(QByteArray("\x81", 1)).isEmpty());
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
