#include "PdfSymbols.h"
#include "TestSupport.h"

#include "config/AppError.h"
#include "config/GbkText.h"
#include "print/PDF417BarCode.h"

#include "Barcodedll.h"

#include <QLibrary>
#include <QTest>

namespace {

const QString Dll = QStringLiteral(BARCODEDLL_PATH);

// Reads the image back with zxing-cpp, an independent PDF417 reader.
QByteArray decode(const QImage &image)
{
    const QList<PdfSymbol> symbols = PdfSymbolsOn(image, true);
    return symbols.isEmpty() ? QByteArray("<unreadable>") : symbols[0].bytes;
}

QByteArray payload()
{
    return Gbk::encode(QStringLiteral(
        "#STARS#2332948958^1^1^张三^居民身份证^110101199001011234^13800138000^100000^北京市东城区某路1号^"
        "A1B2C3D4E5F60718293A4B5C6D7E8F90^一汽-大众汽车有限公司^LFV2A21K5A3000001^捷达FV7160^2026-12-10^"
        "00012345^132000000001^9F8E7D6C5B4A39281706F5E4D3C2B1A0^1600^110101200801010^13205810000^"
        "北京市朝阳区车市路8号^010-88886666^中国工商银行北京分行^0200001234567890123^17%^^5^#END#"));
}

} // namespace

class TestBarcode : public QObject
{
    Q_OBJECT

private slots:
    void imageDecodesToTheExactBytes_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("dpi");
        QTest::newRow("declaration payload, 600 dpi") << payload() << 600;
        QTest::newRow("declaration payload, 300 dpi") << payload() << 300;
        QTest::newRow("empty fields") << QByteArray("#STARS#2332948958^1^1^") + QByteArray(24, '^') + "#END#" << 203;
        QTest::newRow("every byte value") << [] {
            QByteArray all;
            for (int i = 1; i < 256; ++i)
                all.append(static_cast<char>(i));
            return all;
        }() << 600;
    }

    void imageDecodesToTheExactBytes()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, dpi);
        TempSettings settings;
        TPDF417BarCode barcode(Dll);
        QVERIFY(barcode.LookUpEntryPoints());
        const QImage image = barcode.MakeImage(settings.path(), data, dpi, dpi);
        QVERIFY(!image.isNull());
        QCOMPARE(decode(image), data);
    }

    void imageIsSizedForTheResolution()
    {
        TempSettings settings;
        TPDF417BarCode barcode(Dll);
        const QImage at300 = barcode.MakeImage(settings.path(), payload(), 300, 300);
        const QImage at600 = barcode.MakeImage(settings.path(), payload(), 600, 600);
        // 0.254 mm modules: 3 dots at 300 dpi, 6 at 600 dpi; the same symbol twice as large.
        QCOMPARE(at600.width(), 2 * at300.width());
        QCOMPARE(at600.height(), 2 * at300.height());
        const double widthMm = at600.width() * 25.4 / 600;
        QVERIFY2(widthMm > 40 && widthMm < 100, qPrintable(QString::number(widthMm)));
    }

    void libraryReadsItsOwnSection()
    {
        TempSettings settings;
        TPDF417BarCode barcode(Dll);
        const QImage standard = barcode.MakeImage(settings.path(), payload(), 600, 600);
        settings.write("[Other]\r\nModuleWidth=9\r\n[pdf417]\r\nModuleWidth=0.508\r\nColumns=6\r\nECLevel=2\r\nRowHeight=4\r\n");
        const QImage custom = barcode.MakeImage(settings.path(), payload(), 600, 600);
        QVERIFY(!custom.isNull());
        QVERIFY(custom.width() != standard.width());
        QCOMPARE(decode(custom), payload());
        // Unusable values fall back to the defaults.
        settings.write("[PDF417]\r\nModuleWidth=wide\r\nColumns=99\r\n");
        QCOMPARE(barcode.MakeImage(settings.path(), payload(), 600, 600).size(), standard.size());
    }

    void noImageForNoData()
    {
        TempSettings settings;
        TPDF417BarCode barcode(Dll);
        QVERIFY(barcode.MakeImage(settings.path(), QByteArray(), 600, 600).isNull());
    }

    void missingLibraryFile()
    {
        TempSettings settings;
        try {
            TPDF417BarCode barcode(settings.folder() + QStringLiteral("/libBarcodedll.so"));
            QFAIL("no error");
        } catch (const AppError &error) {
            QCOMPARE(error.text(), QStringLiteral("找不到动态库Barcodedll.dll"));
        }
    }

    // The library lacks the first entry point; the one that draws would work if it were used.
    void missingEntryPointGivesNoImage()
    {
        QLibrary library(QStringLiteral(FAKE_PARTIAL_PATH));
        const auto make = reinterpret_cast<MakePDF417ExProc>(library.resolve("MakePDF417Ex"));
        const auto free = reinterpret_cast<FreePDF417BitmapProc>(library.resolve("FreePDF417Bitmap"));
        QVERIFY(make && free && !library.resolve("MakePDF417"));
        void *drawn = make("", "x", 1, 0, 0, 0, 0, 0, 0, 0, 600, 600, 0, 0);
        QVERIFY(drawn);
        free(drawn);

        TPDF417BarCode barcode(QStringLiteral(FAKE_PARTIAL_PATH));
        QVERIFY(!barcode.LookUpEntryPoints());
        QVERIFY(barcode.MakeImage(QString(), payload(), 600, 600).isNull());
    }

    void errorInsideTheCallGivesNoImage()
    {
        TPDF417BarCode barcode(QStringLiteral(FAKE_THROWING_PATH));
        QVERIFY(barcode.LookUpEntryPoints());
        QVERIFY(barcode.MakeImage(QString(), payload(), 600, 600).isNull());
    }
};

QTEST_GUILESS_MAIN(TestBarcode)
#include "tst_barcode.moc"
