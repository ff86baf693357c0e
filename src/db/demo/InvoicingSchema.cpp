#include "InvoicingSchema.h"

#include "db/JdcConnection.h"

#include <QVariantMap>

namespace {

const QString DemoMarkTable = QStringLiteral("kerrowvantis_demo");

} // namespace

void CreateInvoicingTables(TJdcConnection &connection, IssueTimeColumn kpsj)
{
    const QStringList tables = connection.Tables();
    for (const QString &table : {QStringLiteral("bdjdcxstyfp"), QStringLiteral("qtcyxxxhdw"),
                                 QStringLiteral("Kerrowvantis"), DemoMarkTable}) {
        if (tables.contains(table, Qt::CaseInsensitive))
            connection.Execute(QStringLiteral("drop table %1").arg(table));
    }
    const QString timeType = kpsj == IssueTimeColumn::Text ? QStringLiteral("varchar(30)") : QStringLiteral("timestamp");
    connection.Execute(QStringLiteral(
        "create table bdjdcxstyfp (jddm varchar(16) not null, jdhm varchar(10) not null, kprq varchar(30), kpsj %1,"
        " fpbz varchar(1), ghdw varchar(100), sfzhm varchar(40), fdjhm varchar(40), cd varchar(100),"
        " cjhm varchar(40), cpxh varchar(60), jshj numeric(18,2), zzsse numeric(18,2), zzssl varchar(10),"
        " dw varchar(20), xcrs varchar(10), nsrsbh varchar(20), xhdwmc varchar(100), zgswjg_dm varchar(20),"
        " dz varchar(100), dh varchar(40), khyh varchar(100), zh varchar(40), cllx varchar(40), hgzs varchar(40),"
        " jkzmsh varchar(40), sjdh varchar(40), bz varchar(200), kpr varchar(20), zfrq varchar(30), zfsj varchar(30),"
        " zfr varchar(20), tpdm varchar(16), tphm varchar(10), primary key (jddm, jdhm))").arg(timeType));
    connection.Execute(QStringLiteral("create table qtcyxxxhdw (nsrsbh varchar(20), xhdwmc varchar(100),"
                                      " zgswjgdm varchar(20), zgswjgmc varchar(100))"));
}

void MarkDemoDatabase(TJdcConnection &connection)
{
    if (IsDemoDatabase(connection))
        return;
    connection.Execute(QStringLiteral("create table %1 (note varchar(100))").arg(DemoMarkTable));
    connection.Execute(QStringLiteral("insert into %1 (note) values ('made by kerrowvantis-demo, which may replace"
                                      " its tables')").arg(DemoMarkTable));
}

bool IsDemoDatabase(TJdcConnection &connection)
{
    return connection.Tables().contains(DemoMarkTable, Qt::CaseInsensitive);
}

QString SQLiteDataSourceLines(const QString &databaseFile)
{
    return QStringLiteral("Driver=SQLite3\nDatabase=%1\nTimeout=2000\nStepAPI=1\n").arg(databaseFile);
}

void InsertSeller(TJdcConnection &connection, const DemoSeller &seller)
{
    connection.Execute(QStringLiteral("insert into qtcyxxxhdw (nsrsbh,xhdwmc,zgswjgdm,zgswjgmc)"
                                      " values (:nsrsbh,:xhdwmc,:zgswjgdm,:zgswjgmc)"),
                       {{QStringLiteral("nsrsbh"), seller.nsrsbh},
                        {QStringLiteral("xhdwmc"), seller.xhdwmc},
                        {QStringLiteral("zgswjgdm"), seller.zgswjgdm},
                        {QStringLiteral("zgswjgmc"), seller.zgswjgmc}});
}

namespace {

const char *const InvoiceColumns = "jddm,jdhm,kprq,kpsj,fpbz,ghdw,sfzhm,fdjhm,cd,cjhm,cpxh,jshj,zzsse,zzssl,dw,xcrs,"
                                   "nsrsbh,xhdwmc,zgswjg_dm,dz,dh,khyh,zh,cllx,hgzs,jkzmsh,sjdh,bz,kpr,zfrq,zfsj,zfr,"
                                   "tpdm,tphm";

// "(...)" with the invoice's values in InvoiceColumns order. Literals rather than bound text,
// so that every database converts them to its numeric and timestamp columns by itself.
QString invoiceValues(const DemoInvoice &v)
{
    // Empty numbers and times are NULL; everything else goes in as quoted text.
    const auto orNull = [](const QString &value) { return value.isEmpty() ? QStringLiteral("NULL") : QuotedSql(value); };
    const QStringList values{
        QuotedSql(v.jddm),   QuotedSql(v.jdhm),   QuotedSql(v.kprq),   orNull(v.kpsj),      QuotedSql(v.fpbz),
        QuotedSql(v.ghdw),   QuotedSql(v.sfzhm),  QuotedSql(v.fdjhm),  QuotedSql(v.cd),     QuotedSql(v.cjhm),
        QuotedSql(v.cpxh),   orNull(v.jshj),      orNull(v.zzsse),     QuotedSql(v.zzssl),  QuotedSql(v.dw),
        QuotedSql(v.xcrs),   QuotedSql(v.nsrsbh), QuotedSql(v.xhdwmc), QuotedSql(v.zgswjg_dm),
        QuotedSql(v.dz),     QuotedSql(v.dh),     QuotedSql(v.khyh),   QuotedSql(v.zh),     QuotedSql(v.cllx),
        QuotedSql(v.hgzs),   QuotedSql(v.jkzmsh), QuotedSql(v.sjdh),   QuotedSql(v.bz),     QuotedSql(v.kpr),
        QuotedSql(v.zfrq),   QuotedSql(v.zfsj),   QuotedSql(v.zfr),    QuotedSql(v.tpdm),   QuotedSql(v.tphm)};
    return QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')');
}

QString insertHead()
{
    return QStringLiteral("insert into bdjdcxstyfp (%1) values ").arg(QLatin1String(InvoiceColumns));
}

} // namespace

void InsertInvoice(TJdcConnection &connection, const DemoInvoice &invoice)
{
    connection.Execute(insertHead() + invoiceValues(invoice));
}

void InsertInvoices(TJdcConnection &connection, const QList<DemoInvoice> &invoices)
{
    // Several hundred rows a statement: far fewer round trips than one insert each, and well
    // inside every database's statement and row-list limits.
    constexpr qsizetype RowsPerStatement = 200;
    for (qsizetype start = 0; start < invoices.size(); start += RowsPerStatement) {
        QString statement = insertHead();
        const qsizetype end = qMin(invoices.size(), start + RowsPerStatement);
        for (qsizetype i = start; i < end; ++i) {
            if (i > start)
                statement += QLatin1Char(',');
            statement += invoiceValues(invoices.at(i));
        }
        connection.Execute(statement);
    }
}
