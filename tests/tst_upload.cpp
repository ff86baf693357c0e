#include "ScriptedPrompt.h"
#include "TestDatabase.h"
#include "TestSupport.h"
#include "TestTaxServer.h"

#include "app/FrmMain.h"
#include "config/AppIniFile.h"
#include "config/GbkText.h"
#include "config/Settings.h"
#include "db/InvoiceGridModel.h"
#include "db/demo/InvoicingSchema.h"

#include <QTableView>
#include <QTest>
#include <QTimer>


namespace {

const QString Dll = QStringLiteral(BARCODEDLL_PATH);
const QString TaxNo = QStringLiteral("110101200801010");

DemoInvoice newInvoice(const QString &number, const QString &issued)
{
    DemoInvoice v;
    v.jddm = QStringLiteral("132000000001");
    v.jdhm = number;
    v.kpsj = issued;
    v.kprq = issued.left(19);
    v.fpbz = QStringLiteral("0");
    v.ghdw = QStringLiteral("王五");
    v.sfzhm = QStringLiteral("110101199001011234");
    v.fdjhm = QStringLiteral("EA211") + number;
    v.cd = QStringLiteral("一汽-大众汽车有限公司");
    v.jshj = QStringLiteral("117000");
    v.zzsse = QStringLiteral("17000");
    v.nsrsbh = TaxNo;
    return v;
}

// A header's value as the server received it.
QByteArray headerValue(const QByteArray &head, const QByteArray &name)
{
    for (const QByteArray &line : head.split('\n')) {
        if (line.startsWith(name + ": "))
            return line.mid(name.size() + 2).trimmed();
    }
    return {};
}

QStringList headerNames(const QByteArray &head)
{
    QStringList names;
    for (const QByteArray &line : head.split('\n')) {
        if (const qsizetype colon = line.indexOf(':'); colon > 0)
            names << QString::fromLatin1(line.left(colon));
    }
    return names;
}

// A main window in online declaration against the test's database and tax server.
struct OnlineFixture {
    OnlineFixture(Backend backend, const QStringList &serverArguments, bool showInput, bool automatic)
        : database(backend)
        , server(QStringList{QStringLiteral("--password"), TaxNo} + serverArguments)
        , clock(QDateTime(QDate(2026, 12, 10), QTime(10, 15)))
        , scope(boxes)
    {
        InsertSeller(database.connection(), {TaxNo, QStringLiteral("某某汽车销售有限公司"), QStringLiteral("13205810000"),
                                             QStringLiteral("某某税务分局")});
        settings.write("[DataBase]\r\nDSN=" + database.dsn().toLatin1() + "\r\n[SBConfig]\r\nSBType=2\r\n[NetConfig]\r\n"
                       "AuthenServer=http://127.0.0.1:" + QByteArray::number(server.port())
                       + "\r\nUploadAction=upload\r\nShowInput=" + (showInput ? "1" : "0") + "\r\nAutoUpload="
                       + (automatic ? "1" : "0") + "\r\n");
        MainWindowOptions options;
        options.barcodeLibraryPath = Dll;
        options.clock = &clock;
        options.detailsPrompt = &prompt;
        options.trayAvailable = false;
        window = std::make_unique<TFrmMain>(options);
        prompt.connection = &database.connection();
    }

    QString bookmark() const { return BookmarkTime(); }

    TempSettings settings;
    TestDatabase database;
    TaxServer server;
    FixedClock clock;
    RecordingMessageBoxes boxes;
    ScopedMessageBoxes scope;
    ScriptedPrompt prompt;
    std::unique_ptr<TFrmMain> window;
};

const BuyerDetails Answer{QStringLiteral("身份证"), QStringLiteral("13900000000"), QStringLiteral("200000"),
                           QStringLiteral("上海市浦东新区"), QString()};

} // namespace

class TestUpload : public QObject
{
    Q_OBJECT

private slots:
    void oneUploadOnTheWire()
    {
        OnlineFixture f(Backend::SQLite, {}, false, false);
        QVERIFY(f.server.port() > 0);
        InsertInvoice(f.database.connection(), newInvoice(QStringLiteral("00000009"), QStringLiteral("2026-12-10 09:00:00.000")));
        f.window->show();
        QCOMPARE(f.window->GridModel()->rowCount(), 1);
        f.window->ManualUpload();

        QCOMPARE(f.boxes.shown.size(), 1);
        QCOMPARE(f.boxes.shown[0].kind, MessageKind::Information);
        QCOMPARE(f.boxes.shown[0].text, QStringLiteral("上传成功"));
        const QList<LoggedRequest> requests = f.server.requests();
        QCOMPARE(requests.size(), 1);
        const QByteArray head = requests[0].head;
        // Our fields after the client's own, in order; the empty tax office code is left out.
        QStringList names = headerNames(head);
        names = names.mid(names.indexOf(QStringLiteral("NSRSBH")));
        QCOMPARE(names, (QStringList{"NSRSBH", "PASSWORD", "SWJGDM", "LENGTH", "Record_NUM", "RZDATA"}));
        QCOMPARE(headerValue(head, "NSRSBH"), TaxNo.toLatin1());
        QCOMPARE(headerValue(head, "PASSWORD"), TaxNo.toLatin1()); // the first password is the taxpayer number
        QCOMPARE(headerValue(head, "SWJGDM"), QByteArray("13205810000"));
        QCOMPARE(headerValue(head, "Record_NUM"), QByteArray("1"));
        const QByteArray document = Gunzip(QByteArray::fromBase64(headerValue(head, "RZDATA")));
        QCOMPARE(headerValue(head, "LENGTH"), QByteArray::number(document.size()));
        QCOMPARE(document, f.server.lastDocument());
        QVERIFY(document.startsWith("<?xml version=\"1.0\" encoding=\"GBK\"?>"));
        QVERIFY(document.contains(Gbk::encode(QStringLiteral("<ghdw><![CDATA[王五]]></ghdw>"))));

        // Marked uploaded and shown green.
        QCOMPARE(UploadMark(f.database.connection(), QStringLiteral("00000009")), QStringLiteral("1"));
        const QVariant colour = f.window->GridModel()->data(f.window->GridModel()->index(0, 1), Qt::BackgroundRole);
        QCOMPARE(colour.value<QBrush>().color(), QColor(192, 220, 192));
    }

    void manualUploadFailures_data()
    {
        QTest::addColumn<QStringList>("serverArguments");
        QTest::addColumn<QString>("uploadAction");
        QTest::addColumn<QString>("warning");
        QTest::newRow("refused") << QStringList{QStringLiteral("--refuse"), QStringLiteral("发票已作废")} << "upload"
                                 << "上传失败：原因：发票已作废";
        QTest::newRow("no such action") << QStringList() << "missing" << "上传失败：原因：网络连接失败:,详细信息：";
    }

    void manualUploadFailures()
    {
        QFETCH(QStringList, serverArguments);
        QFETCH(QString, uploadAction);
        QFETCH(QString, warning);
        OnlineFixture f(Backend::SQLite, serverArguments, false, false);
        Ini::WriteString(QStringLiteral("NetConfig"), QStringLiteral("UploadAction"), uploadAction);
        AppSettings().UploadAction = uploadAction;
        InsertInvoice(f.database.connection(), newInvoice(QStringLiteral("00000009"), QStringLiteral("2026-12-10 09:00:00.000")));
        f.window->show();
        f.window->ManualUpload();
        QCOMPARE(f.boxes.shown.size(), 1);
        QCOMPARE(f.boxes.shown[0].kind, MessageKind::Warning);
        QVERIFY2(f.boxes.shown[0].text.startsWith(warning), qPrintable(f.boxes.shown[0].text));
        QCOMPARE(UploadMark(f.database.connection(), QStringLiteral("00000009")), QStringLiteral("0"));

        // Nothing selected: said so, nothing sent.
        const int sent = f.server.requests().size();
        f.window->Grid()->setCurrentIndex(QModelIndex());
        f.window->ManualUpload();
        QCOMPARE(f.boxes.shown.last().text, QStringLiteral("没有要上传的信息！"));
        QCOMPARE(f.server.requests().size(), sent);
    }

    void automaticUpload_data() { AddBackendRows(); }
    void automaticUpload()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        OnlineFixture f(backend, {}, true, true);
        QVERIFY(f.window->PrintTimer()->isActive());
        InsertInvoice(f.database.connection(), newInvoice(QStringLiteral("00000005"), QStringLiteral("2026-12-10 10:30:00.000")));
        InsertInvoice(f.database.connection(), newInvoice(QStringLiteral("00000006"), QStringLiteral("2026-12-10 10:20:00.000")));
        InsertInvoice(f.database.connection(), newInvoice(QStringLiteral("00000004"), QStringLiteral("2026-12-10 10:14:00.000")));

        // Cancel in the details dialog: nothing sent, the bookmark stays.
        f.prompt.answers = {std::nullopt};
        f.window->AutoUploadStep();
        QCOMPARE(f.prompt.requests.size(), 1);
        QCOMPARE(f.prompt.requests[0].invoiceNumber, QStringLiteral("00000006"));
        QVERIFY(f.server.requests().isEmpty());
        QCOMPARE(f.bookmark(), QStringLiteral("2026-12-10 10:15:00.000"));
        QVERIFY(f.window->PrintTimer()->isActive());

        // Two ticks upload and mark the two new invoices in issue-time order; a third finds nothing.
        f.prompt.answers = {Answer, Answer};
        f.window->AutoUploadStep();
        QCOMPARE(f.bookmark(), QStringLiteral("2026-12-10 10:20:00.000"));
        f.window->AutoUploadStep();
        QCOMPARE(f.bookmark(), QStringLiteral("2026-12-10 10:30:00.000"));
        QCOMPARE(UploadMark(f.database.connection(), QStringLiteral("00000006")), QStringLiteral("1"));
        QCOMPARE(UploadMark(f.database.connection(), QStringLiteral("00000005")), QStringLiteral("1"));
        QCOMPARE(f.server.requests().size(), 2);
        f.window->AutoUploadStep();
        QCOMPARE(f.server.requests().size(), 2);
        QVERIFY(f.window->PrintTimer()->isActive());
        QCOMPARE(f.boxes.shown.last().text, QStringLiteral("上传成功"));
    }

    void refusedInvoiceComesBackAtEveryTick()
    {
        OnlineFixture f(Backend::SQLite, {QStringLiteral("--refuse"), QStringLiteral("数据重复")}, false, true);
        InsertInvoice(f.database.connection(), newInvoice(QStringLiteral("00000007"), QStringLiteral("2026-12-10 10:20:00.000")));
        for (int tick = 1; tick <= 2; ++tick) {
            f.window->AutoUploadStep();
            QCOMPARE(f.boxes.shown.last().kind, MessageKind::Warning);
            QCOMPARE(f.boxes.shown.last().text, QStringLiteral("数据重复"));
            QCOMPARE(f.bookmark(), QStringLiteral("2026-12-10 10:15:00.000"));
            QCOMPARE(f.server.requests().size(), tick);
        }
        // Without asking, a buyer row was made so that the mark can be stored later.
        QCOMPARE(UploadMark(f.database.connection(), QStringLiteral("00000007")), QStringLiteral("0"));
        QVERIFY(f.window->PrintTimer()->isActive());
    }
};

QTEST_MAIN(TestUpload)
#include "tst_upload.moc"
