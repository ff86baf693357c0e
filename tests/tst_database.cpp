#include "TestDatabase.h"
#include "TestSupport.h"

#include "config/AppError.h"
#include "config/Settings.h"
#include "config/Utf8Locale.h"
#include "db/BuyerDetails.h"
#include "db/InvoiceGridModel.h"
#include "db/InvoiceQuery.h"
#include "db/OdbcCursor.h"
#include "db/SellerDetails.h"
#include "db/SqlDialect.h"
#include "db/demo/InvoicingSchema.h"

#include <QTest>

#include <clocale>
#include <dlfcn.h>
#include <sql.h>

// Statement handles this program makes and frees, counted on their way to the driver manager,
// which alone knows them otherwise and frees them only with their connection.
static int StatementsMade = 0;
static int StatementsFreed = 0;

extern "C" SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE *output)
{
    using Alloc = SQLRETURN(SQL_API *)(SQLSMALLINT, SQLHANDLE, SQLHANDLE *);
    static const auto real = reinterpret_cast<Alloc>(dlsym(RTLD_NEXT, "SQLAllocHandle"));
    const SQLRETURN result = real(type, input, output);
    if (type == SQL_HANDLE_STMT && SQL_SUCCEEDED(result))
        ++StatementsMade;
    return result;
}

extern "C" SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle)
{
    using Free = SQLRETURN(SQL_API *)(SQLSMALLINT, SQLHANDLE);
    static const auto real = reinterpret_cast<Free>(dlsym(RTLD_NEXT, "SQLFreeHandle"));
    const SQLRETURN result = real(type, handle);
    if (type == SQL_HANDLE_STMT && SQL_SUCCEEDED(result))
        ++StatementsFreed;
    return result;
}

namespace {

DemoInvoice invoice(const QString &number, const QString &issueTime, const QString &code = QStringLiteral("132000000001"))
{
    DemoInvoice v;
    v.jddm = code;
    v.jdhm = number;
    v.kpsj = issueTime;
    v.kprq = issueTime.left(19); // the invoicing program keeps the date with its time
    v.ghdw = QStringLiteral("张三");
    v.sfzhm = QStringLiteral("110101199001011234");
    v.fdjhm = QStringLiteral("EA211") + number;
    v.cd = QStringLiteral("一汽-大众汽车有限公司");
    v.cjhm = QStringLiteral("LFV2A21K5A300") + number.right(4);
    v.cpxh = QStringLiteral("大众FV7152FCDBG");
    v.jshj = QStringLiteral("117000.00");
    v.zzsse = QStringLiteral("17000.00");
    v.zzssl = QStringLiteral("0.17");
    v.xcrs = QStringLiteral("5");
    v.nsrsbh = QStringLiteral("132058100000001");
    v.zgswjg_dm = QStringLiteral("13205810000");
    v.dz = QStringLiteral("北京市朝阳区车市路8号");
    v.dh = QStringLiteral("010-88886666");
    v.khyh = QStringLiteral("中国工商银行");
    v.zh = QStringLiteral("0200001234567890123");
    return v;
}

int countRows(TJdcConnection &connection, const QString &sql)
{
    QSqlQuery query = connection.Query(sql);
    int rows = 0;
    while (query.next())
        ++rows;
    return rows;
}

QStringList listed(TJdcConnection &connection, const InvoiceFilter &filter)
{
    OdbcCursor rows(connection, InvoiceListStatement(filter));
    InvoiceGridModel model;
    model.Load(rows);
    QStringList numbers;
    for (int row = 0; row < model.rowCount(); ++row)
        numbers << model.Cell(row, InvoiceGridModel::colInvoiceNumber);
    return numbers;
}

InvoiceFilter dayFilter(const QString &day)
{
    InvoiceFilter filter;
    filter.startBound = day + QStringLiteral(" 00:00:00");
    filter.endBound = QDate::fromString(day, Qt::ISODate).addDays(1).toString(Qt::ISODate) + QStringLiteral(" 00:00:00");
    return filter;
}

} // namespace

class TestDatabaseAccess : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Seller() = SellerValues{};
    }

    void adaptStatement_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("sqlite");
        QTest::newRow("left") << "select Left(kpsj,7) from t" << "select substr(kpsj,1,7) from t";
        QTest::newRow("any case, blanks") << "where LEFT( t.kpsj , 7 )='2026-12'" << "where substr( t.kpsj ,1,7)='2026-12'";
        QTest::newRow("nested") << "Left(Left(a,9),7)" << "substr(substr(a,1,9),1,7)";
        QTest::newRow("function inside") << "Left(trim(a,' '),7)" << "substr(trim(a,' '),1,7)";
        QTest::newRow("left outer join untouched") << "t left outer join p on (a=b)" << "t left outer join p on (a=b)";
        QTest::newRow("quoted text untouched") << "where a='Left(b,1)'" << "where a='Left(b,1)'";
    }

    void adaptStatement()
    {
        QFETCH(QString, statement);
        QFETCH(QString, sqlite);
        QCOMPARE(AdaptStatement(statement, SqlDialect::SQLite), sqlite);
        QCOMPARE(AdaptStatement(statement, SqlDialect::PostgreSQL), statement);
    }

    void dialectStepRunsOnBothDatabases_data() { AddBackendRows(); }
    void dialectStepRunsOnBothDatabases()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        QCOMPARE(db.connection().Dialect(), backend == Backend::SQLite ? SqlDialect::SQLite : SqlDialect::PostgreSQL);
        QSqlQuery query = db.connection().Query(QStringLiteral("select Left('2026-12-10 09:00',7) as m"));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), QStringLiteral("2026-12"));
    }

    void buyerTableIsCreatedOnceWithItsKey_data() { AddBackendRows(); }
    void buyerTableIsCreatedOnceWithItsKey()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        TJdcConnection &c = db.connection();
        EnsureBuyerTable(c);
        const QStringList columns = c.ColumnNames(QStringLiteral("select * from Kerrowvantis"));
        QCOMPARE(columns.join(QLatin1Char(',')).toLower(), QStringLiteral("jddm,jdhm,zjlx,lxdz,lxdh,yzbm,bz,pql"));
        EnsureBuyerTable(c); // a second start changes nothing
        QCOMPARE(c.ColumnNames(QStringLiteral("select * from Kerrowvantis")), columns);

        BuyerDetails details;
        details.documentType = QStringLiteral("身份证");
        InsertBuyerDetails(c, QStringLiteral("00000001"), QStringLiteral("132000000001"), details);
        QVERIFY_THROWS_EXCEPTION(AppError, InsertBuyerDetails(c, QStringLiteral("00000001"), QStringLiteral("132000000001"), details));
        QSqlQuery bz = c.Query(QStringLiteral("select BZ from Kerrowvantis"));
        QVERIFY(bz.next());
        QCOMPARE(bz.value(0).toString(), QStringLiteral("0"));
    }

    void olderBuyerTableGetsItsMissingColumnsInOrder_data() { AddBackendRows(); }
    void olderBuyerTableGetsItsMissingColumnsInOrder()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        TJdcConnection &c = db.connection();
        // Named in lower case, and lacking the upload mark and the displacement.
        c.Execute(QStringLiteral("create table kerrowvantis (jddm varchar(16) not null, jdhm varchar(10) not null,"
                                 " zjlx varchar(50), lxdz varchar(150), lxdh varchar(50), yzbm varchar(6))"));
        EnsureBuyerTable(c);
        QCOMPARE(c.ColumnNames(QStringLiteral("select * from Kerrowvantis")).join(QLatin1Char(',')).toLower(),
                 QStringLiteral("jddm,jdhm,zjlx,lxdz,lxdh,yzbm,bz,pql"));
    }

    // Start-up learns the table's columns only; on a server every row read would travel. The
    // server counts the scans of the table and the rows they read; inside one transaction it
    // does not reset the counts.
    void buyerTableColumnsAreLearntWithoutItsRows()
    {
        SKIP_UNAVAILABLE(Backend::PostgreSQL);
        TestDatabase db(Backend::PostgreSQL);
        TJdcConnection &c = db.connection();
        EnsureBuyerTable(c);
        c.Execute(QStringLiteral("insert into Kerrowvantis (jddm,jdhm) values ('1','1'),('1','2'),('1','3')"));
        const auto scans = [&c] {
            QSqlQuery counts = c.Query(QStringLiteral("select seq_scan, seq_tup_read, coalesce(idx_scan, 0) from "
                                                      "pg_stat_xact_user_tables where relname='kerrowvantis'"));
            return counts.next() ? QList<int>{counts.value(0).toInt(), counts.value(1).toInt(), counts.value(2).toInt()}
                                 : QList<int>();
        };
        c.BeginTransaction();
        const QList<int> before = scans();
        EnsureBuyerTable(c);
        const QList<int> after = scans();
        c.Commit();
        QCOMPARE(before.size(), 3);
        QCOMPARE(after, before);
    }

    void sellerDetails_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QString>("taxNo");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("authority");
        for (const Backend backend : {Backend::SQLite, Backend::PostgreSQL}) {
            const QByteArray b = BackendName(backend).toLatin1();
            QTest::newRow(b + " one row") << backend << 1 << true << "110101200801010" << "某某汽车销售有限公司" << "13205810";
            QTest::newRow(b + " two rows") << backend << 2 << true << "132058100000000" << "某某税务分局" << "";
            QTest::newRow(b + " no row") << backend << 0 << false << "" << "" << "";
        }
    }

    void sellerDetails()
    {
        QFETCH(Backend, backend);
        QFETCH(int, rows);
        QFETCH(bool, loaded);
        QFETCH(QString, taxNo);
        QFETCH(QString, name);
        QFETCH(QString, authority);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        for (int i = 0; i < rows; ++i)
            InsertSeller(db.connection(), {QStringLiteral("110101200801010"), QStringLiteral("某某汽车销售有限公司"),
                                           QStringLiteral("13205810"), QStringLiteral("某某税务分局")});
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        QCOMPARE(LoadSellerDetails(db.connection()), loaded);
        QCOMPARE(Seller().SellerTaxNo, taxNo);
        QCOMPARE(Seller().SellerName, name);
        QCOMPARE(Seller().TaxAuthCode, authority);
        QCOMPARE(boxes.shown.size(), loaded ? 0 : 1);
        if (!loaded)
            QCOMPARE(boxes.shown[0].text, QStringLiteral("请先设置机动车开票软件的企业基本信息！"));
    }

    void buyerDetailsRoundTrip_data() { AddBackendRows(); }
    void buyerDetailsRoundTrip()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        TJdcConnection &c = db.connection();
        EnsureBuyerTable(c);
        const QString number = QStringLiteral("0000'12");
        const QString code = QStringLiteral("132000000001");
        QVERIFY(!BuyerDetailsExist(c, number, code));
        // Stored as given, blanks and all; the displacement is never stored.
        StoreBuyerDetails(c, number, code, {QStringLiteral("身份证"), QStringLiteral("13800138000"), QStringLiteral("100000"),
                                            QStringLiteral(" 北京市东城区 "), QStringLiteral("1.6")});
        QVERIFY(BuyerDetailsExist(c, number, code));
        QVERIFY(!BuyerDetailsExist(c, number, QStringLiteral("132000000002")));
        const auto stored = [&c] { return SelectedRows(c, QStringLiteral("select zjlx,lxdh,yzbm,lxdz,pql,BZ from Kerrowvantis")); };
        QCOMPARE(stored(), QStringList{QStringLiteral("身份证|13800138000|100000| 北京市东城区 ||0")});
        // A second store updates the one row.
        StoreBuyerDetails(c, number, code, {QStringLiteral("其它证件"), QStringLiteral("021"), QStringLiteral("200000"),
                                            QStringLiteral("上海"), QString()});
        QCOMPARE(stored(), QStringList{QStringLiteral("其它证件|021|200000|上海||0")});

        // The uploaded mark: that invoice only, quotes and all; an invoice without a row gets none.
        MarkUploaded(c, QStringLiteral("132000000002"), number);
        QCOMPARE(stored(), QStringList{QStringLiteral("其它证件|021|200000|上海||0")});
        MarkUploaded(c, code, number);
        QCOMPARE(stored(), QStringList{QStringLiteral("其它证件|021|200000|上海||1")});
    }

    void invoiceList_data() { AddBackendRows(); }
    void invoiceList()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        TJdcConnection &c = db.connection();
        EnsureBuyerTable(c);
        for (const auto &[number, time] : {std::pair{"00000001", "2026-12-09 23:59:59.999"}, {"00000002", "2026-12-10 00:00:00.000"},
                                           {"00000003", "2026-12-10 12:00:00.000"}, {"00000004", "2026-12-10 18:00:00.000"},
                                           {"00000005", "2026-12-11 00:00:00.000"}})
            InsertInvoice(c, invoice(QString::fromLatin1(number), QString::fromLatin1(time)));
        DemoInvoice cancelled = invoice(QStringLiteral("00000006"), QStringLiteral("2026-12-10 13:00:00.000"));
        cancelled.fpbz = QStringLiteral("2");
        InsertInvoice(c, cancelled);
        c.Execute(QStringLiteral("insert into Kerrowvantis (jddm,jdhm,zjlx,BZ,pql) values ('132000000001','00000003','身份证','1','1.6')"));
        c.Execute(QStringLiteral("insert into Kerrowvantis (jddm,jdhm,zjlx,BZ) values ('132000000001','00000004','身份证','0')"));

        InvoiceFilter day = dayFilter(QStringLiteral("2026-12-10"));
        QCOMPARE(listed(c, day), (QStringList{"00000002", "00000003", "00000004"}));

        InvoiceFilter number = day;
        number.invoiceNumber = QStringLiteral("  00000003 ");
        number.invoiceCode = QStringLiteral("   ");
        QCOMPARE(listed(c, number), QStringList{"00000003"});

        InvoiceFilter injection = day;
        injection.invoiceNumber = QStringLiteral("1' or '1'='1");
        QVERIFY(InvoiceListStatement(injection).contains(QStringLiteral("t.jdhm = '1'' or ''1''=''1'")));
        QCOMPARE(listed(c, injection), QStringList());
        injection.invoiceNumber.clear();
        injection.invoiceCode = QStringLiteral("x' or 'a'='a");
        QCOMPARE(listed(c, injection), QStringList());

        InvoiceFilter online = day;
        online.declarationMode = OnlineDeclaration;
        online.uploadState = InvoiceFilter::NotUploaded;
        QCOMPARE(listed(c, online), (QStringList{"00000002", "00000004"}));
        online.uploadState = InvoiceFilter::Uploaded;
        QCOMPARE(listed(c, online), QStringList{"00000003"});
        online.declarationMode = BarcodeDeclaration; // the choice means nothing in barcode mode
        QCOMPARE(listed(c, online).size(), 3);

        QCOMPARE(listed(c, dayFilter(QStringLiteral("2027-01-01"))), QStringList());
    }

    void gridRowFromTheList_data() { AddBackendRows(); }
    void gridRowFromTheList()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        TJdcConnection &c = db.connection();
        EnsureBuyerTable(c);
        InsertInvoice(c, invoice(QStringLiteral("00000007"), QStringLiteral("2026-12-10 09:30:00.000")));
        c.Execute(QStringLiteral("insert into Kerrowvantis (jddm,jdhm,zjlx,lxdz,lxdh,yzbm,BZ,pql) values "
                                 "('132000000001','00000007','身份证','东城区1号','13800138000','100010','1','1.6')"));
        OdbcCursor rows(c, InvoiceListStatement(dayFilter(QStringLiteral("2026-12-10"))));
        InvoiceGridModel model;
        model.Load(rows);
        QCOMPARE(model.rowCount(), 1);
        const QStringList expected{"", "张三", "身份证", "110101199001011234", "13800138000", "100010", "东城区1号",
                                   "EA21100000007", "一汽-大众汽车有限公司", "LFV2A21K5A3000007", "大众FV7152FCDBG",
                                   "2026-12-10", "00000007", "132000000001", "117000.00", "", "0.17", "", "5",
                                   "132058100000001", "13205810000", "北京市朝阳区车市路8号", "010-88886666",
                                   "中国工商银行", "0200001234567890123", "1", "100000.00"};
        QStringList row;
        for (int column = 0; column < InvoiceGridModel::ColumnCount; ++column)
            row << model.Cell(0, column);
        QCOMPARE(row, expected);
        QCOMPARE(model.FindInvoice(QStringLiteral("132000000001"), QStringLiteral("00000007")), 0);
        QCOMPARE(model.FindInvoice(QStringLiteral("132000000001"), QStringLiteral("00000008")), -1);

        // Outside the list there is nothing, and nothing to change.
        for (const auto &[r, c] : {std::pair{-1, 1}, std::pair{1, 1}, std::pair{0, -1}, std::pair{0, InvoiceGridModel::ColumnCount}})
            QCOMPARE(model.Cell(r, c), QString());
        model.SetCell(1, 1, QStringLiteral("x"));
        QCOMPARE(model.Cell(1, 1), QString());
        model.Clear();
        QCOMPARE(model.Cell(0, 1), QString());
    }

    void centsText_data()
    {
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("cents");
        QTest::newRow("float noise") << "249299.80000000002" << "249299.80";
        QTest::newRow("noise below") << "0.10999999999999999" << "0.11";
        QTest::newRow("whole") << "100000" << "100000.00";
        QTest::newRow("one decimal") << "249299.8" << "249299.80";
        QTest::newRow("half a cent up, though 1.005 is below it in binary") << "1.005" << "1.01";
        QTest::newRow("half a cent of a negative amount") << "-2.675" << "-2.68";
        QTest::newRow("below half a cent") << "0.0049999" << "0.00";
        QTest::newRow("carry into a new digit") << "999.995" << "1000.00";
        QTest::newRow("no sign on zero") << "-0.001" << "0.00";
        QTest::newRow("exponent") << "2.4929980000000002e+05" << "249299.80";
        QTest::newRow("small exponent") << "5E-3" << "0.01";
        QTest::newRow("point without digits before") << ".5" << "0.50";
        QTest::newRow("leading zeros and blanks") << " 007.1 " << "7.10";
        QTest::newRow("plus sign, point without digits after") << "+5." << "5.00";
        QTest::newRow("fifteen whole digits") << "123456789012345.675" << "123456789012345.68";
        QTest::newRow("sixteen whole digits") << "1234567890123456.78" << "1234567890123456.78";
        QTest::newRow("only a sign") << "-" << "";
        QTest::newRow("only a point") << "." << "";
        QTest::newRow("two points") << "1.2.3" << "";
        QTest::newRow("NULL") << "" << "";
        QTest::newRow("blanks only") << "  " << "";
        QTest::newRow("no number") << "abc" << "";
        QTest::newRow("thousands separator") << "1,234.50" << "";
        QTest::newRow("more cents than fit") << "1e30" << "1000000000000000000000000000000.00";
    }

    // AmountCents reads the common forms its own quick way; it must agree with CentsText on all.
    // A report reads the same cents, but refuses a text that is no amount unless it is empty.
    void centsText()
    {
        QFETCH(QString, decimal);
        QFETCH(QString, cents);
        QCOMPARE(CentsText(decimal), cents);
        bool fits = false;
        const qint64 whole = QString(cents).remove(QLatin1Char('.')).toLongLong(&fits);
        QCOMPARE(AmountCents(decimal), whole);
        if (fits || decimal.trimmed().isEmpty())
            QCOMPARE(InvoiceAmountCents(decimal, u"132000000001", u"00000002"), whole);
        else
            QVERIFY_THROWS_EXCEPTION(EConvertError, InvoiceAmountCents(decimal, u"132000000001", u"00000002"));
    }

    // The price without tax is computed by the database: in binary floating point wherever
    // the amounts are, as on SQLite always.
    void priceWithoutTaxInCents_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<bool>("floatColumns");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("tax");
        QTest::addColumn<QString>("price");
        for (const auto &[backend, floats] : {std::pair{Backend::SQLite, true}, std::pair{Backend::PostgreSQL, true},
                                              std::pair{Backend::PostgreSQL, false}}) {
            const QByteArray name = BackendName(backend).toLatin1() + (floats ? " float" : " numeric");
            QTest::newRow(name + ", a car") << backend << floats << "281708.77" << "32408.97" << "249299.80";
            QTest::newRow(name + ", nearly equal") << backend << floats << "100000.10" << "99999.99" << "0.11";
        }
    }

    void priceWithoutTaxInCents()
    {
        QFETCH(Backend, backend);
        QFETCH(bool, floatColumns);
        QFETCH(QString, total);
        QFETCH(QString, tax);
        QFETCH(QString, price);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        TJdcConnection &c = db.connection();
        EnsureBuyerTable(c);
        if (backend == Backend::PostgreSQL && floatColumns)
            c.Execute(QStringLiteral("alter table bdjdcxstyfp alter column jshj type double precision,"
                                     " alter column zzsse type double precision"));
        DemoInvoice v = invoice(QStringLiteral("00000007"), QStringLiteral("2026-12-10 09:30:00.000"));
        v.jshj = total;
        v.zzsse = tax;
        InsertInvoice(c, v);

        InvoiceGridModel model;
        QCOMPARE(ListInvoices(c, dayFilter(QStringLiteral("2026-12-10")), model), 0);
        QCOMPARE(model.Cell(0, InvoiceGridModel::colPriceWithoutTax), price);
        PrintRecord record;
        IssueBookmark pending;
        QVERIFY(FetchNextPrintRecord(c, {QStringLiteral("2026-12-10 09:00:00.000"), {}, {}}, record, pending));
        QCOMPARE(record.Value(PrintRecord::bhsj), price);
    }

    void newInvoicesComeInIssueTimeOrder_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<bool>("issueTimeAsText");
        for (const Backend backend : {Backend::SQLite, Backend::PostgreSQL}) {
            QTest::newRow(BackendName(backend).toLatin1() + " date-time") << backend << false;
            QTest::newRow(BackendName(backend).toLatin1() + " text") << backend << true;
        }
    }

    void newInvoicesComeInIssueTimeOrder()
    {
        QFETCH(Backend, backend);
        QFETCH(bool, issueTimeAsText);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend, issueTimeAsText);
        TJdcConnection &c = db.connection();
        EnsureBuyerTable(c);
        // A has the lower number but was issued later than B.
        InsertInvoice(c, invoice(QStringLiteral("00000005"), QStringLiteral("2026-12-10 10:00:00.000")));
        InsertInvoice(c, invoice(QStringLiteral("00000006"), QStringLiteral("2026-12-10 09:00:00")));
        InsertInvoice(c, invoice(QStringLiteral("00000004"), QStringLiteral("2026-12-10 08:00:00.000"))); // before the bookmark
        c.Execute(QStringLiteral("insert into Kerrowvantis (jddm,jdhm,zjlx,lxdz,lxdh,yzbm,pql) values "
                                 "('132000000001','00000006','身份证','东城区1号','13800138000','100010','1.6')"));

        PrintRecord record;
        IssueBookmark bookmark{QStringLiteral("2026-12-10 08:30:00.000"), QString(), QString()};
        IssueBookmark pending;
        QVERIFY(FetchNextPrintRecord(c, bookmark, record, pending));
        QCOMPARE(record.Value(PrintRecord::fphm), QStringLiteral("00000006"));
        QCOMPARE(record.Value(PrintRecord::pql), QStringLiteral("1.6"));
        QCOMPARE(record.Value(PrintRecord::dz), QStringLiteral("东城区1号"));
        QCOMPARE(record.Value(PrintRecord::xhdwdz), QStringLiteral("北京市朝阳区车市路8号"));
        QCOMPARE(record.Value(PrintRecord::jshj), QStringLiteral("117000.00"));
        QCOMPARE(record.Value(PrintRecord::bhsj), QStringLiteral("100000.00"));
        QCOMPARE(record.Value(PrintRecord::kprq), QStringLiteral("2026-12-10"));
        QCOMPARE(record.Value(PrintRecord::bz), QString());
        QCOMPARE(record.Values().size(), 26);
        QCOMPARE(pending.invoiceNumber, QStringLiteral("00000006"));
        QCOMPARE(pending.invoiceCode, QStringLiteral("132000000001"));
        QVERIFY2(pending.issueTime.startsWith(QLatin1String("2026-12-10 09:00:00")), qPrintable(pending.issueTime));

        bookmark = pending; // handled: the bookmark moves to it
        QVERIFY(FindNextNewInvoice(c, bookmark, record, pending));
        QCOMPARE(pending.invoiceNumber, QStringLiteral("00000005"));
        QCOMPARE(record.Value(PrintRecord::fphm), QStringLiteral("00000005"));
        QCOMPARE(record.Value(PrintRecord::bhsj), QString());

        bookmark = pending;
        QVERIFY(!FetchNextPrintRecord(c, bookmark, record, pending));
        QVERIFY(record.IsEmpty());
        QVERIFY(!FindNextNewInvoice(c, bookmark, record, pending));
    }

    // However the database keeps its issue times, every new invoice comes exactly once: those
    // sharing one issue time, and those whose time is finer than milliseconds.
    void eachNewInvoiceComesOnce_data() { newInvoicesComeInIssueTimeOrder_data(); }

    void eachNewInvoiceComesOnce()
    {
        QFETCH(Backend, backend);
        QFETCH(bool, issueTimeAsText);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend, issueTimeAsText);
        TJdcConnection &c = db.connection();
        EnsureBuyerTable(c);
        InsertInvoice(c, invoice(QStringLiteral("00000003"), QStringLiteral("2026-12-10 10:00:00.500")));
        InsertInvoice(c, invoice(QStringLiteral("00000001"), QStringLiteral("2026-12-10 10:00:00.500"),
                                 QStringLiteral("132000000002")));
        InsertInvoice(c, invoice(QStringLiteral("00000002"), QStringLiteral("2026-12-10 10:00:00.500")));
        InsertInvoice(c, invoice(QStringLiteral("00000009"), QStringLiteral("2026-12-10 10:05:00.123456")));
        InsertInvoice(c, invoice(QStringLiteral("00000010"), QStringLiteral("2026-12-10 10:05:00.123457")));

        for (const bool printing : {true, false}) {
            IssueBookmark bookmark{QStringLiteral("2026-12-10 10:00:00.000"), QString(), QString()};
            QStringList handled;
            for (int tick = 0; tick < 8; ++tick) {
                PrintRecord record;
                IssueBookmark pending;
                if (printing) {
                    if (!FetchNextPrintRecord(c, bookmark, record, pending))
                        break;
                } else if (!FindNextNewInvoice(c, bookmark, record, pending)) {
                    break;
                }
                handled << pending.invoiceCode.right(1) + QLatin1Char('/') + pending.invoiceNumber;
                bookmark = pending;
            }
            QCOMPARE(handled, (QStringList{"1/00000002", "1/00000003", "2/00000001", "1/00000009", "1/00000010"}));
        }
    }

    // Short texts are read where the driver wrote them, longer ones come in pieces: a row after a
    // long one, and a long one after a short one, must each read whole.
    void cursorReadsTextsOfEveryLength_data() { AddBackendRows(); }
    void cursorReadsTextsOfEveryLength()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        TJdcConnection &c = db.connection();
        c.Execute(QStringLiteral("drop table if exists kv_texts")); // the tables kept from the last run
        c.Execute(QStringLiteral("create table kv_texts (n integer, t varchar(9000), u varchar(20))"));
        const QString longText = QStringLiteral("车架号码ABC").repeated(1100); // 7,700 characters
        const QStringList texts{QStringLiteral("短"), longText, QStringLiteral("北京"), QString(), longText.left(1023),
                                longText.left(1024), longText.left(2047)};
        for (int i = 0; i < texts.size(); ++i) {
            c.Execute(QStringLiteral("insert into kv_texts values (%1, '%2', %3)")
                          .arg(i)
                          .arg(texts[i], i == 3 ? QStringLiteral("null") : QStringLiteral("'尾%1'").arg(i)));
        }
        c.Execute(QStringLiteral("insert into kv_texts values (7, null, '')"));
        OdbcCursor rows(c, QStringLiteral("select t, u from kv_texts order by n"));
        for (int i = 0; i < texts.size(); ++i) {
            QVERIFY(rows.Next());
            QCOMPARE(rows.Text(0).toString(), texts[i]);
            QCOMPARE(rows.Text(1).toString(), i == 3 ? QString() : QStringLiteral("尾%1").arg(i));
        }
        QVERIFY(rows.Next());
        QVERIFY(rows.Text(0).isEmpty());
        QVERIFY(rows.Text(1).isEmpty());
        QVERIFY(!rows.Next());
    }

    // Started without a UTF-8 locale (no LANG: a cron job, a bare session), the programs still
    // store and read Chinese text whole once they have made the character type UTF-8.
    void chineseTextSurvivesTheCLocale_data() { AddBackendRows(); }
    void chineseTextSurvivesTheCLocale()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        const QByteArray before = std::setlocale(LC_ALL, nullptr);
        std::setlocale(LC_ALL, "C");
        UseUtf8CharacterType();
        const QByteArray collation = std::setlocale(LC_COLLATE, nullptr);
        QString stored;
        try {
            // The driver takes the character type when it connects.
            TestDatabase db(backend);
            EnsureBuyerTable(db.connection());
            db.connection().Execute(QStringLiteral("insert into Kerrowvantis (jddm,jdhm,lxdz,BZ) values "
                                                   "('132000000001','00000009','北京市朝阳区车市路8号','1')"));
            OdbcCursor rows(db.connection(), QStringLiteral("select lxdz from Kerrowvantis where jdhm='00000009'"));
            if (rows.Next())
                stored = rows.Text(0).toString();
        } catch (const AppError &error) {
            stored = error.text();
        }
        std::setlocale(LC_ALL, before.constData());
        QCOMPARE(stored, QStringLiteral("北京市朝阳区车市路8号"));
        QCOMPARE(collation, QByteArray("C")); // only the character type is changed
    }

    void refusedStatementFreesItsHandle_data() { AddBackendRows(); }
    void refusedStatementFreesItsHandle()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        const int made = StatementsMade;
        const int freed = StatementsFreed;
        for (int i = 0; i < 3; ++i)
            QVERIFY_THROWS_EXCEPTION(AppError, OdbcCursor(db.connection(), QStringLiteral("select * from no_such_table")));
        QVERIFY(StatementsMade - made >= 3); // the count sees the cursor's statements
        QCOMPARE(StatementsFreed - freed, StatementsMade - made);
    }

    void connectionLost_data()
    {
        QTest::addColumn<QString>("sqlState");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("lost");
        QTest::newRow("communication link failure without the word") << "08S01" << "Could not send Query(to backend)" << true;
        QTest::newRow("connection refused") << "08001" << "could not reach the server" << true;
        QTest::newRow("server ends the session") << "57P01" << "terminating due to administrator command" << true;
        QTest::newRow("column named connection") << "42703" << "ERROR: column \"connection\" does not exist" << false;
        QTest::newRow("SQLite's general error") << "S1000" << "[SQLite]no such column: Connection (1)" << false;
        QTest::newRow("PostgreSQL's driver: the server ended the session")
            << "S1000" << "FATAL:  terminating connection due to administrator command\nserver closed the connection unexpectedly"
            << true;
        QTest::newRow("PostgreSQL's driver: the session already gone")
            << "HY000" << "SQLExecDirectW unable due to the connection lost" << true;
        QTest::newRow("statement cancelled") << "57014" << "canceling statement due to user request" << false;
        QTest::newRow("no state, the word") << "" << "server closed the Connection unexpectedly" << true;
        QTest::newRow("no state, no word") << "" << "disk full" << false;
    }

    void connectionLost()
    {
        QFETCH(QString, sqlState);
        QFETCH(QString, message);
        QFETCH(bool, lost);
        QCOMPARE(IsConnectionLost(sqlState, message), lost);
    }

    // A refused statement whose message speaks of a connection keeps the session: a temporary
    // table lives only as long as it.
    void refusedStatementKeepsTheSession_data() { AddBackendRows(); }
    void refusedStatementKeepsTheSession()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        TJdcConnection &c = db.connection();
        c.Execute(QStringLiteral("create temporary table kv_session (connection int)"));
        const QString refused = QStringLiteral("select connection from bdjdcxstyfp");
        QVERIFY_THROWS_EXCEPTION(AppError, c.Query(refused));
        QVERIFY_THROWS_EXCEPTION(AppError, c.Query(refused + QStringLiteral(" where jddm=:jddm"), {{QStringLiteral("jddm"), QStringLiteral("1")}}));
        QVERIFY_THROWS_EXCEPTION(AppError, OdbcCursor(c, refused));
        QCOMPARE(countRows(c, QStringLiteral("select connection from kv_session")), 0);
    }

    void droppedConnectionComesBack()
    {
        SKIP_UNAVAILABLE(Backend::PostgreSQL);
        TestDatabase db(Backend::PostgreSQL);
        TJdcConnection &c = db.connection();
        EnsureBuyerTable(c);
        TJdcConnection other;
        other.Open(db.dsn());
        other.Execute(QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity "
                                     "where datname='kvtest' and pid <> pg_backend_pid()"));
        try {
            c.Query(QStringLiteral("select count(*) from bdjdcxstyfp"));
            QFAIL("the statement on the dropped connection succeeded");
        } catch (const AppError &error) {
            QVERIFY2(error.text().contains(QStringLiteral("select count(*) from bdjdcxstyfp")), qPrintable(error.text()));
        }
        QCOMPARE(countRows(c, QStringLiteral("select count(*) from bdjdcxstyfp")), 1);

        // The same for the list, read through the cursor.
        other.Execute(QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity "
                                     "where datname='kvtest' and pid <> pg_backend_pid()"));
        QVERIFY_THROWS_EXCEPTION(AppError, OdbcCursor(c, InvoiceListStatement(dayFilter(QStringLiteral("2026-12-10")))));
        OdbcCursor again(c, InvoiceListStatement(dayFilter(QStringLiteral("2026-12-10"))));
        QVERIFY(!again.Next());
    }
};

QTEST_GUILESS_MAIN(TestDatabaseAccess)
#include "tst_database.moc"
