#include "TestDatabase.h"
#include "ReportTool.h"
#include "ScriptedBrowser.h"
#include "TestSupport.h"

#include "config/Settings.h"
#include "db/JdcConnection.h"
#include "db/SellerDetails.h"
#include "db/demo/InvoicingSchema.h"
#include "reports/FolderBrowser.h"
#include "reports/FrmMKICData.h"
#include "reports/FrmSBSJ.h"
#include "reports/ICData.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <libxml/parser.h>
#include <libxml/tree.h>

namespace {

DemoInvoice invoice(const char *number, const char *issued, const char *flag, const QString &maker, const char *total)
{
    DemoInvoice v;
    v.jddm = QStringLiteral("132000000001"), v.jdhm = QString::fromLatin1(number);
    v.kprq = v.kpsj = QString::fromLatin1(issued), v.fpbz = QString::fromLatin1(flag);
    v.cd = maker, v.cpxh = QStringLiteral("大众FV7152"), v.cjhm = QStringLiteral("LFV2A21K5A3001234");
    v.jshj = QString::fromLatin1(total);
    return v;
}

// The document as a real parser reads it from its GBK bytes: each element as "name=text", in
// document order, texts only for elements without children.
QStringList parsed(const QByteArray &document)
{
    QStringList elements;
    xmlDoc *doc = xmlReadMemory(document.constData(), int(document.size()), nullptr, nullptr, XML_PARSE_NONET);
    if (!doc)
        return {QStringLiteral("<not well-formed>")};
    const std::function<void(xmlNode *)> walk = [&](xmlNode *node) {
        for (; node; node = node->next) {
            if (node->type != XML_ELEMENT_NODE)
                continue;
            const QString name = QString::fromUtf8(reinterpret_cast<const char *>(node->name));
            if (xmlFirstElementChild(node)) {
                elements << name;
                walk(node->children);
            } else {
                xmlChar *text = xmlNodeGetContent(node);
                elements << name + QLatin1Char('=') + QString::fromUtf8(reinterpret_cast<const char *>(text));
                xmlFree(text);
            }
        }
    };
    walk(xmlDocGetRootElement(doc));
    xmlFreeDoc(doc);
    return elements;
}

QStringList lineOf(int number, const char *invoiceNumber, const QString &maker, const char *amount)
{
    return {QStringLiteral("JDC_QYJDCXSFPB_LC"), QStringLiteral("JDC_QYJDCXSFPB_XH=%1").arg(number),
            QStringLiteral("JDC_QYJDCXSFPB_FPDM=132000000001"), QStringLiteral("JDC_QYJDCXSFPB_FPHM=") + QLatin1String(invoiceNumber),
            QStringLiteral("JDC_QYJDCXSFPB_SCQYMC=") + maker, QStringLiteral("JDC_QYJDCXSFPB_CPXH=大众FV7152"),
            QStringLiteral("JDC_QYJDCXSFPB_CJHMHCLSBDM=LFV2A21K5A3001234"), QStringLiteral("JDC_QYJDCXSFPB_JFHJJE=") + QLatin1String(amount)};
}

SellerValues seller()
{
    SellerValues values;
    values.SellerName = QStringLiteral("某某汽车销售有限公司");
    values.SellerTaxNo = QStringLiteral("110101200801010");
    return values;
}

} // namespace

class TestICData : public QObject
{
    Q_OBJECT

private slots:
    void monthAndFileName_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("file");
        QTest::newRow("15 March") << QDate(2009, 3, 15) << "2009-02" << "SB_N_20090315_JDC_QYJDCXSFPB.xml";
        QTest::newRow("31 March") << QDate(2009, 3, 31) << "2009-02" << "SB_N_20090331_JDC_QYJDCXSFPB.xml";
        QTest::newRow("January") << QDate(2009, 1, 20) << "2008-12" << "SB_N_20090120_JDC_QYJDCXSFPB.xml";
    }
    void monthAndFileName()
    {
        QFETCH(QDate, today);
        QFETCH(QString, month);
        QFETCH(QString, file);
        QCOMPARE(ICDataMonth(today), month);
        QCOMPARE(ICDataFileName(QStringLiteral("N"), today), file);
    }

    void shortestDecimal_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shortest");
        for (const auto &[from, to] : {std::pair{"150000", "150000"}, {"150000.00", "150000"}, {"123456.50", "123456.5"},
                                       {"0.5", "0.5"}, {"1.5E5", "150000"}, {"50000.5", "50000.5"}})
            QTest::newRow(from) << QString::fromLatin1(from) << QString::fromLatin1(to);
    }
    void shortestDecimal()
    {
        QFETCH(QString, text);
        QFETCH(QString, shortest);
        QCOMPARE(ShortestDecimal(text), shortest);
    }

    void document_data() { AddBackendRows(); }
    void document()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        const QString odd = QStringLiteral("甲&乙<丙>");
        InsertInvoice(db.connection(), invoice("00000002", "2009-02-20 10:00:00", "2", odd, "50000.5"));
        InsertInvoice(db.connection(), invoice("00000001", "2009-02-01 00:00:00", "0", QStringLiteral("一汽"), "100000"));
        InsertInvoice(db.connection(), invoice("00000003", "2009-02-10 00:00:00", "1", QStringLiteral("作废外"), "7"));
        InsertInvoice(db.connection(), invoice("00000004", "2009-03-01 00:00:00", "0", QStringLiteral("下月"), "7"));
        // No amount and no maker: empty elements, nothing added to the total. A control
        // character XML forbids is left out.
        InsertInvoice(db.connection(), invoice("00000005", "2009-02-25 00:00:00", "0", QStringLiteral("x"), "8"));
        db.connection().Execute(QStringLiteral("update bdjdcxstyfp set jshj = NULL, cd = NULL, cpxh = '大众\x01" "FV7152' "
                                               "where jdhm = '00000005'"));
        const QByteArray document = MakeICDocument(db.connection(), QStringLiteral("2009-02"), seller());
        QVERIFY(document.startsWith("<?xml version=\"1.0\" encoding=\"GBK\"?>"));
        QStringList expected{QStringLiteral("JDC_QYJDCXSFPB"), QStringLiteral("JDC_QYJDCXSFPB_BTXX"), QStringLiteral("JDC_QYJDCXSFPB_NSRMC=某某汽车销售有限公司"),
                             QStringLiteral("JDC_QYJDCXSFPB_NSRSBH=110101200801010"), QStringLiteral("JDC_QYJDCXSFPB_SSQ=200902"),
                             QStringLiteral("JDC_QYJDCXSFPB_MXXX")};
        expected << lineOf(1, "00000001", QStringLiteral("一汽"), "100000") << lineOf(2, "00000002", odd, "50000.5")
                 << lineOf(3, "00000005", QString(), "");
        expected << QStringLiteral("JDC_QYJDCXSFPB_HJ") << QStringLiteral("JDC_QYJDCXSFPB_JFHJJE_HJ= 150000.50");
        QCOMPARE(parsed(document), expected);

        const QStringList empty = parsed(MakeICDocument(db.connection(), QStringLiteral("2009-05"), seller()));
        QCOMPARE(empty.mid(5), (QStringList{"JDC_QYJDCXSFPB_MXXX=", "JDC_QYJDCXSFPB_HJ", "JDC_QYJDCXSFPB_JFHJJE_HJ=      0.00"}));
    }

    // The file's name carries the day it is made, not its month: a file of that name holding
    // another month is replaced only on --force; one of the same month is replaced.
    void commandLineKeepsAnotherMonth_data()
    {
        QTest::addColumn<QString>("earlier"); // the month already written, or "not ours"
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("held"); // the tax period the file holds afterwards; empty: "not ours"
        QTest::newRow("same month replaced") << "2026-10" << QStringList{"--month", "2026-10"} << 0 << "202610";
        QTest::newRow("another month kept") << "2026-10" << QStringList{"--month", "2026-11"} << 6 << "202610";
        QTest::newRow("another month forced") << "2026-10" << QStringList{"--month", "2026-11", "--force"} << 0 << "202611";
        QTest::newRow("a file not ours kept") << "not ours" << QStringList{"--month", "2026-11"} << 6 << "";
        QTest::newRow("a file not ours forced") << "not ours" << QStringList{"--month", "2026-11", "--force"} << 0 << "202611";
    }
    void commandLineKeepsAnotherMonth()
    {
        QFETCH(QString, earlier);
        QFETCH(QStringList, options);
        QFETCH(int, status);
        QFETCH(QString, held);
        TestDatabase db(Backend::SQLite);
        InsertSeller(db.connection(), TestSeller());
        InsertInvoice(db.connection(), invoice("00000001", "2026-10-20 10:00:00", "0", QStringLiteral("十月"), "100000"));
        InsertInvoice(db.connection(), invoice("00000002", "2026-11-20 10:00:00", "0", QStringLiteral("十一月"), "50000.5"));
        const ReportTool tool(QStringLiteral(REPORT_TOOL_PATH));
        QTemporaryDir out;
        const QStringList common{"ic-data", "--dsn", db.dsn(), "--out", out.path()};
        const QString path = out.filePath(ICDataFileName(TestSeller().nsrsbh, QDate::currentDate()));
        if (earlier == QLatin1String("not ours")) {
            writeFileBytes(path, "<notes>not an IC-card file</notes>");
        } else {
            const ReportTool::Run first = tool.run(common + QStringList{"--month", earlier});
            QVERIFY2(first.status == 0, qPrintable(first.error));
            QCOMPARE(first.output, path);
        }
        const QByteArray before = readFileBytes(path);

        const ReportTool::Run second = tool.run(common + options);
        QVERIFY2(second.status == status, qPrintable(second.error));
        const QByteArray after = readFileBytes(path);
        if (held.isEmpty())
            QCOMPARE(after, before);
        else
            QCOMPARE(parsed(after).value(4), QStringLiteral("JDC_QYJDCXSFPB_SSQ=") + held);
        if (status == 0) {
            QCOMPARE(second.output, path);
        } else {
            QCOMPARE(after, before);
            QVERIFY2(second.error.contains(QLatin1String("--force")), qPrintable(second.error));
        }
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(path).fileName()});
    }

    // In the window, a file of another month is the question that says which months; No keeps it.
    void windowAsksBeforeReplacingAnotherMonth()
    {
        TempSettings settings;
        RecordingMessageBoxes boxes;
        boxes.replies = {false, true};
        ScopedMessageBoxes scope(boxes);
        TestDatabase db(Backend::SQLite);
        InsertSeller(db.connection(), TestSeller());
        LoadSellerDetails(db.connection());
        InsertInvoice(db.connection(), invoice("00000001", "2009-01-20 00:00:00", "0", QStringLiteral("一月"), "100000"));
        InsertInvoice(db.connection(), invoice("00000002", "2009-02-01 00:00:00", "0", QStringLiteral("二月"), "7"));
        QTemporaryDir out;
        ScriptedBrowser browser;
        browser.answer = out.path();
        FixedClock clock(QDateTime(QDate(2009, 3, 15), QTime(9, 0)));
        TfrmMKICData window(db.connection(), &browser, clock);
        window.btnPathClick();
        const QString path = window.FileNameEdit()->text();
        WriteICDataFile(db.connection(), path, QStringLiteral("2009-01"), Seller());
        const QByteArray january = readFileBytes(path);

        window.btnExportClick();
        QCOMPARE(boxes.shown.last().kind, MessageKind::Question);
        QCOMPARE(boxes.shown.last().text,
                 path + QStringLiteral("已经存在，是否重新生成？？\n其中是2009-01的数据，将替换为2009-02的数据。"));
        QCOMPARE(readFileBytes(path), january);
        window.btnExportClick();
        QCOMPARE(boxes.shown.last().text, QStringLiteral("导出数据成功！"));
        QCOMPARE(parsed(readFileBytes(path)).value(4), QStringLiteral("JDC_QYJDCXSFPB_SSQ=200902"));

        // A file of its own month is asked about as before.
        window.btnExportClick();
        QCOMPARE(boxes.shown.last().text, path + QStringLiteral("已经存在，是否重新生成？？"));
    }

    // The browser starts in the folder last chosen through the program's browser, in this window or
    // another, while it exists; else in the user's documents (made when missing).
    void browserStartsInTheLastFolder_data()
    {
        QTest::addColumn<bool>("chosenBefore");
        QTest::addColumn<bool>("removedSince");
        QTest::newRow("nothing chosen yet") << false << false;
        QTest::newRow("chosen before") << true << false;
        QTest::newRow("chosen before, since removed") << true << true;
    }
    void browserStartsInTheLastFolder()
    {
        QFETCH(bool, chosenBefore);
        QFETCH(bool, removedSince);
        TempSettings settings;
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TJdcConnection unused;
        QTemporaryDir out;
        const QString before = out.filePath(QStringLiteral("前次"));
        QVERIFY(QDir().mkpath(before));
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        ScriptedBrowser browser;
        FixedClock clock(QDateTime(QDate(2009, 3, 15), QTime(9, 0)));
        TfrmMKICData window(unused, &browser, clock);
        browser.answer = chosenBefore ? before : QString();
        window.btnPathClick();
        if (removedSince)
            QVERIFY(QDir(before).removeRecursively());
        browser.answer.clear();
        TfrmSBSJ archive(unused, &browser, clock);
        QVERIFY(!archive.MakeSBSJXml()); // cancelled
        QCOMPARE(browser.starts, (QStringList{documents, chosenBefore && !removedSince ? before : documents}));
        QCOMPARE(browser.startsExisted, (QList<bool>{true, true}));
        QVERIFY(boxes.shown.isEmpty());
    }

    void windowWritesReplacesAndKeeps()
    {
        TempSettings settings;
        RecordingMessageBoxes boxes;
        boxes.replies = {false, true};
        ScopedMessageBoxes scope(boxes);
        TestDatabase db(Backend::SQLite);
        InsertSeller(db.connection(), TestSeller());
        LoadSellerDetails(db.connection());
        InsertInvoice(db.connection(), invoice("00000001", "2009-02-01 00:00:00", "0", QStringLiteral("一汽"), "100000"));
        QTemporaryDir out;
        AppSettings().AppDir = out.path() + QStringLiteral("/none/");
        ScriptedBrowser browser;
        FixedClock clock(QDateTime(QDate(2009, 3, 15), QTime(9, 0)));
        TfrmMKICData window(db.connection(), &browser, clock);
        QCOMPARE(window.windowTitle(), QStringLiteral("生成IC卡申报数据"));
        const QString name = QStringLiteral("SB_110101200801010_20090315_JDC_QYJDCXSFPB.xml");
        QCOMPARE(window.FileNameEdit()->text(), out.path() + QStringLiteral("/none/") + name);

        window.btnExportClick(); // the folder does not exist
        QCOMPARE(boxes.shown.last().text, QStringLiteral("请检测驱动器%1是否就绪!").arg(out.path() + QStringLiteral("/none")));
        window.FileNameEdit()->setText(QStringLiteral("  "));
        window.btnExportClick();
        QCOMPARE(boxes.shown.last().text, QStringLiteral("请选择导出文件的路径!"));

        browser.answer = out.path();
        window.btnPathClick();
        const QString path = out.path() + QLatin1Char('/') + name;
        QCOMPARE(window.FileNameEdit()->text(), path);
        writeFileBytes(path, "old");
        window.btnExportClick(); // No: the old file stays
        QCOMPARE(boxes.shown.last().text, path + QStringLiteral("已经存在，是否重新生成？？"));
        QCOMPARE(readFileBytes(path), QByteArray("old"));
        window.btnExportClick(); // Yes
        QCOMPARE(boxes.shown.last().text, QStringLiteral("导出数据成功！"));
        QVERIFY(window.View()->toPlainText().contains(QStringLiteral("<JDC_QYJDCXSFPB_NSRMC>某某汽车销售有限公司</JDC_QYJDCXSFPB_NSRMC>")));
        const QByteArray made = readFileBytes(path);
        QCOMPARE(parsed(made).value(9), QStringLiteral("JDC_QYJDCXSFPB_FPHM=00000001"));

        // A failed make keeps the file it would have replaced, and says so.
        db.connection().Execute(QStringLiteral("drop table bdjdcxstyfp"));
        boxes.replies = {true};
        const QString shown = window.View()->toPlainText();
        window.btnExportClick();
        QCOMPARE(boxes.shown.last().kind, MessageKind::Error);
        QCOMPARE(boxes.shown.last().text, QStringLiteral("导出数据失败！"));
        QCOMPARE(readFileBytes(path), made);
        QCOMPARE(window.View()->toPlainText(), shown);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestICData test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_icdata.moc"
