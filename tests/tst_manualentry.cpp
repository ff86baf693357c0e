// Manual invoice entry: the amounts, the key rules and the checks as tables, the frame's
// behaviour, and a whole invoice typed in and printed at 600 dpi, its barcode read back.

#include "ListedInvoices.h"
#include "PdfSymbols.h"
#include "ScriptedPrompt.h"
#include "TestDatabase.h"
#include "TestPrinters.h"
#include "TestSupport.h"

#include "config/GbkText.h"
#include "config/Settings.h"
#include "db/BuyerDetails.h"
#include "db/JdcConnection.h"
#include "config/SettingsNotice.h"
#include "declare/Bookmark.h"
#include "declare/DeclarationSeams.h"
#include "declare/PrintFlow.h"
#include "declare/PrinterChoice.h"
#include "entry/FrameInput.h"
#include "entry/FrmMKNormalInv.h"
#include "entry/ManualInvoice.h"
#include "print/BarcodePayload.h"
#include "print/PDF417BarCode.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Dll = QStringLiteral(BARCODEDLL_PATH);

class FirstPrinter final : public PrinterChoice
{
public:
    std::optional<QString> Choose(const QStringList &installed, const QString &) override
    {
        return cancel ? std::nullopt : std::optional<QString>(installed.value(0));
    }
    bool cancel = false;
};

QLineEdit *lineOf(TframeInput &frame, const char *name)
{
    if (auto *combo = frame.findChild<QComboBox *>(QString::fromLatin1(name)))
        return combo->lineEdit();
    return frame.findChild<QLineEdit *>(QString::fromLatin1(name));
}

// A complete invoice, typed into the frame's fields.
void typeInvoice(TframeInput &frame)
{
    const auto edit = [&](const char *name, const QString &text) { lineOf(frame, name)->setText(text); };
    edit("edtFPDM", QStringLiteral("132000000001"));
    edit("edtFPHM", QStringLiteral("00000042"));
    edit("edtGHDW", QStringLiteral(" 王五 "));
    edit("edtGHDWID", QStringLiteral("110101199001011234"));
    edit("cmbCLLX", QStringLiteral("轿车"));
    edit("cmbCPXH", QStringLiteral("大众FV7152"));
    edit("edtCD", QStringLiteral("长春"));
    edit("edtHGZHM", QStringLiteral("wcb123"));
    edit("edtCJHM", QStringLiteral("lfv2a21k5a3001234"));
    edit("edtJSHJ", QStringLiteral("117000.00"));
    edit("edtXCRS", QStringLiteral("5"));
    edit("edtSH", QStringLiteral("110101200801010"));
    edit("edtZGSWJG", QStringLiteral("13205810000"));
    edit("edtDZ", QStringLiteral("北京市朝阳区"));
    frame.findChild<QDateEdit *>(QStringLiteral("dateKPRQ"))->setDate(QDate(2026, 12, 10));
}

} // namespace

class TestManualEntry : public QObject
{
    Q_OBJECT

private slots:
    // Price without tax and VAT in exact cents: the two always make the total.
    void amounts_data()
    {
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("vat");
        QTest::addColumn<QString>("capitals");
        QTest::newRow("117.00 at 17%") << "117.00" << "17%" << "100.00" << "17.00" << "壹佰壹拾柒圆整";
        QTest::newRow("100 at 17%") << "100" << "17%" << "85.47" << "14.53" << "壹佰圆整";
        QTest::newRow("tax free") << "117.00" << "免税" << "117.00" << "0.00" << "壹佰壹拾柒圆整";
        QTest::newRow("a rate with decimals") << "100" << "17.5%" << "85.11" << "14.89" << "壹佰圆整";
        QTest::newRow("a cent") << "0.01" << "17%" << "0.01" << "0.00" << "壹分";
        QTest::newRow("no number") << "abc" << "17%" << "0.00" << "0.00" << "零";
        QTest::newRow("a rate without %") << "117" << " 13 " << "103.54" << "13.46" << "壹佰壹拾柒圆整";
        QTest::newRow("the largest total the field takes") << "9999999999999" << "17.5%" << "8510638297871.49"
                                                            << "1489361702127.51" << "玖万玖仟玖佰玖拾玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆整";
    }
    void amounts()
    {
        QFETCH(QString, total);
        QFETCH(QString, rate);
        const InvoiceAmounts amounts = ComputeAmounts(total, rate);
        QTEST(amounts.priceWithoutTax, "price");
        QTEST(amounts.vat, "vat");
        QTEST(amounts.capitals, "capitals");
    }

    void priceAndVatMakeTheTotal()
    {
        for (qint64 cents = 1; cents < 200000; cents += 997) {
            const QString total = QStringLiteral("%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0'));
            for (const char *rate : {"17%", "13%", "3%", "17.5%"}) {
                const InvoiceAmounts a = ComputeAmounts(total, QString::fromLatin1(rate));
                QCOMPARE(qRound64(a.priceWithoutTax.toDouble() * 100) + qRound64(a.vat.toDouble() * 100), cents);
            }
        }
    }

    void keys_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QChar>("key");
        QTest::addColumn<bool>("amount");
        QTest::addColumn<bool>("rate");
        QTest::newRow("digit") << "12" << QChar(u'5') << true << true;
        QTest::newRow("first point") << "12" << QChar(u'.') << true << true;
        QTest::newRow("second point") << "1.2" << QChar(u'.') << false << false;
        QTest::newRow("percent") << "17" << QChar(u'%') << false << true;
        QTest::newRow("letter") << "12" << QChar(u'a') << false << false;
        QTest::newRow("minus") << "" << QChar(u'-') << false << false;
        QTest::newRow("backspace") << "1.2" << QChar(u'\b') << true << true;
    }
    void keys()
    {
        QFETCH(QString, text);
        QFETCH(QChar, key);
        QTEST(AmountKeyAccepted(text, key), "amount");
        QTEST(RateKeyAccepted(text, key), "rate");
    }

    void rates_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept"); // empty: refused
        QTest::newRow("13.0%") << "13.0%" << "13%";
        QTest::newRow("17.50%") << "17.50%" << "17.5%";
        QTest::newRow("blanks") << " 17% " << "17%";
        QTest::newRow("tax free") << "免税" << "免税";
        QTest::newRow("no %") << "17" << "";
        QTest::newRow("only %") << "%" << "";
        QTest::newRow("two points") << "1.2.3%" << "";
    }
    void rates()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QCOMPARE(NormalisedRate(typed).value_or(QString()), kept);
    }

    // Each row breaks one check of a complete invoice: its message, and the focus on its field.
    void checks_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("code") << QByteArray("edtFPDM") << " " << "发票代码不能为空！";
        QTest::newRow("number") << QByteArray("edtFPHM") << "" << "发票号码不能为空！";
        QTest::newRow("buyer of blanks") << QByteArray("edtGHDW") << "  " << "购货单位不能为空！";
        QTest::newRow("identity number") << QByteArray("edtGHDWID") << "" << "身份证号码/组织机构代码不能为空！";
        QTest::newRow("vehicle type") << QByteArray("cmbCLLX") << "" << "车辆类型不能为空！";
        QTest::newRow("model") << QByteArray("cmbCPXH") << " " << "厂牌型号不能为空！";
        QTest::newRow("origin") << QByteArray("edtCD") << "" << "产地不能为空！";
        QTest::newRow("chassis") << QByteArray("edtCJHM") << "" << "车架号码/车辆识别号码不能为空！";
        QTest::newRow("engine") << QByteArray("edtFDJH") << " " << "发动机号不能为空,如没有发动机号请选择无！";
        QTest::newRow("total no number") << QByteArray("edtJSHJ") << "12a" << "价税合计只能是数值！";
        QTest::newRow("total zero") << QByteArray("edtJSHJ") << "0.00" << "价税合计不能为零！";
    }
    void checks()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TframeInput frame;
        typeInvoice(frame);
        QVERIFY(frame.CheckInput());
        QVERIFY(boxes.shown.isEmpty());
        lineOf(frame, field.constData())->setText(text);
        QVERIFY(!frame.CheckInput());
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, message);
        QWidget *focused = frame.focusWidget();
        QVERIFY(focused);
        QWidget *expected = frame.findChild<QWidget *>(QString::fromLatin1(field));
        QVERIFY2(focused == expected || focused->parent() == expected, qPrintable(focused->objectName()));
    }

    // A blank identity number is a number typed; the check passes it.
    void blankIdentityNumberPasses()
    {
        TframeInput frame;
        typeInvoice(frame);
        lineOf(frame, "edtGHDWID")->setText(QStringLiteral("  "));
        QVERIFY(frame.CheckInput());
    }

    void totalAndRateFields()
    {
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TframeInput frame;
        frame.show();
        QLineEdit *total = lineOf(frame, "edtJSHJ");
        QLineEdit *rate = lineOf(frame, "cbxSL");
        total->setText(QStringLiteral("117"));
        QCOMPARE(frame.findChild<QLabel *>(QStringLiteral("stBHSJ"))->text(), QStringLiteral("100.00"));
        QCOMPARE(frame.findChild<QLabel *>(QStringLiteral("stJSHJDX"))->text(), QStringLiteral("壹佰壹拾柒圆整"));
        // Keys the field does not take are swallowed.
        total->setFocus();
        total->setCursorPosition(total->text().size());
        QTest::keyClicks(total, QStringLiteral("a.5.1"));
        QCOMPARE(total->text(), QStringLiteral("117.51"));
        emit total->editingFinished();
        QCOMPARE(total->text(), QStringLiteral("117.51"));
        total->setText(QStringLiteral("117.5"));
        emit total->editingFinished();
        QCOMPARE(total->text(), QStringLiteral("117.50"));
        // Emptied, it is 0.00 at once.
        total->clear();
        QCOMPARE(total->text(), QStringLiteral("0.00"));

        // Leaving the rate rewrites it or refuses it.
        rate->setText(QStringLiteral("13.0%"));
        QFocusEvent leave(QEvent::FocusOut);
        QApplication::sendEvent(rate, &leave);
        QCOMPARE(rate->text(), QStringLiteral("13%"));
        rate->setText(QStringLiteral("17"));
        QApplication::sendEvent(rate, &leave);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("税率不正确，请参照原有税率格式重新输入或选择！"));
    }

    // Enter walks the fields in the invoice's order; in the seats it asks for printing.
    void enterMovesOn()
    {
        TframeInput frame;
        frame.show();
        QApplication::setActiveWindow(&frame);
        const char *order[] = {"edtGHDW", "edtGHDWID", "cmbCLLX", "cmbCPXH", "edtCD", "edtHGZHM", "edtJKZMHM",
                               "edtSJDHM", "edtFDJH", "edtCJHM", "edtJSHJ", "cbxSL", "edtDW", "edtXCRS"};
        lineOf(frame, order[0])->setFocus();
        for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
            QTest::keyClick(lineOf(frame, order[i]), Qt::Key_Return);
            QWidget *next = frame.findChild<QWidget *>(QString::fromLatin1(order[i + 1]));
            QVERIFY2(frame.focusWidget() == next || frame.focusWidget() == lineOf(frame, order[i + 1]), order[i + 1]);
        }
        int requested = 0;
        connect(&frame, &TframeInput::PrintRequested, this, [&] { ++requested; });
        QTest::keyClick(lineOf(frame, "edtXCRS"), Qt::Key_Return);
        QCOMPARE(requested, 1);
    }

    // A whole invoice: typed, checked, its details asked and stored under the typed invoice,
    // printed at 600 dpi with a barcode that reads back as the typed record; then cleared for
    // the next, keeping the document name and the displacement.
    void wholeInvoicePrinted()
    {
        TempSettings settings;
        TestDatabase db(Backend::SQLite);
        EnsureBuyerTable(db.connection());
        QTemporaryDir folder;
        QDir(folder.path()).mkpath(QStringLiteral("template"));
        QFile::copy(QStringLiteral(TEMPLATE_DIR "/PrintTemplate.xml"), folder.filePath(QStringLiteral("template/PrintTemplate.xml")));
        AppSettings().AppDir = folder.path() + QLatin1Char('/');

        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        ListedInvoices list(db.connection(), QDate(2026, 12, 10));
        ScriptedPrompt prompt;
        prompt.connection = &db.connection();
        FixedClock clock(QDateTime(QDate(2026, 12, 10), QTime(10, 15)));
        ImagePrinters printers(600, 0);
        FirstPrinter choice;
        std::unique_ptr<TPDF417BarCode> barcode = std::make_unique<TPDF417BarCode>(Dll);
        UnsavedSettingsNotice notice;
        AutomaticBookmark bookmark(clock, notice);
        PrintFlow flow({db.connection(), list, prompt, clock, bookmark}, printers, choice, barcode);

        TfrmMKNormalInv window(flow, prompt);
        window.show();
        TframeInput &frame = *window.Frame();
        frame.SetPause(0);
        typeInvoice(frame);
        const BuyerDetails answer{QStringLiteral("护照"), QStringLiteral("13900000000"), QStringLiteral("200000"),
                                  QStringLiteral(" 上海市浦东新区 "), QStringLiteral("1.6")};

        // Cancel at the printer choice: nothing printed, the entries stay.
        prompt.answers = {answer};
        choice.cancel = true;
        window.btnPrtClick();
        QVERIFY(printers.pages.isEmpty());
        QCOMPARE(lineOf(frame, "edtFPHM")->text(), QStringLiteral("00000042"));

        choice.cancel = false;
        prompt.answers = {answer};
        boxes.replies = {true}; // 继续开票
        window.btnPrtClick();
        QCOMPARE(prompt.requests.last().invoiceCode, QStringLiteral("132000000001"));
        QCOMPARE(prompt.requests.last().invoiceNumber, QStringLiteral("00000042"));
        QCOMPARE(printers.pages.size(), 1);
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("请将A4纸张装在打印机上，\n单击确定进行打印车辆基本信息表！！！"));
        QCOMPARE(boxes.shown[1].text, QStringLiteral("开票成功，是否继续开票？？？"));

        QStringList expected{QStringLiteral("王五"), QStringLiteral("护照"), QStringLiteral("110101199001011234"),
                             QStringLiteral("13900000000"), QStringLiteral("200000"), QStringLiteral("上海市浦东新区"),
                             QString(), QString(), QStringLiteral("LFV2A21K5A3001234"), QStringLiteral("大众FV7152"),
                             QStringLiteral("2026-12-10"), QStringLiteral("00000042"), QStringLiteral("132000000001"),
                             QStringLiteral("117000.00"), QStringLiteral("1.6"), QStringLiteral("17%"), QString(),
                             QStringLiteral("5"), QStringLiteral("110101200801010"), QStringLiteral("13205810000"),
                             QStringLiteral("北京市朝阳区"), QString(), QString(), QString()};
        const QList<PdfSymbol> found = PdfSymbolsOn(printers.pages[0]);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0].bytes, Gbk::encode(BarcodePayload(expected)));

        QVERIFY(BuyerDetailsExist(db.connection(), QStringLiteral("00000042"), QStringLiteral("132000000001")));
        QSqlQuery stored = db.connection().Query(
            QStringLiteral("select zjlx,lxdh,yzbm,lxdz from kerrowvantis where jddm='132000000001' and jdhm='00000042'"));
        QVERIFY(stored.next());
        QCOMPARE(stored.value(0).toString(), QStringLiteral("护照"));
        QCOMPARE(stored.value(3).toString(), answer.address);

        // Cleared for the next invoice: the document name and displacement are remembered.
        QCOMPARE(lineOf(frame, "edtFPHM")->text(), QString());
        QCOMPARE(lineOf(frame, "edtJSHJ")->text(), QStringLiteral("0.00"));
        QCOMPARE(lineOf(frame, "edtFDJH")->text(), QStringLiteral("无"));
        QCOMPARE(lineOf(frame, "cmbCPXH")->text(), QStringLiteral("大众FV7152"));
        QCOMPARE(frame.RememberedDetails().documentType, QStringLiteral("护照"));
        QCOMPARE(frame.RememberedDetails().displacement, QStringLiteral("1.6"));
        QCOMPARE(frame.RememberedDetails().address, QString());
        QVERIFY(window.isVisible());
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestManualEntry test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_manualentry.moc"
