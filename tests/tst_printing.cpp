#include "ScriptedPrompt.h"
#include "TestDatabase.h"
#include "PdfPrinters.h"
#include "PdfSymbols.h"
#include "TestPrinters.h"
#include "TestSupport.h"

#include "app/FrmMain.h"
#include "config/AppIniFile.h"
#include "config/Crypt.h"
#include "config/GbkText.h"
#include "config/Settings.h"
#include "db/InvoiceGridModel.h"
#include "db/PrintRecord.h"
#include "db/demo/InvoicingSchema.h"
#include "print/BarcodeCheck.h"
#include "print/BarcodePayload.h"
#include "print/DeclarationPrinter.h"
#include "print/DialogFormPreview.h"
#include "print/QtPrinters.h"
#include "print/PDF417BarCode.h"
#include "print/Printers.h"


#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <zlib.h>

namespace {

const QString Dll = QStringLiteral(BARCODEDLL_PATH);
constexpr int Dpi = 600;
constexpr int TopOffset = 48; // pixels between the paper's edge and the printable area

QStringList fullRecord()
{
    return {QStringLiteral("张三"), QStringLiteral("身份证"), QStringLiteral("110101199001011234"),
            QStringLiteral("13800138000"), QStringLiteral("100010"), QStringLiteral("北京市东城区^某路1号"),
            QString(), QStringLiteral("一汽-大众汽车有限公司"), QStringLiteral("LFV2A21K5A3000001"),
            QStringLiteral("大众FV7152FCDBG"), QStringLiteral("2026-12-10"), QStringLiteral("00012345"),
            QStringLiteral("132000000001"), QStringLiteral("117000.00"), QStringLiteral("1.6"), QStringLiteral("0.17"),
            QString(), QStringLiteral("5"), QStringLiteral("110101200801010"), QStringLiteral("13205810000"),
            QStringLiteral("北京市朝阳区车市路8号"), QStringLiteral("010-88886666"), QStringLiteral("中国工商银行"),
            QStringLiteral("0200001234567890123"), QString(), QStringLiteral("100000")};
}

// A program folder of the test's own holding the given template file.
struct ProgramFolder {
    explicit ProgramFolder(const QByteArray &templateXml)
    {
        QDir(dir.path()).mkpath(QStringLiteral("template"));
        writeFileBytes(dir.filePath(QStringLiteral("template/PrintTemplate.xml")), templateXml);
        AppSettings().AppDir = dir.path() + QLatin1Char('/');
    }
    QTemporaryDir dir;
};

QByteArray shippedTemplate()
{
    return readFileBytes(QStringLiteral(TEMPLATE_DIR "/PrintTemplate.xml"));
}

// A template with one rule and one text at known places.
QByteArray probeTemplate(const char *name = "Template_SBB")
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Forms><") + name
        + "><PageWidth>210</PageWidth><PageHeight>297</PageHeight><PrintWay>0</PrintWay>"
          "<TABLELINE><ITEM><PrtX>20</PrtX><PrtY>30</PrtY><Width>100</Width><Height>0</Height><LineWidth>0.5</LineWidth></ITEM></TABLELINE>"
          "<TABLEDATA><ITEM><Name>FPHM</Name><PrtX>100</PrtX><PrtY>50</PrtY><DisName>x</DisName><MaxLength>80</MaxLength>"
          "<FontName>宋体</FontName><FontSize>20</FontSize><FontStyle>0</FontStyle></ITEM></TABLEDATA>"
          "</" + name + "></Forms>";
}

// The first row from the top with a dark pixel in the column.
int firstDarkRow(const QImage &page, int x, int fromY)
{
    for (int y = fromY; y < page.height(); ++y) {
        if (qGray(page.pixel(x, y)) < 128)
            return y;
    }
    return -1;
}

int px(double mm)
{
    return qRound(mm * Dpi / 25.4);
}

// The box around the dark pixels inside the area.
QRect inkIn(const QImage &page, const QRect &area)
{
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(page.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

const BuyerDetails Answer{QStringLiteral("身份证"), QStringLiteral("13900000000"), QStringLiteral("200000"),
                           QStringLiteral("上海市浦东新区"), QStringLiteral("2.0")};

DemoInvoice newInvoice(const QString &number, const QString &issued)
{
    DemoInvoice v;
    v.jddm = QStringLiteral("132000000001");
    v.jdhm = number;
    v.kpsj = issued;
    v.kprq = issued.left(19);
    v.ghdw = QStringLiteral("李四");
    v.fdjhm = QStringLiteral("EA211") + number;
    v.jshj = QStringLiteral("117000");
    v.zzsse = QStringLiteral("17000");
    return v;
}

// The main window on the data source of the settings in use, printing to images at 150 dpi,
// with a scripted details prompt and the clock at 10:15 on the invoices' day.
struct PrintingWindow {
    RecordingMessageBoxes boxes;
    ScopedMessageBoxes scope{boxes};
    ImagePrinters printers;
    ScriptedPrompt prompt;
    FixedClock clock{QDateTime(QDate(2026, 12, 10), QTime(10, 15))};
    TFrmMain window;

    explicit PrintingWindow(const QStringList &printerNames = {QStringLiteral("测试打印机")})
        : printers(150, 0, printerNames)
        , window(options())
    {
    }

private:
    MainWindowOptions options()
    {
        MainWindowOptions result;
        result.barcodeLibraryPath = Dll;
        result.clock = &clock;
        result.printers = &printers;
        result.detailsPrompt = &prompt;
        return result;
    }
};

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void payloadOfAnEmptyRecord()
    {
        QCOMPARE(BarcodePayload(QStringList(26, QString())),
                 QStringLiteral("#STARS#2332948958^1^1^") + QString(24, QLatin1Char('^')) + QStringLiteral("#END#"));
    }

    void payloadOfAFullRecord()
    {
        const QStringList values = fullRecord();
        const QString payload = BarcodePayload(values);
        QVERIFY(payload.startsWith(QLatin1String("#STARS#")) && payload.endsWith(QLatin1String("#END#")));
        const QString rest = payload.mid(7, payload.size() - 12);
        const qsizetype body = rest.indexOf(QLatin1String("^1^1^"));
        const QByteArray checked = Gbk::encode(rest.mid(body));
        const auto crc = crc32(0, reinterpret_cast<const Bytef *>(checked.constData()), uInt(checked.size()));
        QCOMPARE(rest.left(body), QString::number(quint32(crc)));

        // The "^" inside the address splits it, as readers will see it.
        const QStringList fields = rest.mid(body + 5).split(QLatin1Char('^'));
        QCOMPARE(fields.size(), 26);
        QCOMPARE(fields.last(), QString());
        QCOMPARE(fields.mid(0, 5), values.mid(0, 5));
        QCOMPARE(fields[5] + QLatin1Char('^') + fields[6], values[5]);
        QCOMPARE(fields[7], QString()); // the empty engine number stays empty when enciphered
        const QString key = QStringLiteral("132000000001-00012345");
        QCOMPARE(fields[14], TCrypt::EncryptString(QStringLiteral("117000.00"), key));
        QVERIFY(TCrypt::DecryptString(fields[14], key).startsWith(QLatin1String("117000.00")));
        // Seller block before the rates block.
        QCOMPARE(fields.mid(16, 6), values.mid(18, 6));
        QCOMPARE(fields.mid(22, 3), values.mid(15, 3));
    }

    // Made by tests/data/make-payload-golden.sh with openssl and zlib, byte for byte.
    void payloadMatchesTheIndependentGolden()
    {
        QStringList values{QStringLiteral("张三"), QStringLiteral("身份证"), QStringLiteral("110101199001011234"),
                           QStringLiteral("13800138000"), QStringLiteral("100010"), QStringLiteral("北京市东城区某路1号"),
                           QStringLiteral("EA211 088456"), QStringLiteral("一汽-大众汽车有限公司"),
                           QStringLiteral("LFV2A21K5A3000001"), QStringLiteral("大众FV7152FCDBG"), QStringLiteral("2026-12-10"),
                           QStringLiteral("00012345"), QStringLiteral("132000000001"), QStringLiteral("117000.00"),
                           QStringLiteral("1.6"), QStringLiteral("0.17"), QStringLiteral("1.5"), QStringLiteral("5"),
                           QStringLiteral("110101200801010"), QStringLiteral("13205810000"),
                           QStringLiteral("北京市朝阳区车市路8号"), QStringLiteral("010-88886666"), QStringLiteral("中国工商银行"),
                           QStringLiteral("0200001234567890123")};
        values << QStringLiteral("1") << QStringLiteral("100000"); // bz and bhsj take no part
        QCOMPARE(Gbk::encode(BarcodePayload(values)), readFileBytes(QStringLiteral(TESTDATA_DIR "/payload-full.gbk")));
    }

    void payloadKeyTakesSixteenBytes()
    {
        QStringList a = fullRecord();
        a[PrintRecord::dz] = QStringLiteral("北京");
        a[PrintRecord::fdjhm] = QStringLiteral("无");
        QStringList b = a;
        b[PrintRecord::fphm] = QStringLiteral("00012399"); // differs after the 16th byte of the key
        const auto engineField = [](const QStringList &values) { return BarcodePayload(values).split(QLatin1Char('^')).at(9); };
        QCOMPARE(engineField(a), engineField(b));
        b[PrintRecord::fpdm] = QStringLiteral("132000000002");
        QVERIFY(engineField(a) != engineField(b));
    }

    void formAtPrinterResolution()
    {
        TempSettings settings;
        ProgramFolder folder(shippedTemplate());
        TPDF417BarCode barcode(Dll);
        ImagePrinters printers(Dpi, TopOffset);
        const QStringList values = fullRecord();
        QVERIFY(PrintDeclaration(values, PrintRecord::FieldNames(), printers, &barcode));
        QCOMPARE(printers.pages.size(), 1);
        QCOMPARE(printers.requests[0].widthMm, 210);
        const QImage &page = printers.pages[0];
        const QList<PdfSymbol> symbols = PdfSymbolsOn(page);
        QCOMPARE(symbols.size(), 1);
        QCOMPARE(symbols[0].bytes, Gbk::encode(BarcodePayload(values)));
        QVERIFY(symbols[0].box.left() > page.width() / 2);
        QVERIFY(symbols[0].box.top() < px(10));
    }

    void itemsGoWhereMillimetresOffsetsAndTheBarcodePutThem_data()
    {
        QTest::addColumn<int>("offX");
        QTest::addColumn<int>("offY");
        QTest::newRow("no offsets") << 0 << 0;
        QTest::newRow("3 right, 2 up") << 3 << -2;
    }

    void itemsGoWhereMillimetresOffsetsAndTheBarcodePutThem()
    {
        QFETCH(int, offX);
        QFETCH(int, offY);
        TempSettings settings;
        ProgramFolder folder(probeTemplate());
        AppSettings().OffX = offX;
        AppSettings().OffY = offY;
        TPDF417BarCode barcode(Dll);
        ImagePrinters printers(Dpi, TopOffset);
        const QStringList values = fullRecord();
        QVERIFY(PrintDeclaration(values, PrintRecord::FieldNames(), printers, &barcode));
        const QImage &page = printers.pages[0];

        const QImage symbol = barcode.MakeImage(SettingsFilePath(), Gbk::encode(BarcodePayload(values)), Dpi, Dpi);
        const int shift = qRound(symbol.height() * 25.4 / Dpi) + 1;
        const int ruleY = px(30 + shift + offY) - TopOffset;
        // The rule starts at 20 mm (plus the offset) and is found where its millimetres say.
        const int x = px(20 + offX) + px(10);
        const int below = symbol.height() + 10;
        const int rule = firstDarkRow(page, x, below);
        QVERIFY2(qAbs(rule - (ruleY - px(0.25))) <= 2,
                 qPrintable(QStringLiteral("rule at %1, expected about %2").arg(rule).arg(ruleY)));
        QVERIFY(qGray(page.pixel(px(20 + offX) - px(1), ruleY)) > 128); // nothing left of its start
        // The invoice number printed with its top left corner at its millimetres.
        const QRect text = inkIn(page, QRect(px(95), px(40 + shift), px(60), px(20)));
        QVERIFY2(text.left() >= px(100 + offX) && text.left() <= px(100 + offX) + px(1.5),
                 qPrintable(QStringLiteral("text starts at x %1, expected %2").arg(text.left()).arg(px(100 + offX))));
        const int textTop = px(50 + shift + offY) - TopOffset;
        QVERIFY2(text.top() >= textTop && text.top() <= textTop + px(3),
                 qPrintable(QStringLiteral("text starts at y %1, expected %2").arg(text.top()).arg(textTop)));

        // The barcode ignores the offsets: top right, 70 pixels in from the printable edge.
        const QList<PdfSymbol> symbols = PdfSymbolsOn(page);
        QCOMPARE(symbols.size(), 1);
        QVERIFY(qAbs(symbols[0].box.right() - (page.width() - 70 - 1)) <= px(2));
    }

    void unloadableTemplateStartsNoJob()
    {
        TempSettings settings;
        ProgramFolder folder("<Forms><Template_SBB><PageWidth>x</PageWidth></Template_SBB></Forms>");
        ImagePrinters printers(Dpi, TopOffset);
        QVERIFY(!PrintDeclaration(fullRecord(), PrintRecord::FieldNames(), printers, nullptr));
        QVERIFY(printers.requests.isEmpty());
    }

    // A form without its barcode is no use at the tax office: it never reaches the paper.
    void noBarcodeNoForm_data()
    {
        QTest::addColumn<bool>("withLibrary");
        QTest::addColumn<QString>("why");
        QTest::newRow("no library") << false << QStringLiteral("条码库未加载");
        QTest::newRow("beyond PDF417 capacity") << true << QStringLiteral("条码库没有生成条码（条码数据");
    }

    void noBarcodeNoForm()
    {
        QFETCH(bool, withLibrary);
        QFETCH(QString, why);
        TempSettings settings;
        ProgramFolder folder(shippedTemplate());
        TPDF417BarCode barcode(Dll);
        ImagePrinters printers(Dpi, TopOffset);
        QStringList values = fullRecord();
        values[PrintRecord::ghdw] = QString(2000, QChar(0x738B)); // 4000 GBK bytes: no PDF417 holds them
        const PrintOutcome outcome
            = PrintDeclaration(values, PrintRecord::FieldNames(), printers, withLibrary ? &barcode : nullptr);
        QCOMPARE(outcome.status, PrintOutcome::NoBarcode);
        QVERIFY2(outcome.why.startsWith(why), qPrintable(outcome.why));
        QVERIFY(printers.pages.isEmpty());
    }

    // Each form's barcode is read back before the job is painted: one that does not read as the
    // record never reaches the paper, unless the check is turned off.
    void barcodeReadBackBeforePrinting_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("printed");
        QTest::newRow("checked") << QByteArray() << false;
        QTest::newRow("check turned off") << QByteArray("[Other]\r\nVerifyBarcode=0\r\n") << true;
    }
    void barcodeReadBackBeforePrinting()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, printed);
        TempSettings settings;
        settings.write(ini);
        ProgramFolder folder(shippedTemplate());
        TPDF417BarCode damaged(QStringLiteral(FAKE_DAMAGED_PATH));
        ImagePrinters printers(600, TopOffset);
        const PrintOutcome outcome = PrintDeclaration(fullRecord(), PrintRecord::FieldNames(), printers, &damaged);
        QCOMPARE(bool(outcome), printed);
        QCOMPARE(printers.pages.size(), printed ? 1 : 0);
        if (!printed) {
            QCOMPARE(outcome.status, PrintOutcome::BarcodeUnreadable);
            QCOMPARE(outcome.why, QStringLiteral("条码无法识读"));
        }
    }

    // The check itself: our symbol reads back as its payload, and as nothing else.
    void barcodeCheck()
    {
        TempSettings settings;
        TPDF417BarCode barcode(Dll);
        const QByteArray payload = Gbk::encode(BarcodePayload(fullRecord()));
        const QImage symbol = barcode.MakeImage(settings.path(), payload, 600, 600);
        QVERIFY(!symbol.isNull());
        QCOMPARE(BarcodeCheckFailure(symbol, payload), QString());
        QCOMPARE(BarcodeCheckFailure(symbol, payload + "x"), QStringLiteral("识读出的条码内容与申报数据不符"));
        QImage torn = symbol;
        for (int y = 0; y < torn.height(); ++y) {
            for (int x = torn.width() / 3; x < torn.width() * 2 / 3; ++x)
                torn.setPixelColor(x, y, Qt::white);
        }
        QCOMPARE(BarcodeCheckFailure(torn, payload), QStringLiteral("条码无法识读"));
    }

    void unknownTemplatePrintsTheBarcodeOnly()
    {
        TempSettings settings;
        ProgramFolder folder(probeTemplate("Template_Other"));
        TPDF417BarCode barcode(Dll);
        ImagePrinters printers(Dpi, TopOffset);
        QVERIFY(PrintDeclaration(fullRecord(), PrintRecord::FieldNames(), printers, &barcode));
        const QImage &page = printers.pages[0];
        QCOMPARE(PdfSymbolsOn(page).size(), 1);
        QCOMPARE(firstDarkRow(page, px(40), px(60)), -1); // no rule below the barcode
    }

    void currentPrinter_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("defaultPrinter");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("current");
        const QStringList two{QStringLiteral("甲"), QStringLiteral("乙")};
        QTest::newRow("chosen") << "乙" << "甲" << two << "乙";
        QTest::newRow("the default") << "" << "乙" << two << "乙";
        QTest::newRow("no default: the first installed") << "" << "" << two << "甲";
        QTest::newRow("none installed") << "" << "" << QStringList() << "";
    }

    void currentPrinter()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, defaultPrinter);
        QFETCH(QStringList, installed);
        QFETCH(QString, current);
        QCOMPARE(CurrentPrinterName(chosen, defaultPrinter, installed), current);
    }

    // The preview paints its page through the same code as the print: with no printer installed
    // it lays out one page of the template's paper, and that page, written to a file, holds the
    // same text and the same barcode as the printed form.
    void previewShowsThePrintedPage()
    {
        TempSettings settings;
        ProgramFolder folder(shippedTemplate());
        TPDF417BarCode barcode(Dll);
        const QStringList values = fullRecord();
        ImagePrinters none(600, 0, {});

        QPrinter preview(QPrinter::HighResolution);
        const std::optional<PageRequest> page = DeclarationPage();
        QVERIFY(page);
        ApplyPageRequest(preview, *page);
        QPrintPreviewWidget widget(&preview);
        int painted = 0;
        connect(&widget, &QPrintPreviewWidget::paintRequested, this, [&](QPrinter *target) {
            painted += bool(PaintDeclaration(*target, values, PrintRecord::FieldNames(), none, &barcode));
        });
        widget.updatePreview();
        QCOMPARE(painted, 1);
        QCOMPARE(widget.pageCount(), 1);
        QCOMPARE(preview.pageLayout().pageSize().size(QPageSize::Millimeter).toSize(), QSize(page->widthMm, page->heightMm));

        const auto pdfOf = [&](const QString &name, const std::function<bool(const QString &)> &paint) {
            const QString pdf = folder.dir.filePath(name + QStringLiteral(".pdf"));
            if (!paint(pdf))
                return std::pair<QString, QByteArray>();
            QProcess text;
            text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
            text.waitForFinished(60000);
            QProcess render;
            render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"),
                                                      QStringLiteral("-singlefile"), pdf, folder.dir.filePath(name)});
            render.waitForFinished(60000);
            const QList<PdfSymbol> symbols = PdfSymbolsOn(QImage(folder.dir.filePath(name + QStringLiteral(".png"))));
            return std::pair(QString::fromUtf8(text.readAllStandardOutput()), symbols.value(0).bytes);
        };
        const auto printed = pdfOf(QStringLiteral("printed"), [&](const QString &pdf) {
            PdfPrinters printers(pdf);
            return bool(PrintDeclaration(values, PrintRecord::FieldNames(), printers, &barcode));
        });
        const auto previewed = pdfOf(QStringLiteral("previewed"), [&](const QString &pdf) {
            QPrinter file(QPrinter::HighResolution);
            file.setOutputFormat(QPrinter::PdfFormat);
            file.setOutputFileName(pdf);
            file.setResolution(600);
            ApplyPageRequest(file, *page);
            return bool(PaintDeclaration(file, values, PrintRecord::FieldNames(), none, &barcode));
        });
        QVERIFY(printed.first.contains(QStringLiteral("张三")));
        QCOMPARE(previewed.first, printed.first);
        QCOMPARE(printed.second, Gbk::encode(BarcodePayload(values)));
        QCOMPARE(previewed.second, printed.second);
    }

    void pdfPrinterWritesTheForm()
    {
        TempSettings settings;
        ProgramFolder folder(shippedTemplate());
        TPDF417BarCode barcode(Dll);
        const QString pdf = folder.dir.filePath(QStringLiteral("form.pdf"));
        PdfPrinters printers(pdf);
        const QStringList values = fullRecord();
        QVERIFY(PrintDeclaration(values, PrintRecord::FieldNames(), printers, &barcode));
        const QByteArray bytes = readFileBytes(pdf);
        QVERIFY(bytes.startsWith("%PDF"));
        QVERIFY(bytes.contains("UMing")); // 宋体 on the page

        // Poppler's tools read what Qt's PDF engine wrote: the barcode kept lossless, and a page
        // rendered from the file scans to the payload.
        QProcess images;
        images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
        QVERIFY2(images.waitForFinished() && images.exitCode() == 0, "pdfimages (poppler-utils) did not run");
        const QList<QByteArray> listed = images.readAllStandardOutput().split('\n').mid(2);
        QVERIFY(!listed.isEmpty() && !listed.first().isEmpty());
        for (const QByteArray &image : listed)
            QVERIFY2(!image.contains("jpeg"), image.constData());
        QProcess render;
        render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"),
                                                  QStringLiteral("-singlefile"), pdf, folder.dir.filePath(QStringLiteral("page"))});
        QVERIFY2(render.waitForFinished(60000) && render.exitCode() == 0, "pdftoppm (poppler-utils) did not run");
        const QList<PdfSymbol> symbols = PdfSymbolsOn(QImage(folder.dir.filePath(QStringLiteral("page.png"))));
        QCOMPARE(symbols.size(), 1);
        QCOMPARE(symbols[0].bytes, Gbk::encode(BarcodePayload(values)));
    }

    // A form's job is titled by its invoice in ASCII, so a queue lists it and a PDF printer
    // names its file by the invoice; the preview's print carries the same title.
    void printJobIsNamedByTheInvoice_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("title");
        QTest::newRow("invoice") << "132000000001" << "00012345" << "Kerrowvantis 132000000001-00012345";
        QTest::newRow("padded cells") << " 132000000002" << "00000007 " << "Kerrowvantis 132000000002-00000007";
        QTest::newRow("no ASCII kept but letters and digits")
            << QStringLiteral("代码1320/01") << QStringLiteral("号码：A0１") << "Kerrowvantis 132001-A0";
    }

    void printJobIsNamedByTheInvoice()
    {
        QFETCH(QString, code);
        QFETCH(QString, number);
        QFETCH(QString, title);
        TempSettings settings;
        ProgramFolder folder(shippedTemplate());
        TPDF417BarCode barcode(Dll);
        QStringList values = fullRecord();
        values[PrintRecord::fpdm] = code;
        values[PrintRecord::fphm] = number;

        ImagePrinters images(Dpi, TopOffset);
        QVERIFY(PrintDeclaration(values, PrintRecord::FieldNames(), images, &barcode));
        QCOMPARE(images.requests.size(), 1);
        QCOMPARE(images.requests[0].jobName, title);

        const QString pdf = folder.dir.filePath(QStringLiteral("form.pdf"));
        PdfPrinters printers(pdf);
        QVERIFY(PrintDeclaration(values, PrintRecord::FieldNames(), printers, &barcode));
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(info.waitForFinished(60000) && info.exitCode() == 0, "pdfinfo (poppler-utils) did not run");
        const QStringList lines = QString::fromUtf8(info.readAllStandardOutput()).split(QLatin1Char('\n'));
        const QStringList titles = lines.filter(QRegularExpression(QStringLiteral("^Title:")));
        QCOMPARE(titles.size(), 1);
        QCOMPARE(titles[0].mid(6).trimmed(), title);

        QPrinter previewed(QPrinter::HighResolution);
        previewed.setOutputFormat(QPrinter::PdfFormat);
        previewed.setOutputFileName(folder.dir.filePath(QStringLiteral("previewed.pdf")));
        ApplyPageRequest(previewed, *DeclarationPage());
        QCOMPARE(previewed.docName(), QStringLiteral("Kerrowvantis"));
        QVERIFY(PaintDeclaration(previewed, values, PrintRecord::FieldNames(), images, &barcode));
        QCOMPARE(previewed.docName(), title);
    }

    void automaticPrinting_data() { AddBackendRows(); }
    void automaticPrinting()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TempSettings settings;
        TestDatabase db(backend);
        InsertSeller(db.connection(), {QStringLiteral("110101200801010"), QStringLiteral("某某汽车销售有限公司"),
                                       QStringLiteral("13205810000"), QStringLiteral("某某税务分局")});
        // Issued after the start at 10:15: number 6 before number 5.
        InsertInvoice(db.connection(), newInvoice(QStringLiteral("00000005"), QStringLiteral("2026-12-10 10:30:00.000")));
        InsertInvoice(db.connection(), newInvoice(QStringLiteral("00000006"), QStringLiteral("2026-12-10 10:20:00.000")));
        InsertInvoice(db.connection(), newInvoice(QStringLiteral("00000004"), QStringLiteral("2026-12-10 10:14:00.000")));
        settings.write("[DataBase]\r\nDSN=" + db.dsn().toLatin1() + "\r\n[Other]\r\nAutoPrint=1\r\n");

        PrintingWindow w;
        auto &[boxes, scope, printers, prompt, clock, window] = w;
        ProgramFolder folder(shippedTemplate());
        const auto bookmark = [] { return BookmarkTime(); };
        QCOMPARE(bookmark(), QStringLiteral("2026-12-10 10:15:00.000"));

        // Cancel: nothing printed, the bookmark stays, the timer goes on.
        prompt.answers = {std::nullopt};
        window.AutoPrintNext();
        QCOMPARE(prompt.requests.size(), 1);
        QCOMPARE(prompt.requests[0].invoiceNumber, QStringLiteral("00000006"));
        QVERIFY(printers.pages.isEmpty());
        QCOMPARE(bookmark(), QStringLiteral("2026-12-10 10:15:00.000"));
        QVERIFY(window.PrintTimer()->isActive());

        // A printer that fails: its error is shown, the bookmark stays, the timer goes on.
        prompt.answers = {Answer};
        printers.refuseNext = true;
        window.AutoPrintNext();
        QCOMPARE(boxes.shown.last().kind, MessageKind::Error);
        QCOMPARE(boxes.shown.last().text, QStringLiteral("打印机脱机"));
        QCOMPARE(bookmark(), QStringLiteral("2026-12-10 10:15:00.000"));
        QVERIFY(window.PrintTimer()->isActive());

        // Two ticks print the two new invoices in issue-time order; a third finds nothing.
        prompt.answers = {Answer, Answer};
        window.AutoPrintNext();
        QCOMPARE(bookmark(), QStringLiteral("2026-12-10 10:20:00.000"));
        window.AutoPrintNext();
        QCOMPARE(bookmark(), QStringLiteral("2026-12-10 10:30:00.000"));
        QCOMPARE(printers.pages.size(), 2);
        QCOMPARE(prompt.requests.last().invoiceNumber, QStringLiteral("00000005"));
        QCOMPARE(boxes.shown.last().text, QStringLiteral("打印车辆基本信息表成功！"));
        const int asked = prompt.requests.size();
        window.AutoPrintNext();
        QCOMPARE(prompt.requests.size(), asked);
        QCOMPARE(printers.pages.size(), 2);
        QVERIFY(window.PrintTimer()->isActive());
        // The form carries the dialog's values.
        const QList<PdfSymbol> symbols = PdfSymbolsOn(printers.pages[1]);
        QCOMPARE(symbols.size(), 1);
        QVERIFY(Gbk::decode(symbols[0].bytes).contains(QStringLiteral("^上海市浦东新区^")));
    }

    void onDemandPrintingNeverMovesTheBookmark()
    {
        TempSettings settings;
        TestDatabase db(Backend::SQLite);
        InsertSeller(db.connection(), {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
        InsertInvoice(db.connection(), newInvoice(QStringLiteral("00000007"), QStringLiteral("2026-12-10 09:00:00.000")));
        settings.write("[DataBase]\r\nDSN=" + db.dsn().toLatin1() + "\r\n");
        PrintingWindow w({QStringLiteral("甲"), QStringLiteral("乙")});
        auto &[boxes, scope, printers, prompt, clock, window] = w;
        ProgramFolder folder(shippedTemplate());
        window.show();
        QCOMPARE(window.GridModel()->rowCount(), 1);

        for (int copy = 0; copy < 2; ++copy) {
            prompt.answers = {Answer};
            // Pick the second printer in the printer choice.
            QTimer::singleShot(0, [] {
                QWidget *dialog = QApplication::activeModalWidget();
                QVERIFY(dialog);
                auto *list = dialog->findChild<QComboBox *>(QStringLiteral("cbxPrintList"));
                QVERIFY(list);
                list->setCurrentIndex(1);
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            });
            window.PrintSelectedDeclaration();
        }
        QCOMPARE(printers.pages.size(), 2);
        QCOMPARE(printers.printedOn, (QStringList{QStringLiteral("乙"), QStringLiteral("乙")}));
        QCOMPARE(ReadEndTime(), QStringLiteral("2026-12-10 10:15:00.000"));
        // The row shows what the dialog took.
        QCOMPARE(window.GridModel()->Cell(0, InvoiceGridModel::colDocument), QStringLiteral("身份证"));
        QCOMPARE(window.GridModel()->Cell(0, 6), QStringLiteral("上海市浦东新区"));
        QCOMPARE(boxes.shown.last().text, QStringLiteral("打印车辆基本信息表成功！"));

        // No row selected: told, nothing printed.
        window.Grid()->setCurrentIndex(QModelIndex());
        window.PrintSelectedDeclaration();
        QCOMPARE(boxes.shown.last().text, QStringLiteral("没有要打印的信息！"));
        QCOMPARE(printers.pages.size(), 2);
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
