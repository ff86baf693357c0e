// The printing and upload flows without a window: a list of one day's invoices, a scripted
// details prompt and printer choice, printers that print into images, the test tax server.

#include "ListedInvoices.h"
#include "ScriptedBrowser.h"
#include "ScriptedPrompt.h"
#include "TestCertificates.h"
#include "TestDatabase.h"
#include "TestPrinters.h"
#include "TestSupport.h"
#include "TestTaxServer.h"

#include "config/AppError.h"
#include "config/AppIniFile.h"
#include "config/ErrorDisplay.h"
#include "config/GbkText.h"
#include "config/Settings.h"
#include "config/SettingsNotice.h"
#include "db/BuyerDetails.h"
#include "db/demo/InvoicingSchema.h"
#include "declare/Bookmark.h"
#include "declare/DeclarationSeams.h"
#include "declare/PrintFlow.h"
#include "declare/RecordExport.h"
#include "declare/PrinterChoice.h"
#include "declare/UploadFlow.h"
#include "print/FormPreview.h"
#include "print/PDF417BarCode.h"
#include "reports/ICData.h"
#include "reports/SaleReport.h"
#include "reports/TaxML.h"
#include "upload/MyIdHttp.h"
#include "upload/PasswordExchange.h"
#include "upload/UploadJournal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <optional>
#include <thread>

namespace {

// Ends every other session of the test's PostgreSQL database, as a server restart or a network
// fault would; through ODBC of its own, so that it may run on a thread of its own.
void dropOtherSessions(const QString &dsn)
{
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    const QByteArray name = dsn.toUtf8();
    if (SQL_SUCCEEDED(SQLConnect(dbc, (SQLCHAR *)name.constData(), SQL_NTS, nullptr, 0, nullptr, 0))) {
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
        SQLExecDirect(stmt,
                      (SQLCHAR *)"select pg_terminate_backend(pid) from pg_stat_activity where pid <> pg_backend_pid() "
                                 "and datname = current_database()",
                      SQL_NTS);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(dbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

const QString Dll = QStringLiteral(BARCODEDLL_PATH);
const QString TaxNo = QStringLiteral("110101200801010");
const QString Code = QStringLiteral("132000000001");
const QDate Day(2026, 12, 10);

const BuyerDetails Answer{QStringLiteral("身份证"), QStringLiteral("13900000000"), QStringLiteral("200000"),
                          QStringLiteral("上海市浦东新区"), QStringLiteral("2.0")};

DemoInvoice newInvoice(const QString &number, const QString &issued, const QString &code = Code)
{
    DemoInvoice v;
    v.jddm = code;
    v.jdhm = number;
    v.kpsj = issued;
    v.kprq = issued.left(19);
    v.ghdw = QStringLiteral("王五");
    v.sfzhm = QStringLiteral("110101199001011234");
    v.fdjhm = QStringLiteral("EA211") + number;
    v.jshj = QStringLiteral("117000");
    v.zzsse = QStringLiteral("17000");
    v.nsrsbh = TaxNo;
    return v;
}

// Every box with the bookmark as it stood when the box came up.
class BoxesWithBookmark final : public MessageBoxes
{
public:
    struct Shown {
        MessageKind kind;
        QString text;
        QString bookmarkNumber; // EndNumber at that moment
    };

    void show(MessageKind kind, const QString &text) override
    {
        shown.append({kind, text, ReadBookmark().value_or(IssueBookmark()).invoiceNumber});
    }
    bool askYesNo(const QString &) override { return false; }

    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }

    QList<Shown> shown;
};

class ScriptedChoice final : public PrinterChoice
{
public:
    std::optional<QString> Choose(const QStringList &installed, const QString &) override
    {
        ++asked;
        return cancel ? std::nullopt : std::optional<QString>(installed.value(0));
    }
    int asked = 0;
    bool cancel = false;
};

// One day's list on the test's own database, with the clock at 10:15 and the bookmark there.
struct Flows {
    explicit Flows(Backend backend, bool issueTimeAsText = false)
        : database(backend, issueTimeAsText)
        , list(database.connection(), Day)
    {
        EnsureBuyerTable(database.connection());
        prompt.connection = &database.connection();
        Seller().SellerTaxNo = TaxNo;
        Seller().TaxAuthCode = QStringLiteral("13205810000");
        automatic.Reset();
    }

    DeclarationSeams seams() { return {database.connection(), list, prompt, clock, automatic}; }
    // The bookmark as the settings file holds it.
    IssueBookmark bookmark() const { return ReadBookmark().value_or(IssueBookmark()); }
    void insert(const DemoInvoice &invoice) { InsertInvoice(database.connection(), invoice); }

    QString mark(const QString &number) { return UploadMark(database.connection(), number); }

    // One invoice listed and selected, sold by 某某汽车销售有限公司: what the files are made of.
    void listOneInvoice()
    {
        insert(newInvoice(QStringLiteral("00000001"), QStringLiteral("2026-12-10 09:00:00.000")));
        list.Refresh();
        list.current = 0;
        Seller().SellerName = QStringLiteral("某某汽车销售有限公司");
    }

    TempSettings settings;
    TestDatabase database;
    FixedClock clock{QDateTime(Day, QTime(10, 15))};
    UnsavedSettingsNotice notice;
    AutomaticBookmark automatic{clock, notice};
    ListedInvoices list;
    ScriptedPrompt prompt;
    BoxesWithBookmark boxes;
    ScopedMessageBoxes scope{boxes};
};

// Printing: the shipped template in a program folder of the test's own, printers into images.
struct Printing : Flows {
    explicit Printing(Backend backend = Backend::SQLite, bool issueTimeAsText = false)
        : Flows(backend, issueTimeAsText)
        , flow(seams(), printers, choice, barcode)
    {
        QDir(folder.path()).mkpath(QStringLiteral("template"));
        QFile::copy(QStringLiteral(TEMPLATE_DIR "/PrintTemplate.xml"), folder.filePath(QStringLiteral("template/PrintTemplate.xml")));
        AppSettings().AppDir = folder.path() + QLatin1Char('/');
    }

    QTemporaryDir folder;
    std::unique_ptr<TPDF417BarCode> barcode = std::make_unique<TPDF417BarCode>(Dll);
    ImagePrinters printers{150, 0};
    ScriptedChoice choice;
    PrintFlow flow;
};

// Uploading to the test tax server.
struct Uploading : Flows {
    explicit Uploading(Backend backend = Backend::SQLite, bool showInput = false, bool issueTimeAsText = false)
        : Flows(backend, issueTimeAsText)
        , server({QStringLiteral("--password"), TaxNo})
        , flow(seams())
    {
        AppSettings().AuthenServer = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        AppSettings().UploadAction = QStringLiteral("upload");
        AppSettings().AuthenPwd = TaxNo;
        AppSettings().ShowInput = showInput;
    }

    TaxServer server;
    UploadFlow flow;
};

} // namespace

class TestDeclare : public QObject
{
    Q_OBJECT

private slots:
    // Two invoices of one issue time and one issued at a finer time than milliseconds: each is
    // printed once, in issue-time order, and the bookmark has moved before the success box shows.
    void automaticPrintingTakesEachInvoiceOnce_data() { AddBackendRows(); }
    void automaticPrintingTakesEachInvoiceOnce()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        Printing p(backend);
        p.insert(newInvoice(QStringLiteral("00000003"), QStringLiteral("2026-12-10 10:20:00.500")));
        p.insert(newInvoice(QStringLiteral("00000002"), QStringLiteral("2026-12-10 10:20:00.500")));
        p.insert(newInvoice(QStringLiteral("00000001"), QStringLiteral("2026-12-10 10:30:00.123456")));
        p.insert(newInvoice(QStringLiteral("00000004"), QStringLiteral("2026-12-10 10:14:00.000"))); // before the start

        p.prompt.answers = {Answer, Answer, Answer};
        for (int tick = 0; tick < 3; ++tick)
            p.flow.AutoPrintNext();
        QCOMPARE(p.flow.CurrentRecord().Value(PrintRecord::dz), Answer.address); // the dialog's values went to paper
        for (int tick = 0; tick < 2; ++tick)
            p.flow.AutoPrintNext();
        QStringList asked;
        for (const DetailsRequest &request : std::as_const(p.prompt.requests))
            asked << request.invoiceNumber;
        QCOMPARE(asked, (QStringList{"00000002", "00000003", "00000001"}));
        QCOMPARE(p.printers.pages.size(), 3);
        QCOMPARE(p.boxes.shown.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(p.boxes.shown[i].text, QStringLiteral("打印车辆基本信息表成功！"));
            QCOMPARE(p.boxes.shown[i].bookmarkNumber, asked[i]);
        }
        QVERIFY2(p.bookmark().issueTime.startsWith(QLatin1String("2026-12-10 10:30:00.123456")),
                 qPrintable(p.bookmark().issueTime));
        // The new invoice's dialog opens with what is known of it: nothing yet, so "身份证" stays.
        QCOMPARE(p.prompt.requests[0].invoiceCode, Code);
        QCOMPARE(p.prompt.requests[0].details.documentType, QString());
    }

    // Issue times kept as text in the forms real databases write, and one that is no time at all:
    // each invoice after the start is handled once in the order of its time, the one before the
    // start never, the unreadable one never and said once, and the bookmark is always a time.
    void issueTimesInEveryFormAndNone_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<bool>("upload");
        for (Backend backend : {Backend::SQLite, Backend::PostgreSQL}) {
            for (bool upload : {false, true}) {
                const QByteArray name = BackendName(backend).toLatin1() + (upload ? ", upload" : ", printing");
                QTest::newRow(name.constData()) << backend << upload;
            }
        }
    }
    void issueTimesInEveryFormAndNone()
    {
        QFETCH(Backend, backend);
        QFETCH(bool, upload);
        SKIP_UNAVAILABLE(backend);
        std::optional<Printing> p;
        std::optional<Uploading> u;
        Flows &f = upload ? static_cast<Flows &>(u.emplace(backend, true, true))
                          : static_cast<Flows &>(p.emplace(backend, true));
        const QList<std::pair<const char *, const char *>> invoices{
            {"00000001", "2026-12-10T10:05:00"},           // before the start, as text sorting after it
            {"00000002", "garbage"},                       // no time at all
            {"00000003", "2026-12-11"},                    // a later day, without a time
            {"00000004", "2026-12-10 10:20:00.123456789"}, // nanoseconds
            {"00000005", "2026-12-10T10:20:00"},
            {"00000006", " 2026-12-10 10:20:00.5 "},       // blanks around
            {"00000007", ""},                              // none (NULL)
            {"00000008", "10/12/2026 10:40"}};             // a form of no database, sorting before the day
        for (const auto &[number, issued] : invoices) {
            DemoInvoice invoice = newInvoice(QString::fromLatin1(number), QString::fromLatin1(issued));
            invoice.kprq = QStringLiteral("2026-12-10 10:00:00");
            f.insert(invoice);
        }
        QStringList bookmarks;
        for (int tick = 0; tick < 6; ++tick) {
            f.prompt.answers = {Answer};
            if (upload)
                u->flow.AutoUploadStep();
            else
                p->flow.AutoPrintNext();
            bookmarks << f.bookmark().issueTime;
        }
        QStringList handled;
        for (const DetailsRequest &request : std::as_const(f.prompt.requests))
            handled << request.invoiceNumber;
        QCOMPARE(upload ? u->server.requests().size() : p->printers.pages.size(), 4);
        QCOMPARE(handled, (QStringList{"00000005", "00000004", "00000006", "00000003"}));
        QCOMPARE(bookmarks, (QStringList{"2026-12-10 10:20:00.000", "2026-12-10 10:20:00.123456789",
                                         "2026-12-10 10:20:00.500", "2026-12-11 00:00:00.000",
                                         "2026-12-11 00:00:00.000", "2026-12-11 00:00:00.000"}));
        QStringList said;
        for (const auto &box : std::as_const(f.boxes.shown)) {
            if (box.kind == MessageKind::Warning)
                said << box.text;
        }
        QCOMPARE(said.size(), 1);
        for (const QString &told : {QStringLiteral("发票号码 00000002  开票时间“garbage”"),
                                    QStringLiteral("发票号码 00000007  开票时间“”"),
                                    QStringLiteral("发票号码 00000008  开票时间“10/12/2026 10:40”")})
            QVERIFY2(said[0].contains(told), qPrintable(said[0]));
        f.list.Refresh(); // the list still shows it
        QVERIFY(f.list.model.FindInvoice(Code, QStringLiteral("00000002")) >= 0);
    }

    // The settings file stops taking writes while the automatic steps run, locked by an
    // administrator or on a full disk: each invoice is still printed or uploaded exactly once and
    // marked, and the operator is told once that the file did not take the bookmark.
    void settingsFileRefusesTheBookmark_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<bool>("full");
        QTest::newRow("printing, immutable file") << false << false;
        QTest::newRow("printing, full file system") << false << true;
        QTest::newRow("upload, immutable file") << true << false;
        QTest::newRow("upload, full file system") << true << true;
    }
    void settingsFileRefusesTheBookmark()
    {
        QFETCH(bool, upload);
        QFETCH(bool, full);
        std::optional<Printing> p;
        std::optional<Uploading> u;
        Flows &f = upload ? static_cast<Flows &>(u.emplace()) : static_cast<Flows &>(p.emplace());
        const QByteArray start = f.settings.read();
        std::optional<SmallFileSystem> small;
        std::optional<ImmutableFile> locked;
        if (full) {
            small.emplace(f.settings.folder());
            if (!small->mounted())
                QSKIP("no small file system can be mounted here");
            f.settings.write(start);
            small->fill();
        } else {
            locked.emplace(f.settings.path());
            if (!locked->made())
                QSKIP("chattr +i does not work here");
        }
        f.insert(newInvoice(QStringLiteral("00000001"), QStringLiteral("2026-12-10 10:20:00.000")));
        f.insert(newInvoice(QStringLiteral("00000002"), QStringLiteral("2026-12-10 10:30:00.000")));

        for (int tick = 0; tick < 4; ++tick) {
            f.prompt.answers = {Answer};
            if (upload)
                u->flow.AutoUploadStep();
            else
                p->flow.AutoPrintNext();
        }
        QCOMPARE(upload ? u->server.requests().size() : p->printers.pages.size(), 2);
        if (upload) {
            QCOMPARE(f.mark(QStringLiteral("00000001")), QStringLiteral("1"));
            QCOMPARE(f.mark(QStringLiteral("00000002")), QStringLiteral("1"));
        }
        QStringList kinds;
        for (const auto &box : std::as_const(f.boxes.shown))
            kinds << (box.kind == MessageKind::Warning ? box.text.left(8) : QStringLiteral("success"));
        QCOMPARE(kinds, (QStringList{"设置文件无法写入", "success", "success"}));
        QCOMPARE(f.settings.read(), start);
    }

    // A record whose barcode the library cannot make (far beyond what a PDF417 holds) is never
    // printed and never reported as printed.
    void formWithoutBarcodeIsRefused()
    {
        Printing p;
        DemoInvoice invoice = newInvoice(QStringLiteral("00000005"), QStringLiteral("2026-12-10 10:20:00.000"));
        invoice.ghdw = QString(2000, QChar(0x738B));
        p.insert(invoice);
        const QString refused = QStringLiteral("条码生成失败，申报表未打印：");

        p.prompt.answers = {Answer, Answer};
        for (int tick = 1; tick <= 2; ++tick) {
            p.flow.AutoPrintNext();
            QCOMPARE(p.prompt.requests.size(), tick); // the same invoice every tick
            QVERIFY2(p.boxes.lastText().startsWith(refused), qPrintable(p.boxes.lastText()));
            QCOMPARE(p.bookmark().issueTime, QStringLiteral("2026-12-10 10:15:00.000"));
        }

        p.list.Refresh();
        p.prompt.answers = {Answer};
        p.flow.PrintSelectedDeclaration();
        QVERIFY2(p.boxes.lastText().startsWith(refused), qPrintable(p.boxes.lastText()));
        QVERIFY(p.printers.pages.isEmpty());
        for (const auto &box : std::as_const(p.boxes.shown))
            QCOMPARE(box.kind, MessageKind::Warning);
    }

    // "打印预览": the same details dialog as printing, the record it makes shown; no printer needed,
    // nothing printed, the bookmark where it was.
    void previewShowsTheSelectedRecord()
    {
        struct RecordingPreview final : FormPreview {
            void Show(const QStringList &values, const QStringList &names) override { shown.append({values, names}); }
            QList<std::pair<QStringList, QStringList>> shown;
        } preview;
        Printing p;
        p.printers.SetInstalled({});
        p.insert(newInvoice(QStringLiteral("00000007"), QStringLiteral("2026-12-10 09:00:00.000")));
        p.list.Refresh();

        p.list.current = -1;
        p.flow.PreviewSelectedDeclaration(preview);
        QCOMPARE(p.boxes.lastText(), QStringLiteral("没有要打印的信息！"));
        p.list.current = 0;
        p.prompt.answers = {std::nullopt};
        p.flow.PreviewSelectedDeclaration(preview);
        QVERIFY(preview.shown.isEmpty());

        p.prompt.answers = {Answer};
        p.flow.PreviewSelectedDeclaration(preview);
        QCOMPARE(preview.shown.size(), 1);
        QCOMPARE(preview.shown[0].second, PrintRecord::FieldNames());
        QCOMPARE(preview.shown[0].first.value(PrintRecord::fphm), QStringLiteral("00000007"));
        QCOMPARE(preview.shown[0].first.value(PrintRecord::dz), Answer.address);
        QVERIFY(p.printers.pages.isEmpty());
        QCOMPARE(p.bookmark().issueTime, QStringLiteral("2026-12-10 10:15:00.000"));
    }

    // A barcode that does not read back: warned, nothing printed, the invoice offered again.
    void unreadableBarcodeKeepsTheBookmark()
    {
        Printing p;
        p.barcode = std::make_unique<TPDF417BarCode>(QStringLiteral(FAKE_DAMAGED_PATH));
        p.insert(newInvoice(QStringLiteral("00000005"), QStringLiteral("2026-12-10 10:20:00.000")));
        p.prompt.answers = {Answer};
        p.flow.AutoPrintNext();
        QCOMPARE(p.boxes.lastText(), QStringLiteral("条码校验失败，申报表未打印：条码无法识读"));
        QVERIFY(p.printers.pages.isEmpty());
        QCOMPARE(p.bookmark().issueTime, QStringLiteral("2026-12-10 10:15:00.000"));
    }

    void onDemandPrintingAsksFromTheRow()
    {
        Printing p;
        p.insert(newInvoice(QStringLiteral("00000007"), QStringLiteral("2026-12-10 09:00:00.000")));
        p.insert(newInvoice(QStringLiteral("00000008"), QStringLiteral("2026-12-10 09:10:00.000")));
        StoreBuyerDetails(p.database.connection(), QStringLiteral("00000008"), Code,
                          {QStringLiteral("其它证件"), QStringLiteral("0512"), QStringLiteral("215500"), QStringLiteral(" 常熟 "), QString()});
        p.list.Refresh();

        // No row selected: said so, nothing asked.
        p.list.current = -1;
        p.flow.PrintSelectedDeclaration();
        QCOMPARE(p.boxes.lastText(), QStringLiteral("没有要打印的信息！"));
        QVERIFY(p.prompt.requests.isEmpty());

        // Cancel at the printer choice: nothing printed, though the row took the answer.
        p.list.current = 1;
        p.prompt.answers = {Answer};
        p.choice.cancel = true;
        p.flow.PrintSelectedDeclaration();
        const DetailsRequest asked = p.prompt.requests.last();
        QCOMPARE(asked.invoiceNumber, QStringLiteral("00000008"));
        QCOMPARE(asked.details.documentType, QStringLiteral("其它证件"));
        QCOMPARE(asked.details.address, QStringLiteral(" 常熟 ")); // the cell as it stands
        QCOMPARE(p.list.model.Cell(1, InvoiceGridModel::colAddress), Answer.address);
        QCOMPARE(p.list.model.Cell(1, InvoiceGridModel::colTelephone), Answer.telephone);
        QVERIFY(p.printers.pages.isEmpty());

        p.choice.cancel = false;
        p.prompt.answers = {Answer};
        p.flow.PrintSelectedDeclaration();
        QCOMPARE(p.printers.pages.size(), 1);
        QCOMPARE(p.boxes.lastText(), QStringLiteral("打印车辆基本信息表成功！"));
        QCOMPARE(p.flow.CurrentRecord().Value(PrintRecord::pql), Answer.displacement);
        QCOMPARE(p.bookmark().issueTime, QStringLiteral("2026-12-10 10:15:00.000"));
    }

    // "导出": the row's cells trimmed, the five details as typed, "^", the field names; GBK, CR LF.
    void recordExport()
    {
        Flows f(Backend::SQLite);
        DemoInvoice invoice = newInvoice(QStringLiteral("00000007"), QStringLiteral("2026-12-10 09:00:00.000"));
        invoice.ghdw = QStringLiteral("  王五 ");
        invoice.cpxh = QStringLiteral("大众FV7152 ");
        f.insert(invoice);
        f.list.Refresh();
        QTemporaryDir out;
        ScriptedBrowser browser;
        const BuyerDetails typed{QStringLiteral("护照"), QStringLiteral(" 13900000000"), QStringLiteral("200000"),
                                 QStringLiteral(" 上海市 浦东新区 "), QStringLiteral("2.0 ")};

        // No row: said so, nothing asked.
        f.list.current = -1;
        QCOMPARE(ExportRecord(f.seams(), browser, Seller()), QString());
        QCOMPARE(f.boxes.lastText(), QStringLiteral("没有要导出的信息！"));
        QVERIFY(browser.titles.isEmpty());

        // Cancelled folder browser, then cancelled dialog: nothing written, the row unchanged.
        f.list.current = 0;
        QCOMPARE(ExportRecord(f.seams(), browser, Seller()), QString());
        QCOMPARE(browser.titles, QStringList{QStringLiteral("请选择文件存储路径")});
        // Nothing chosen yet: the browser starts in the user's documents, not the working folder.
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(browser.starts, QStringList{documents});
        QCOMPARE(browser.startsExisted, QList<bool>{true});
        QVERIFY(f.prompt.requests.isEmpty());
        browser.answer = out.path();
        f.prompt.answers = {std::nullopt};
        QCOMPARE(ExportRecord(f.seams(), browser, Seller()), QString());
        QCOMPARE(f.prompt.requests.last().invoiceNumber, QStringLiteral("00000007"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList());
        QCOMPARE(f.list.model.Cell(0, InvoiceGridModel::colAddress), QString());

        f.prompt.answers = {typed};
        const qsizetype boxesBefore = f.boxes.shown.size();
        const QString path = ExportRecord(f.seams(), browser, Seller());
        QCOMPARE(browser.starts.last(), out.path()); // the folder chosen before
        QCOMPARE(path, out.filePath(QStringLiteral("13205810000_110101200801010_20261210101500000.dat")));
        // Written, and said so with the file's place, as every writer of the program does.
        QCOMPARE(f.boxes.shown.size(), boxesBefore + 1);
        QCOMPARE(f.boxes.shown.last().kind, MessageKind::Information);
        QCOMPARE(f.boxes.lastText(), QStringLiteral("导出成功：") + QDir::toNativeSeparators(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.endsWith("\r\n"));
        const QStringList lines = Gbk::decode(bytes.chopped(2)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 2 * (InvoiceGridModel::ColumnCount - 1) + 1);
        QCOMPARE(lines[26], QStringLiteral("^"));
        QCOMPARE(lines.mid(27), PrintRecord::FieldNames());
        QCOMPARE(lines[PrintRecord::ghdw], QStringLiteral("王五"));
        QCOMPARE(lines[PrintRecord::cpxh], QStringLiteral("大众FV7152"));
        QCOMPARE(lines[PrintRecord::fphm], QStringLiteral("00000007"));
        QCOMPARE(lines[PrintRecord::zjmc], typed.documentType);
        QCOMPARE(lines[PrintRecord::lxdh], typed.telephone);
        QCOMPARE(lines[PrintRecord::yzbm], typed.postcode);
        QCOMPARE(lines[PrintRecord::dz], typed.address);
        QCOMPARE(lines[PrintRecord::pql], typed.displacement);
        QCOMPARE(f.list.model.Cell(0, InvoiceGridModel::colAddress), typed.address);

        // The same record again in the same second: a name of its own. Without a single tax
        // office the name starts with "_".
        f.clock.set(f.clock.now().addMSecs(5));
        Seller().TaxAuthCode.clear();
        f.prompt.answers = {typed};
        QCOMPARE(QFileInfo(ExportRecord(f.seams(), browser, Seller())).fileName(),
                 QStringLiteral("_110101200801010_20261210101500005.dat"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 2);

        // A folder that is not there: the reason is raised, no file anywhere.
        browser.answer = out.filePath(QStringLiteral("gone"));
        f.prompt.answers = {typed};
        const qsizetype boxesBeforeFailure = f.boxes.shown.size();
        QVERIFY_THROWS_EXCEPTION(AppError, ExportRecord(f.seams(), browser, Seller()));
        QVERIFY(!QFileInfo::exists(browser.answer));
        QCOMPARE(f.boxes.shown.size(), boxesBeforeFailure);
    }

    // The invoicing database going away at the worst moments (PostgreSQL, whose sessions can be
    // ended from outside): each failure reaches the operator, nothing is marked or printed that
    // should not be, and the next step, on a fresh connection, carries on.
    void connectionDroppedWhileListing()
    {
        SKIP_UNAVAILABLE(Backend::PostgreSQL);
        Flows f(Backend::PostgreSQL);
        f.insert(newInvoice(QStringLiteral("00000001"), QStringLiteral("2026-12-10 09:00:00.000")));
        f.list.Refresh();
        QCOMPARE(f.list.model.rowCount(), 1);
        dropOtherSessions(f.database.dsn());
        QVERIFY_THROWS_EXCEPTION(AppError, f.list.Refresh());
        f.list.Refresh(); // connected again
        QCOMPARE(f.list.model.rowCount(), 1);
    }

    void connectionDroppedBetweenFetchAndStore()
    {
        SKIP_UNAVAILABLE(Backend::PostgreSQL);
        Printing p(Backend::PostgreSQL);
        p.insert(newInvoice(QStringLiteral("00000005"), QStringLiteral("2026-12-10 10:20:00.000")));
        p.prompt.answers = {Answer};
        p.prompt.beforeAnswer = [&] { dropOtherSessions(p.database.dsn()); };
        QVERIFY_THROWS_EXCEPTION(AppError, p.flow.AutoPrintNext()); // the details could not be stored
        QVERIFY(p.printers.pages.isEmpty());
        QCOMPARE(p.bookmark().issueTime, QStringLiteral("2026-12-10 10:15:00.000"));
        p.prompt.answers = {Answer};
        p.flow.AutoPrintNext(); // on a fresh connection
        QCOMPARE(p.printers.pages.size(), 1);
        QCOMPARE(p.bookmark().invoiceNumber, QStringLiteral("00000005"));
        QVERIFY(BuyerDetailsExist(p.database.connection(), QStringLiteral("00000005"), Code));
    }

    // Gone while the record is on its way: the server keeps it and the bookmark has moved past
    // it, so it is not sent twice; the mark cannot be written, and the operator is told. The
    // journal holds the accepted exchange.
    void connectionDroppedDuringTheMarkUpdate()
    {
        SKIP_UNAVAILABLE(Backend::PostgreSQL);
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        const auto restore = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
        Uploading u(Backend::PostgreSQL);
        AppSettings().UploadAction = QStringLiteral("upload?delay-ms=1500");
        u.insert(newInvoice(QStringLiteral("00000009"), QStringLiteral("2026-12-10 10:20:00.000")));
        std::thread dropper([dsn = u.database.dsn()] {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            dropOtherSessions(dsn);
        });
        QVERIFY_THROWS_EXCEPTION(AppError, u.flow.AutoUploadStep());
        dropper.join();
        QCOMPARE(u.bookmark().invoiceNumber, QStringLiteral("00000009"));
        QCOMPARE(u.mark(QStringLiteral("00000009")), QStringLiteral("0"));
        const QList<JournalEntry> entries = UploadJournal().Entries(Day, Day);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0].resultValue, QStringLiteral("0"));
        AppSettings().UploadAction = QStringLiteral("upload");
        u.flow.AutoUploadStep(); // nothing new: the record is not sent again
        QCOMPARE(UploadJournal().Entries(Day, Day).size(), 1);
    }

    // The files the program writes, into a file system that is full and into a folder that takes
    // nothing: the earlier file stays whole, no partial file is left, and the reason is raised
    // for the operator.
    void fileFaultMatrix_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("full");
        for (const char *file : {"settings", "sales list", "IC data", "record export", "monthly archive"}) {
            QTest::newRow((QByteArray(file) + ", full file system").constData()) << QString::fromLatin1(file) << true;
            QTest::newRow((QByteArray(file) + ", read-only folder").constData()) << QString::fromLatin1(file) << false;
        }
    }
    void fileFaultMatrix()
    {
        QFETCH(QString, file);
        QFETCH(bool, full);
        Flows f(Backend::SQLite);
        f.listOneInvoice();
        const QDate month(2026, 12, 1);

        QTemporaryDir base;
        const QString folder = base.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(folder));
        std::optional<SmallFileSystem> small;
        const auto reopen = qScopeGuard([&] {
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        if (full) {
            small.emplace(folder);
            if (!small->mounted())
                QSKIP("no small file system can be mounted here");
        }

        const QMap<QString, QString> names{
            {QStringLiteral("settings"), QStringLiteral("Kerrowvantis.ini")},
            {QStringLiteral("sales list"), SaleReportName(Seller().SellerName, month)},
            {QStringLiteral("IC data"), ICDataFileName(Seller().SellerTaxNo, QDate(2027, 1, 15))},
            {QStringLiteral("record export"), QString()},
            {QStringLiteral("monthly archive"),
             SBSJBaseName(Seller().SellerName, Seller().SellerTaxNo, QStringLiteral("2026-12")) + QStringLiteral(".zip")}};
        const QString path = names[file].isEmpty() ? QString() : QDir(folder).filePath(names[file]);
        const QByteArray old = "[Other]\r\nA=the earlier file\r\n";
        if (!path.isEmpty()) {
            QFile earlier(path);
            QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write(old) == old.size());
        }
        if (full) {
            small->fill();
        } else {
            if (!path.isEmpty())
                QFile::setPermissions(path, QFileDevice::ReadOwner);
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden);

        QString why;
        {
            OrdinaryFileRights rights;
            try {
                if (file == QLatin1String("settings")) {
                    TAppIniFile(path).WriteString(QStringLiteral("Other"), QStringLiteral("A"), QString(10000, QLatin1Char('y')));
                } else if (file == QLatin1String("sales list")) {
                    WriteSaleReport(f.database.connection(), QStringLiteral(TEMPLATE_DIR "/机动车销售统一发票清单.vts"), path,
                                    month, Seller());
                } else if (file == QLatin1String("IC data")) {
                    WriteICDataFile(f.database.connection(), path, QStringLiteral("2026-12"), Seller());
                } else if (file == QLatin1String("record export")) {
                    ScriptedBrowser browser;
                    browser.answer = folder;
                    f.prompt.answers = {Answer};
                    ExportRecord(f.seams(), browser, Seller());
                } else {
                    WriteSBSJArchive(f.database.connection(), folder, month, Seller());
                }
            } catch (const AppError &error) {
                why = error.text();
            }
        }
        QVERIFY2(!why.isEmpty(), "the write did not fail");
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), before);
        if (!path.isEmpty()) {
            QFile earlier(path);
            QVERIFY(earlier.open(QIODevice::ReadOnly));
            QCOMPARE(earlier.readAll(), old);
        }
    }

    // A file's name made of database values never leaves the chosen folder: a seller's name, a
    // taxpayer number or a tax office code with separators or ".." is one name in the folder.
    // The folder is deep inside the test's own, with a folder for the names to climb into.
    void namesFromTheDatabaseStayInTheFolder_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("value");
        for (const char *file : {"sales list", "IC data", "record export", "monthly archive"}) {
            QTest::newRow((QByteArray(file) + ", climbing out").constData()) << QString::fromLatin1(file)
                                                                             << QStringLiteral("../../../escape/EVIL");
            QTest::newRow((QByteArray(file) + ", separators").constData()) << QString::fromLatin1(file)
                                                                           << QStringLiteral("甲/乙\\丙");
        }
    }
    void namesFromTheDatabaseStayInTheFolder()
    {
        QFETCH(QString, file);
        QFETCH(QString, value);
        Flows f(Backend::SQLite);
        f.listOneInvoice();
        const QDate month(2026, 12, 1);
        QTemporaryDir base;
        const QString folder = base.filePath(QStringLiteral("a/b/c/out"));
        QVERIFY(QDir().mkpath(folder) && QDir().mkpath(base.filePath(QStringLiteral("a/escape"))));

        QString path;
        if (file == QLatin1String("sales list")) {
            Seller().SellerName = value;
            path = SaleReportPath(folder, Seller().SellerName, month);
            WriteSaleReport(f.database.connection(), QStringLiteral(TEMPLATE_DIR "/机动车销售统一发票清单.vts"), path, month,
                            Seller());
        } else if (file == QLatin1String("IC data")) {
            Seller().SellerTaxNo = value;
            path = WriteICData(f.database.connection(), folder, QDate(2027, 1, 15), month, Seller());
        } else if (file == QLatin1String("record export")) {
            Seller().TaxAuthCode = value;
            ScriptedBrowser browser;
            browser.answer = folder;
            f.prompt.answers = {Answer};
            path = ExportRecord(f.seams(), browser, Seller());
        } else {
            Seller().SellerName = value;
            path = WriteSBSJArchive(f.database.connection(), folder, month, Seller());
        }
        QCOMPARE(QFileInfo(path).absolutePath(), folder);
        QVERIFY2(QFileInfo(path).fileName().contains(QStringLiteral("escape_EVIL"))
                     || QFileInfo(path).fileName().contains(QStringLiteral("甲_乙_丙")),
                 qPrintable(path));
        QStringList written;
        for (QDirIterator it(base.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
            written << it.next();
        QCOMPARE(written, QStringList{path});
    }

    // An amount stored as a text that is no number is never written as 0.00: the report, the
    // archive and the upload message are refused, the invoice named, and an earlier file stays.
    // PostgreSQL keeps the amount as text here, as some invoicing databases do.
    void amountThatIsNoNumberIsRefused_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("amount");
        for (const Backend backend : {Backend::SQLite, Backend::PostgreSQL}) {
            for (const char *file : {"sales list", "IC data", "monthly archive", "upload message"}) {
                for (const char *amount : {"1,234.50", "12元", "-"}) {
                    const QByteArray name = BackendName(backend).toLatin1() + ", " + file + ", " + amount;
                    QTest::newRow(name.constData()) << backend << QString::fromLatin1(file) << QString::fromUtf8(amount);
                }
            }
        }
    }
    void amountThatIsNoNumberIsRefused()
    {
        QFETCH(Backend, backend);
        QFETCH(QString, file);
        QFETCH(QString, amount);
        SKIP_UNAVAILABLE(backend);
        Flows f(backend);
        if (backend == Backend::PostgreSQL)
            f.database.connection().Execute(QStringLiteral("alter table bdjdcxstyfp alter column jshj type varchar(30)"));
        // Around the invoice in question, one of no amount and one of a blank amount: both 0.00.
        f.insert(newInvoice(QStringLiteral("00000001"), QStringLiteral("2026-12-10 09:00:00.000")));
        DemoInvoice odd = newInvoice(QStringLiteral("00000002"), QStringLiteral("2026-12-10 09:30:00.000"));
        odd.jshj = amount;
        f.insert(odd);
        DemoInvoice none = newInvoice(QStringLiteral("00000003"), QStringLiteral("2026-12-10 09:40:00.000"));
        none.jshj.clear();
        f.insert(none);
        f.database.connection().Execute(QStringLiteral("update bdjdcxstyfp set jshj = '  ' where jdhm = '00000001'"));
        Seller().SellerName = QStringLiteral("某某汽车销售有限公司");
        const QDate month(2026, 12, 1);
        QTemporaryDir folder;
        const QMap<QString, QString> names{
            {QStringLiteral("sales list"), SaleReportName(Seller().SellerName, month)},
            {QStringLiteral("IC data"), ICDataFileName(Seller().SellerTaxNo, QDate(2027, 1, 15))},
            {QStringLiteral("monthly archive"),
             SBSJBaseName(Seller().SellerName, Seller().SellerTaxNo, QStringLiteral("2026-12")) + QStringLiteral(".zip")}};
        const QString path = names.contains(file) ? QDir(folder.path()).filePath(names[file]) : QString();
        if (!path.isEmpty())
            writeFileBytes(path, "the earlier file");

        const auto make = [&] {
            if (file == QLatin1String("sales list"))
                WriteSaleReport(f.database.connection(), QStringLiteral(TEMPLATE_DIR "/机动车销售统一发票清单.vts"), path, month,
                                Seller());
            else if (file == QLatin1String("IC data"))
                WriteICData(f.database.connection(), folder.path(), QDate(2027, 1, 15), month, Seller());
            else if (file == QLatin1String("monthly archive"))
                WriteSBSJArchive(f.database.connection(), folder.path(), month, Seller());
            else
                MakeInvoiceTaxML(f.database.connection(), Code, QStringLiteral("00000002"));
        };
        QString why;
        try {
            make();
        } catch (const EConvertError &error) {
            why = error.text();
        }
        QCOMPARE(why, QStringLiteral("发票代码 132000000001、发票号码 00000002 的价税合计“%1”不是有效的金额").arg(amount));
        if (!path.isEmpty()) {
            QCOMPARE(readFileBytes(path), QByteArray("the earlier file"));
            QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{names[file]});
        }

        // Once the amount is a number, the same data make the file: no amount and blanks are 0.00.
        f.database.connection().Execute(QStringLiteral("update bdjdcxstyfp set jshj = '1234.50' where jdhm = '00000002'"));
        make();
        if (!path.isEmpty())
            QVERIFY(readFileBytes(path) != "the earlier file");
    }

    // An amount the database holds as no number: the list shows it as it is, and no form is
    // printed with it, automatically or on demand, nor is it exported.
    void amountThatIsNoNumberIsNeverPrintedOrExported()
    {
        Printing p;
        DemoInvoice invoice = newInvoice(QStringLiteral("00000005"), QStringLiteral("2026-12-10 10:20:00.000"));
        invoice.jshj = QStringLiteral("1,234.50");
        p.insert(invoice);
        const QString refused =
            QStringLiteral("申报表未打印：发票代码 132000000001、发票号码 00000005 的价税合计“1,234.50”不是有效的金额");

        p.prompt.answers = {Answer};
        p.flow.AutoPrintNext();
        QCOMPARE(p.boxes.lastText(), refused);
        QCOMPARE(p.bookmark().issueTime, QStringLiteral("2026-12-10 10:15:00.000"));

        p.list.Refresh();
        p.list.current = 0;
        QCOMPARE(p.list.model.Cell(0, InvoiceGridModel::colTotal), QStringLiteral("1,234.50"));
        p.prompt.answers = {Answer};
        p.flow.PrintSelectedDeclaration();
        QCOMPARE(p.boxes.lastText(), refused);
        QVERIFY(p.printers.pages.isEmpty());

        QTemporaryDir out;
        ScriptedBrowser browser;
        browser.answer = out.path();
        p.prompt.answers = {Answer};
        try {
            ExportRecord(p.seams(), browser, Seller());
            QFAIL("exported");
        } catch (const EConvertError &error) {
            QCOMPARE(QStringLiteral("申报表未打印：") + error.text(), refused);
        }
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // The faults of the exchange, at the automatic upload: each is said, nothing is marked, the
    // bookmark stays for the next tick, and the journal keeps what happened.
    void uploadFaultMatrix_data()
    {
        QTest::addColumn<QStringList>("server");   // the test server's arguments; empty: none listening
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QByteArray>("caFile");    // certificate file to trust, if any
        QTest::addColumn<QString>("said");         // the box's text, or its start for a network failure
        const QString network = QStringLiteral("网络连接失败:,详细信息：");
        QTest::newRow("refused connection") << QStringList() << "http" << QByteArray() << network + "Couldn't connect";
        QTest::newRow("reset in the middle of the reply")
            << QStringList{"--reply", "reset"} << "http" << QByteArray() << network;
        QTest::newRow("reply cut in its headers") << QStringList{"--reply", "headcut"} << "http" << QByteArray()
                                                  << network + QStringLiteral("服务器的应答在头部中途中断");
        QTest::newRow("a reply that never ends") << QStringList{"--reply", "endless"} << "http" << QByteArray()
                                                 << network + "Timeout was reached";
        QTest::newRow("HTTP 500") << QStringList{"--status", "500"} << "http" << QByteArray()
                                  << network + "HTTP/1.1 500 Internal Server Error";
        QTest::newRow("redirect loop") << QStringList{"--location", "/upload"} << "http" << QByteArray()
                                       << network + "Number of redirects hit maximum amount";
        QTest::newRow("20 kB reply, Response beyond 10,240 bytes") << QStringList{"--reply", "long"} << "http"
                                                                    << QByteArray() << "";
        QTest::newRow("reply without Response") << QStringList{"--reply", "noresponse"} << "http" << QByteArray() << "";
        const QString certificate = network + QStringLiteral("SSL peer certificate or SSH remote key was not OK (");
        QTest::newRow("TLS, unknown authority") << QStringList{"--tls", "server.pem", "server.key"} << "https"
                                                << QByteArray() << certificate + "SSL certificate problem: unable to get local issuer";
        QTest::newRow("TLS, wrong host name") << QStringList{"--tls", "other.pem", "other.key"} << "https"
                                              << QByteArray("ca.pem") << certificate + "SSL: no alternative certificate subject name";
    }
    void uploadFaultMatrix()
    {
        QFETCH(QStringList, server);
        QFETCH(QString, scheme);
        QFETCH(QByteArray, caFile);
        QFETCH(QString, said);
        static TestCertificates certificates;
        static const bool made = certificates.Make();
        QVERIFY(made);
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        // Only the endless reply needs to be given up on soon; a TLS handshake under the
        // sanitizers on a busy machine may take a second or more.
        TMyIdHttp::SetTimeouts(10000, server.contains(QStringLiteral("endless")) ? 1500 : 30000);
        const auto restore = qScopeGuard([] {
            qunsetenv("XDG_DATA_HOME");
            TMyIdHttp::SetTimeouts(10000, 30000);
        });

        Uploading u;
        if (!caFile.isEmpty())
            u.settings.write("[NetConfig]\r\nCAFile=" + QFile::encodeName(certificates.Path(caFile.constData())) + "\r\n");
        for (QString &argument : server) {
            if (argument.endsWith(QLatin1String(".pem")) || argument.endsWith(QLatin1String(".key")))
                argument = certificates.Path(argument.toLatin1().constData());
        }
        std::unique_ptr<TaxServer> faulty;
        if (server.isEmpty()) {
            u.server.stop(); // its port, with nobody listening
        } else {
            faulty = std::make_unique<TaxServer>(server + QStringList{QStringLiteral("--password"), TaxNo});
            QVERIFY2(faulty->port() > 0, qPrintable(faulty->failure()));
            AppSettings().AuthenServer = QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(faulty->port());
        }
        u.insert(newInvoice(QStringLiteral("00000009"), QStringLiteral("2026-12-10 10:20:00.000")));

        u.flow.AutoUploadStep();
        QCOMPARE(u.boxes.shown.size(), 1);
        QCOMPARE(u.boxes.shown[0].kind, MessageKind::Warning);
        const QString text = u.boxes.shown[0].text;
        QVERIFY2(said.isEmpty() ? text.isEmpty() : text.startsWith(said), qPrintable(text));
        QCOMPARE(u.mark(QStringLiteral("00000009")), QStringLiteral("0"));
        QCOMPARE(u.bookmark().invoiceNumber, QString());
        const QList<JournalEntry> entries = UploadJournal().Entries(Day, Day);
        QCOMPARE(entries.size(), 1);
        QVERIFY(entries[0].resultValue != QLatin1String("0"));
        QCOMPARE(entries[0].invoiceNumber, QStringLiteral("00000009"));
    }

    // Every exchange leaves one journal entry: what was sent (no password anywhere in the file,
    // the record as its size and SHA-256) and what came back, accepted, refused or failed alike.
    void journalKeepsEveryExchange()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        const auto restore = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
        const QString secret = QStringLiteral("pw-Kz91x");
        Uploading u;
        TaxServer server({QStringLiteral("--password"), secret});
        AppSettings().AuthenServer = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        AppSettings().AuthenPwd = secret;
        u.insert(newInvoice(QStringLiteral("00000001"), QStringLiteral("2026-12-10 10:20:00.000")));
        u.insert(newInvoice(QStringLiteral("00000002"), QStringLiteral("2026-12-10 10:21:00.000")));
        u.insert(newInvoice(QStringLiteral("00000003"), QStringLiteral("2026-12-10 10:22:00.000")));
        const QString packed = MakeInvoiceTaxML(u.database.connection(), Code, QStringLiteral("00000001")).packed;

        QVERIFY(u.flow.UploadInvoice(Code, QStringLiteral("00000001")).first);
        AppSettings().UploadAction = QStringLiteral("upload?refuse=%E5%8F%91%E7%A5%A8%E5%B7%B2%E4%BD%9C%E5%BA%9F");
        QVERIFY(!u.flow.UploadInvoice(Code, QStringLiteral("00000002")).first);
        server.stop();
        QVERIFY(!u.flow.UploadInvoice(Code, QStringLiteral("00000003")).first);
        QVERIFY(u.boxes.shown.isEmpty());

        const QList<JournalEntry> entries = UploadJournal().Entries(Day, Day);
        QCOMPARE(entries.size(), 3);
        const QString host = QStringLiteral("127.0.0.1:%1").arg(server.port());
        for (int i = 0; i < 3; ++i) {
            const JournalEntry &e = entries[i];
            QCOMPARE(e.kind, QStringLiteral("上传"));
            QCOMPARE(e.invoiceCode, Code);
            QCOMPARE(e.invoiceNumber, QStringLiteral("0000000%1").arg(3 - i)); // newest first
            QCOMPARE(e.host, host);
            QCOMPARE(e.action, QStringLiteral("upload"));
            QCOMPARE(e.time, u.clock.now());
            QVERIFY(e.fields.contains(QStringLiteral("PASSWORD=******")));
            QVERIFY(e.fields.contains(QStringLiteral("NSRSBH=") + TaxNo));
        }
        const QByteArray sent = packed.toLatin1();
        QVERIFY(entries[2].fields.contains(
            QStringLiteral("RZDATA=%1 bytes, SHA-256 %2")
                .arg(sent.size())
                .arg(QString::fromLatin1(QCryptographicHash::hash(sent, QCryptographicHash::Sha256).toHex()))));
        QCOMPARE(entries[2].httpStatus, 200);
        QCOMPARE(entries[2].resultValue, QStringLiteral("0"));
        QCOMPARE(entries[2].resultMessage, QStringLiteral("上传成功"));
        QCOMPARE(entries[2].transportError, QString());
        QCOMPARE(entries[1].httpStatus, 200);
        QCOMPARE(entries[1].resultValue, QStringLiteral("3"));
        QCOMPARE(entries[1].resultMessage, QStringLiteral("发票已作废"));
        QCOMPARE(entries[0].httpStatus, 0);
        QCOMPARE(entries[0].resultValue, QStringLiteral("1"));
        QVERIFY(!entries[0].transportError.isEmpty());
        QVERIFY(entries[0].resultMessage.startsWith(QStringLiteral("网络连接失败")));

        // A password change is journalled too, both passwords masked.
        TaxServer passwords({QStringLiteral("--password"), secret});
        const auto changed = ExchangeOverHttp(QStringLiteral("http://127.0.0.1:%1/password").arg(passwords.port()),
                         {QStringLiteral("NSRSBH=") + TaxNo, QStringLiteral("PASSWORD=") + secret,
                          QStringLiteral("NEW_PASSWORD=new-Qp77z")});
        QCOMPARE(changed.first, QStringLiteral("0"));
        const QList<JournalEntry> all = UploadJournal().Entries(QDate(2000, 1, 1), QDate::currentDate());
        QCOMPARE(all.size(), 4);
        const auto change = std::find_if(all.begin(), all.end(), [](const JournalEntry &e) { return e.kind == QStringLiteral("修改密码"); });
        QVERIFY(change != all.end());
        QCOMPARE(change->resultValue, QStringLiteral("0"));
        QVERIFY(change->fields.contains(QStringLiteral("NEW_PASSWORD=******")));

        // Filtered by invoice number, and pruned by age.
        QCOMPARE(UploadJournal().Entries(Day, Day, QStringLiteral("0002")).size(), 1);
        QCOMPARE(UploadJournal().PruneBefore(u.clock.now().addSecs(1)), 3);

        QFile file(UploadJournalPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(!bytes.isEmpty());
        QVERIFY(!bytes.contains(secret.toUtf8()));
        QVERIFY(!bytes.contains("new-Qp77z"));
    }

    // A journal that cannot be opened never stops an upload: the reason is said once.
    void unwritableJournalDoesNotStopUploads()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        const auto restore = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
        QVERIFY(QDir().mkpath(UploadJournalPath())); // a folder where the file should be
        Uploading u;
        u.insert(newInvoice(QStringLiteral("00000001"), QStringLiteral("2026-12-10 10:20:00.000")));
        u.insert(newInvoice(QStringLiteral("00000002"), QStringLiteral("2026-12-10 10:21:00.000")));
        QVERIFY(u.flow.UploadInvoice(Code, QStringLiteral("00000001")).first);
        QVERIFY(u.flow.UploadInvoice(Code, QStringLiteral("00000002")).first);
        QCOMPARE(u.boxes.shown.size(), 1);
        QVERIFY2(u.boxes.shown[0].text.startsWith(QStringLiteral("上传日志无法写入，上传照常进行：")),
                 qPrintable(u.boxes.shown[0].text));
    }

    // What the server answers decides the mark, the bookmark and the operator's message, on
    // both paths.
    void serverAnswers_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("message"); // as the automatic upload shows it; a network failure's start
        const QByteArray notZero = "<Response><ResultValue> 0</ResultValue><ResultMessage>blank</ResultMessage></Response>";
        QTest::newRow("accepted") << "upload" << true << "上传成功";
        QTest::newRow("refused") << "upload?refuse=%E5%8F%91%E7%A5%A8%E5%B7%B2%E4%BD%9C%E5%BA%9F" << false << "发票已作废";
        QTest::newRow("200 without Response") << "upload?reply=noresponse" << false << "";
        QTest::newRow("HTTP 500") << "upload?status=500" << false
                                  << "网络连接失败:,详细信息：HTTP/1.1 500 Internal Server Error";
        QTest::newRow("time-out") << "upload?delay-ms=3000" << false << "网络连接失败:,详细信息：";
        QTest::newRow("ResultValue \" 0\"") << "upload?body=" + QString::fromLatin1(notZero.toHex()) << false << "blank";
    }

    void serverAnswers()
    {
        QFETCH(QString, action);
        QFETCH(bool, accepted);
        QFETCH(QString, message);
        TMyIdHttp::SetTimeouts(1000, 1000);
        const auto restore = qScopeGuard([] { TMyIdHttp::SetTimeouts(10000, 30000); });
        for (const bool automatic : {false, true}) {
            Uploading u;
            AppSettings().UploadAction = action;
            u.insert(newInvoice(QStringLiteral("00000009"), QStringLiteral("2026-12-10 10:20:00.000")));
            if (automatic) {
                u.flow.AutoUploadStep();
            } else {
                u.list.Refresh();
                u.flow.ManualUpload();
            }
            QCOMPARE(u.boxes.shown.size(), 1);
            const auto &box = u.boxes.shown[0];
            QCOMPARE(box.kind, accepted ? MessageKind::Information : MessageKind::Warning);
            const QString expected = accepted || automatic ? message : QStringLiteral("上传失败：原因：") + message;
            const bool network = message.startsWith(QStringLiteral("网络连接失败"));
            QVERIFY2(network ? box.text.startsWith(expected) : box.text == expected, qPrintable(box.text));
            QCOMPARE(u.mark(QStringLiteral("00000009")), accepted ? QStringLiteral("1") : QStringLiteral("0"));
            const bool moved = accepted && automatic;
            QCOMPARE(u.bookmark().invoiceNumber, moved ? QStringLiteral("00000009") : QString());
            QCOMPARE(box.bookmarkNumber, u.bookmark().invoiceNumber); // moved before the box showed
        }
    }

    // The invoice the clerk selected is the one uploaded, wherever the fresh list puts it, and
    // none at all when the list no longer shows it.
    void manualUploadKeepsToItsInvoice()
    {
        Uploading u;
        u.insert(newInvoice(QStringLiteral("00000002"), QStringLiteral("2026-12-10 09:00:00.000")));
        u.insert(newInvoice(QStringLiteral("00000003"), QStringLiteral("2026-12-10 09:10:00.000")));
        u.list.Refresh();
        u.list.current = 1; // 00000003

        // Issued meanwhile, it sorts first: 00000003 moves down a row.
        u.insert(newInvoice(QStringLiteral("00000001"), QStringLiteral("2026-12-10 08:50:00.000")));
        u.flow.ManualUpload();
        QCOMPARE(u.boxes.lastText(), QStringLiteral("上传成功"));
        QCOMPARE(u.mark(QStringLiteral("00000003")), QStringLiteral("1"));
        QCOMPARE(u.mark(QStringLiteral("00000001")), QStringLiteral("<no row>"));
        QCOMPARE(u.list.model.Cell(u.list.current, InvoiceGridModel::colInvoiceNumber), QStringLiteral("00000003"));

        // The filter now lists another invoice only, then none: nothing is sent.
        const int sent = u.server.requests().size();
        u.list.current = 0; // 00000001
        u.list.filter.invoiceNumber = QStringLiteral("00000002");
        u.flow.ManualUpload();
        QCOMPARE(u.boxes.lastText(), QStringLiteral("没有要上传的信息！"));
        u.list.current = 0;
        u.list.filter.invoiceNumber = QStringLiteral("99999999");
        u.flow.ManualUpload();
        QCOMPARE(u.boxes.lastText(), QStringLiteral("没有要上传的信息！"));
        QCOMPARE(u.list.model.rowCount(), 0);
        QCOMPARE(u.server.requests().size(), sent);
        QCOMPARE(u.mark(QStringLiteral("00000001")), QStringLiteral("<no row>"));
        QCOMPARE(u.mark(QStringLiteral("00000002")), QStringLiteral("<no row>"));
    }

    // With buyer input on, the dialog starts from the row and its answer lands in the row.
    void manualUploadWithBuyerInput()
    {
        Uploading u(Backend::SQLite, true);
        AppSettings().UploadAction = QStringLiteral("upload?refuse=x"); // no refresh after it
        u.insert(newInvoice(QStringLiteral("00000004"), QStringLiteral("2026-12-10 09:00:00.000")));
        StoreBuyerDetails(u.database.connection(), QStringLiteral("00000004"), Code,
                          {QStringLiteral("组织机构代码证书"), QStringLiteral("021"), QStringLiteral("200001"),
                           QStringLiteral("上海"), QString()});
        u.list.Refresh();
        u.prompt.answers = {Answer};
        u.flow.ManualUpload();
        QCOMPARE(u.prompt.requests.size(), 1);
        const DetailsRequest &asked = u.prompt.requests[0];
        QCOMPARE(asked.invoiceCode, Code);
        QCOMPARE(asked.invoiceNumber, QStringLiteral("00000004"));
        QCOMPARE(asked.details.documentType, QStringLiteral("组织机构代码证书"));
        QCOMPARE(asked.details.postcode, QStringLiteral("200001"));
        const InvoiceGridModel &rows = u.list.model;
        const QStringList cells{rows.Cell(0, InvoiceGridModel::colDocument), rows.Cell(0, InvoiceGridModel::colTelephone),
                                rows.Cell(0, InvoiceGridModel::colPostcode), rows.Cell(0, InvoiceGridModel::colAddress),
                                rows.Cell(0, InvoiceGridModel::colDisplacement)};
        QCOMPARE(cells, (QStringList{Answer.documentType, Answer.telephone, Answer.postcode, Answer.address,
                                     Answer.displacement}));
        QCOMPARE(u.boxes.lastText(), QStringLiteral("上传失败：原因：x"));

        // Cancel: nothing sent.
        const int sent = u.server.requests().size();
        u.flow.ManualUpload();
        QCOMPARE(u.server.requests().size(), sent);
    }

    // The server accepted, and the mark could not be stored: the journal keeps the exchange as
    // accepted until then, and the next start marks the invoice and says so, once.
    void acceptedButUnmarkedIsMarkedAtTheNextStart()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        const auto restore = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
        Uploading u;
        u.insert(newInvoice(QStringLiteral("00000006"), QStringLiteral("2026-12-10 10:20:00.000")));
        u.database.connection().Execute(QStringLiteral(
            "create trigger nomark before update on Kerrowvantis begin select raise(abort, 'disk I/O error'); end"));
        QVERIFY_THROWS_EXCEPTION(AppError, u.flow.AutoUploadStep());
        QList<JournalEntry> unfinished = UploadJournal().Unfinished();
        QCOMPARE(unfinished.size(), 1);
        QCOMPARE(unfinished[0].state, JournalEntry::Accepted);
        QCOMPARE(unfinished[0].resultValue, QStringLiteral("0"));

        u.database.connection().Execute(QStringLiteral("drop trigger nomark"));
        u.boxes.shown.clear();
        u.flow.SettleInterruptedUploads();
        QCOMPARE(u.mark(QStringLiteral("00000006")), QStringLiteral("1"));
        QCOMPARE(u.boxes.shown.size(), 1);
        QVERIFY2(u.boxes.lastText().contains(QStringLiteral("发票代码 132000000001  发票号码 00000006：服务器已经接受，现已标记为已上传")),
                 qPrintable(u.boxes.lastText()));
        QVERIFY(UploadJournal().Unfinished().isEmpty());
        u.flow.SettleInterruptedUploads();
        QCOMPARE(u.boxes.shown.size(), 1);
        QCOMPARE(u.server.requests().size(), 1);

        // An upload that went through leaves nothing unfinished.
        u.insert(newInvoice(QStringLiteral("00000007"), QStringLiteral("2026-12-10 10:30:00.000")));
        u.flow.AutoUploadStep();
        QCOMPARE(u.mark(QStringLiteral("00000007")), QStringLiteral("1"));
        QVERIFY(UploadJournal().Unfinished().isEmpty());
    }

    // The server took the record; then the mark or the list fails. The record is not sent again.
    void acceptedRecordIsNotSentAgain_data()
    {
        QTest::addColumn<bool>("markFails");
        QTest::newRow("the mark fails") << true;
        QTest::newRow("the list fails") << false;
    }

    void acceptedRecordIsNotSentAgain()
    {
        QFETCH(bool, markFails);
        Uploading u;
        u.insert(newInvoice(QStringLiteral("00000006"), QStringLiteral("2026-12-10 10:20:00.000")));
        if (markFails) {
            u.database.connection().Execute(QStringLiteral(
                "create trigger nomark before update on Kerrowvantis begin select raise(abort, 'disk I/O error'); end"));
        } else {
            u.list.failingFrom = 2; // the refresh after the server's answer
        }
        QVERIFY_THROWS_EXCEPTION(AppError, u.flow.AutoUploadStep());
        QCOMPARE(u.server.requests().size(), 1);
        QCOMPARE(u.bookmark().invoiceNumber, QStringLiteral("00000006"));
        QCOMPARE(u.mark(QStringLiteral("00000006")), markFails ? QStringLiteral("0") : QStringLiteral("1"));

        u.list.failingFrom = 0;
        u.flow.AutoUploadStep();
        QCOMPARE(u.server.requests().size(), 1);
    }
};

QTEST_MAIN(TestDeclare)
#include "tst_declare.moc"
