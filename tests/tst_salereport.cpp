#include "TestDatabase.h"
#include "ReportTool.h"
#include "ScriptedBrowser.h"
#include "TestSupport.h"

#include "config/AppError.h"
#include "config/Settings.h"
#include "db/JdcConnection.h"
#include "db/SellerDetails.h"
#include "db/demo/InvoicingSchema.h"
#include "reports/FolderBrowser.h"
#include "reports/FrmMKSaleReport.h"
#include "reports/SaleReport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");
const QString TemplateFile = QStringLiteral(TEMPLATE_DIR "/机动车销售统一发票清单.vts");
const QDate March(2008, 3, 1);

DemoInvoice invoice(const char *code, const char *number, const char *issued, const char *flag, const char *total)
{
    DemoInvoice v;
    v.jddm = QString::fromLatin1(code), v.jdhm = QString::fromLatin1(number);
    v.kprq = v.kpsj = QString::fromLatin1(issued), v.fpbz = QString::fromLatin1(flag);
    v.cd = QStringLiteral("  一汽-大众汽车有限公司 "), v.cpxh = QStringLiteral("大众FV7152 "), v.cjhm = QStringLiteral(" LFV2A21K5A3001234");
    v.jshj = QString::fromLatin1(total);
    return v;
}

// March 2008: four invoices issued or voided, listed by code and number, the last without an
// amount; one marked otherwise and one of April are left out.
void insertMonth(TJdcConnection &c)
{
    InsertInvoice(c, invoice("132000000002", "00000002", "2008-03-03 10:00:00", "0", "7"));
    c.Execute(QStringLiteral("update bdjdcxstyfp set jshj = NULL where jdhm = '00000002'"));
    InsertInvoice(c, invoice("132000000002", "00000001", "2008-03-02 10:00:00", "0", "117000.50"));
    InsertInvoice(c, invoice("132000000001", "00000009", "2008-03-31 23:59:59", "2", "100000"));
    InsertInvoice(c, invoice("132000000001", "00000003", "2008-03-01 00:00:00", "0", "0.5"));
    InsertInvoice(c, invoice("132000000001", "00000004", "2008-03-05 09:00:00", "1", "9"));
    InsertInvoice(c, invoice("132000000001", "00000005", "2008-04-01 00:00:00", "0", "9"));
}

// What xlrd sees: (row, column) → {type, value}.
QHash<QPair<int, int>, QJsonObject> xlrdCells(const QString &path)
{
    QProcess p;
    p.start(Python, {QStringLiteral(XLS_DUMP_PATH), path});
    p.waitForFinished(120000);
    QHash<QPair<int, int>, QJsonObject> cells;
    for (const QJsonValue &cell : QJsonDocument::fromJson(p.readAllStandardOutput()).object().value(QLatin1String("cells")).toArray()) {
        const QJsonObject o = cell.toObject();
        cells.insert({o.value(QLatin1String("row")).toInt(), o.value(QLatin1String("column")).toInt()}, o);
    }
    return cells;
}

QString text(const QHash<QPair<int, int>, QJsonObject> &cells, int row, int column)
{
    const QJsonObject cell = cells.value({row, column});
    return cell.value(QLatin1String("type")).toString() + QLatin1Char(':') + cell.value(QLatin1String("value")).toVariant().toString();
}

// A program folder of the test's own with the template in it.
struct ProgramFolder {
    ProgramFolder()
    {
        QDir(dir.path()).mkpath(QStringLiteral("template"));
        QFile::copy(TemplateFile, dir.filePath(QStringLiteral("template/机动车销售统一发票清单.vts")));
        AppSettings().AppDir = dir.path() + QLatin1Char('/');
    }
    QTemporaryDir dir;
};

} // namespace

class TestSaleReport : public QObject
{
    Q_OBJECT

private slots:
    void monthAndName_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("seller");
        QTest::addColumn<QString>("name");
        QTest::newRow("March") << QDate(2009, 3, 31) << "某某汽车" << "某某汽车2009年02月机动车销售统一发票清单.xls";
        QTest::newRow("January") << QDate(2009, 1, 15) << "某某汽车" << "某某汽车2008年12月机动车销售统一发票清单.xls";
        QTest::newRow("name a file cannot hold") << QDate(2009, 1, 1) << "A/B:C*D?\"E<F>G|H\\I" << "A_B_C_D__E_F_G_H_I2008年12月机动车销售统一发票清单.xls";
        QTest::newRow("blanks kept") << QDate(2009, 5, 1) << " 甲 " << " 甲 2009年04月机动车销售统一发票清单.xls";
    }
    void monthAndName()
    {
        QFETCH(QDate, today);
        QFETCH(QString, seller);
        QFETCH(QString, name);
        QCOMPARE(SaleReportName(seller, SaleReportMonth(today)), name);
    }

    void listReadByOtherReaders_data() { AddBackendRows(); }
    void listReadByOtherReaders()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TempSettings settings;
        TestDatabase db(backend);
        InsertSeller(db.connection(), TestSeller());
        LoadSellerDetails(db.connection());
        insertMonth(db.connection());
        QTemporaryDir out;
        const QString path = out.filePath(QStringLiteral("list.xls"));
        WriteSaleReport(db.connection(), TemplateFile, path, March, Seller());

        const auto cells = xlrdCells(path);
        QCOMPARE(text(cells, 2, 1), QStringLiteral("text:企业名称：某某汽车销售有限公司"));
        QCOMPARE(text(cells, 2, 4), QStringLiteral("text:纳税人识别号：110101200801010"));
        QCOMPARE(text(cells, 2, 6), QStringLiteral("text:所属期限：2008年03月"));
        const QStringList expected[] = {
            {"text:1", "text:132000000001", "text:00000003", "text:一汽-大众汽车有限公司", "text:大众FV7152", "text:LFV2A21K5A3001234", "number:0.5"},
            {"text:2", "text:132000000001", "text:00000009", "text:一汽-大众汽车有限公司", "text:大众FV7152", "text:LFV2A21K5A3001234", "number:100000"},
            {"text:3", "text:132000000002", "text:00000001", "text:一汽-大众汽车有限公司", "text:大众FV7152", "text:LFV2A21K5A3001234", "number:117000.5"},
            {"text:4", "text:132000000002", "text:00000002", "text:一汽-大众汽车有限公司", "text:大众FV7152", "text:LFV2A21K5A3001234", "number:0"},
        };
        for (int i = 0; i < 4; ++i) {
            for (int column = 1; column <= 7; ++column)
                QCOMPARE(text(cells, 4 + i, column), expected[i][column - 1]);
        }
        QCOMPARE(text(cells, 8, 1), QStringLiteral("text:合计"));
        QCOMPARE(text(cells, 8, 7), QStringLiteral("number:217001"));
        QVERIFY(!cells.contains({9, 1}));
        for (int row = 3; row <= 8; ++row) {
            for (int column = 1; column <= 7; ++column)
                QCOMPARE(cells.value({row, column}).value(QLatin1String("lines")).toArray(), (QJsonArray{1, 1, 1, 1}));
        }

        // gnumeric calculates the total again from the formula.
        const QString csv = path + QStringLiteral(".csv");
        QProcess ssconvert;
        ssconvert.start(QStringLiteral("ssconvert"), {QStringLiteral("--recalc"), path, csv});
        QVERIFY(ssconvert.waitForFinished(120000) && ssconvert.exitCode() == 0);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        QVERIFY2(lines.value(7).startsWith(QStringLiteral("合计,")) && lines.value(7).endsWith(QStringLiteral(",217001")),
                 qPrintable(lines.value(7)));
    }

    void monthWithoutInvoicesHasNineEmptyRows()
    {
        TempSettings settings;
        TestDatabase db(Backend::SQLite);
        QTemporaryDir out;
        const QString path = out.filePath(QStringLiteral("list.xls"));
        WriteSaleReport(db.connection(), TemplateFile, path, March, Seller());
        const auto cells = xlrdCells(path);
        for (int i = 0; i < 9; ++i) {
            QCOMPARE(text(cells, 4 + i, 1), QStringLiteral("text:%1").arg(i + 1));
            QCOMPARE(cells.value({4 + i, 7}).value(QLatin1String("lines")).toArray(), (QJsonArray{1, 1, 1, 1}));
        }
        QCOMPARE(text(cells, 13, 1), QStringLiteral("text:合计"));
        QCOMPARE(text(cells, 13, 7), QStringLiteral("number:0"));
        QCOMPARE(cells.value({13, 4}).value(QLatin1String("lines")).toArray(), (QJsonArray{1, 1, 1, 1}));
    }

    void failedMakeKeepsTheEarlierReport()
    {
        TempSettings settings;
        TestDatabase db(Backend::SQLite);
        QTemporaryDir out;
        const QString path = out.filePath(QStringLiteral("list.xls"));
        writeFileBytes(path, "earlier report");
        QVERIFY_THROWS_EXCEPTION(AppError, WriteSaleReport(db.connection(), out.filePath(QStringLiteral("none.vts")), path, March, Seller()));
        db.connection().Execute(QStringLiteral("drop table bdjdcxstyfp"));
        QVERIFY_THROWS_EXCEPTION(AppError, WriteSaleReport(db.connection(), TemplateFile, path, March, Seller()));
        QCOMPARE(readFileBytes(path), QByteArray("earlier report"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{QStringLiteral("list.xls")});
    }

    void windowMakesTheReportAndShowsWhatTheFileHolds()
    {
        TempSettings settings;
        RecordingMessageBoxes boxes;
        boxes.replies = {false, true};
        ScopedMessageBoxes scope(boxes);
        TestDatabase db(Backend::SQLite);
        InsertSeller(db.connection(), TestSeller());
        LoadSellerDetails(db.connection());
        insertMonth(db.connection());
        ProgramFolder program;
        QTemporaryDir out;
        ScriptedBrowser browser;
        FixedClock clock(QDateTime(QDate(2008, 4, 10), QTime(9, 0)));
        {
            TfrmMKSaleReport window(db.connection(), &browser, clock);
            QCOMPARE(window.windowTitle(), QStringLiteral("生成《机动车销售统一发票清单》"));
            QCOMPARE(window.ShownCells().value(2).value(1), QStringLiteral("发票代码")); // the template
            window.btnMakeRepClick(); // cancelled: nothing happens
            QVERIFY(boxes.shown.isEmpty());

            browser.answer = out.path();
            window.btnMakeRepClick();
            const QString path = out.path() + QStringLiteral("/某某汽车销售有限公司2008年03月机动车销售统一发票清单.xls");
            QCOMPARE(window.ReportPath(), path);
            QCOMPARE(boxes.shown.size(), 1);
            QCOMPARE(boxes.shown[0].text, QStringLiteral("成功生成某某汽车销售有限公司2008年03月机动车销售统一发票清单.xls"));
            QCOMPARE(window.ShownCells().value(4).value(2), QStringLiteral("00000009"));
            QCOMPARE(browser.titles, (QStringList{"请选择文件存储路径", "请选择文件存储路径"}));

            // Again: the operator is asked first; No keeps the file, Yes makes it anew.
            const QByteArray made = readFileBytes(path);
            writeFileBytes(path, "old");
            window.btnMakeRepClick();
            QCOMPARE(boxes.shown.last().text, path + QStringLiteral("已经存在，是否重新生成？？"));
            QCOMPARE(readFileBytes(path), QByteArray("old"));
            window.btnMakeRepClick();
            QCOMPARE(readFileBytes(path), made);
            window.show();
            window.close();
        }
        // The chosen folder is where the next window starts.
        QCOMPARE(ReadReportPath(), out.path() + QLatin1Char('/'));
        QFile::remove(program.dir.filePath(QStringLiteral("template/机动车销售统一发票清单.vts")));
        TfrmMKSaleReport again(db.connection(), &browser, clock);
        QCOMPARE(again.ShownCells().value(4).value(2), QStringLiteral("00000009")); // read back from the file
        again.btnMakeRepClick();
        QCOMPARE(boxes.shown.last().text, QStringLiteral("模板文件不存在！"));
    }

    // The folder browser accepts only a folder that exists: the one it starts in is made first.
    void browserStartsInTheReportFolderMadeForIt_data()
    {
        QTest::addColumn<QString>("stored"); // inside a temporary folder; empty: none stored
        QTest::newRow("default beside the program") << QString();
        QTest::newRow("stored folder since removed") << QStringLiteral("gone/报表/");
    }
    void browserStartsInTheReportFolderMadeForIt()
    {
        QFETCH(QString, stored);
        TempSettings settings;
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TJdcConnection unused;
        ProgramFolder program;
        QTemporaryDir out;
        if (!stored.isEmpty())
            WriteReportPath(out.filePath(stored));
        const QString start = stored.isEmpty() ? program.dir.filePath(QStringLiteral("报表")) : out.filePath(stored);
        ScriptedBrowser browser;
        FixedClock clock(QDateTime(QDate(2008, 4, 10), QTime(9, 0)));
        TfrmMKSaleReport window(unused, &browser, clock);
        window.btnMakeRepClick(); // cancelled
        QCOMPARE(browser.starts.size(), 1);
        QCOMPARE(QDir::cleanPath(browser.starts[0]), QDir::cleanPath(start));
        QCOMPARE(browser.startsExisted, QList<bool>{true});
    }

    // The list a scheduled job made is the list the window finds and asks before it replaces:
    // one name and one place for both, whatever blanks the seller's name carries.
    void windowFindsTheListTheToolMade_data()
    {
        QTest::addColumn<QString>("seller");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain name") << "某某汽车" << "某某汽车2008年03月机动车销售统一发票清单.xls";
        QTest::newRow("blanks around the name") << "  某某汽车 " << "某某汽车 2008年03月机动车销售统一发票清单.xls";
    }
    void windowFindsTheListTheToolMade()
    {
        QFETCH(QString, seller);
        QFETCH(QString, name);
        TempSettings settings;
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TestDatabase db(Backend::SQLite);
        DemoSeller dealer = TestSeller();
        dealer.xhdwmc = seller;
        InsertSeller(db.connection(), dealer);
        LoadSellerDetails(db.connection());
        insertMonth(db.connection());
        QTemporaryDir out;
        const ReportTool tool(QStringLiteral(REPORT_TOOL_PATH), TemplateFile);
        const ReportTool::Run run
            = tool.run({"sales-list", "--month", "2008-03", "--dsn", db.dsn(), "--out", out.path()});
        QVERIFY2(run.status == 0, qPrintable(run.error));
        const QString path = out.filePath(name);
        QCOMPARE(run.output, path);

        ProgramFolder program;
        WriteReportPath(out.path());
        ScriptedBrowser browser;
        browser.answer = out.path();
        FixedClock clock(QDateTime(QDate(2008, 4, 10), QTime(9, 0)));
        TfrmMKSaleReport window(db.connection(), &browser, clock);
        QCOMPARE(window.ReportPath(), path);
        QCOMPARE(window.ShownCells().value(4).value(2), QStringLiteral("00000009")); // the tool's list, not the template
        window.btnMakeRepClick(); // No: the tool's list stays, and no second list appears
        QCOMPARE(boxes.shown.value(0).text, path + QStringLiteral("已经存在，是否重新生成？？"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{name});
    }

    // The command-line tool, from a program folder of its own.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("withTemplate");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("written");
        QTest::newRow("sales list") << QStringList{"sales-list", "--month", "2008-03", "--dsn", "kvtest_sqlite", "--out", "OUT"}
                                    << true << 0 << "某某汽车销售有限公司2008年03月机动车销售统一发票清单.xls";
        QTest::newRow("taxml") << QStringList{"taxml", "--month", "2008-03", "--dsn", "kvtest_sqlite", "--out", "OUT"} << true
                               << 0 << "某某汽车销售有限公司(110101200801010-2008-03).zip";
        QTest::newRow("ic data") << QStringList{"ic-data", "--month", "2008-03", "--dsn", "kvtest_sqlite", "--out", "OUT"} << true
                                 << 0 << QStringLiteral("SB_110101200801010_%1_JDC_QYJDCXSFPB.xml").arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
        QTest::newRow("no such data source") << QStringList{"sales-list", "--dsn", "kv_missing", "--out", "OUT"} << true << 2 << "";
        QTest::newRow("template missing") << QStringList{"sales-list", "--dsn", "kvtest_sqlite", "--out", "OUT"} << false << 3 << "";
        QTest::newRow("folder missing") << QStringList{"taxml", "--dsn", "kvtest_sqlite", "--out", "OUT/none"} << true << 4 << "";
        QTest::newRow("bad month") << QStringList{"taxml", "--month", "2008-13"} << true << 1 << "";
        QTest::newRow("no report named") << QStringList{} << true << 1 << "";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, withTemplate);
        QFETCH(int, status);
        QFETCH(QString, written);
        TestDatabase db(Backend::SQLite);
        InsertSeller(db.connection(), TestSeller());
        insertMonth(db.connection());
        const ReportTool tool(QStringLiteral(REPORT_TOOL_PATH), withTemplate ? TemplateFile : QString());
        QTemporaryDir out;
        arguments.replaceInStrings(QStringLiteral("OUT"), out.path());
        const ReportTool::Run run = tool.run(arguments);
        QVERIFY2(run.status == status, qPrintable(run.error));
        if (status == 0) {
            const QString path = out.filePath(written);
            QCOMPARE(run.output, path);
            QVERIFY(QFile::exists(path));
        } else {
            QVERIFY(!run.error.isEmpty());
            QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList());
        }
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestSaleReport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_salereport.moc"
