#include "InvoicingSchema.h"

#include "db/JdcConnection.h"

#include <QVariantMap>

void CreateInvoicingTables(TJdcConnection &connection, IssueTimeColumn kpsj)
{
    const QStringList tables = connection.Tables();
    for (const char *table : {"bdjdcxstyfp", "qtcyxxxhdw", "Kerrowvantis"}) {
        if (tables.contains(QString::fromLatin1(table), Qt::CaseInsensitive))
            connection.Execute(QStringLiteral("drop table %1").arg(QString::fromLatin1(table)));
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

void InsertSeller(TJdcConnection &connection, const DemoSeller &seller)
{
    connection.Execute(QStringLiteral("insert into qtcyxxxhdw (nsrsbh,xhdwmc,zgswjgdm,zgswjgmc)"
                                      " values (:nsrsbh,:xhdwmc,:zgswjgdm,:zgswjgmc)"),
                       {{QStringLiteral("nsrsbh"), seller.nsrsbh},
                        {QStringLiteral("xhdwmc"), seller.xhdwmc},
                        {QStringLiteral("zgswjgdm"), seller.zgswjgdm},
                        {QStringLiteral("zgswjgmc"), seller.zgswjgmc}});
}

void InsertInvoice(TJdcConnection &connection, const DemoInvoice &v)
{
    const QList<QPair<const char *, QString>> columns{
        {"jddm", v.jddm},   {"jdhm", v.jdhm},     {"kprq", v.kprq},     {"kpsj", v.kpsj},   {"fpbz", v.fpbz},
        {"ghdw", v.ghdw},   {"sfzhm", v.sfzhm},   {"fdjhm", v.fdjhm},   {"cd", v.cd},       {"cjhm", v.cjhm},
        {"cpxh", v.cpxh},   {"jshj", v.jshj},     {"zzsse", v.zzsse},   {"zzssl", v.zzssl}, {"dw", v.dw},
        {"xcrs", v.xcrs},   {"nsrsbh", v.nsrsbh}, {"xhdwmc", v.xhdwmc}, {"zgswjg_dm", v.zgswjg_dm},
        {"dz", v.dz},       {"dh", v.dh},         {"khyh", v.khyh},     {"zh", v.zh},       {"cllx", v.cllx},
        {"hgzs", v.hgzs},   {"jkzmsh", v.jkzmsh}, {"sjdh", v.sjdh},     {"bz", v.bz},       {"kpr", v.kpr},
        {"zfrq", v.zfrq},   {"zfsj", v.zfsj},     {"zfr", v.zfr},       {"tpdm", v.tpdm},   {"tphm", v.tphm}};
    QStringList names;
    QStringList values;
    for (const auto &[name, value] : columns) {
        names << QString::fromLatin1(name);
        // Empty numbers and times are NULL; everything else goes in as quoted text.
        const bool nullable = qstrcmp(name, "jshj") == 0 || qstrcmp(name, "zzsse") == 0 || qstrcmp(name, "kpsj") == 0;
        values << (nullable && value.isEmpty() ? QStringLiteral("NULL") : QuotedSql(value));
    }
    connection.Execute(QStringLiteral("insert into bdjdcxstyfp (%1) values (%2)").arg(names.join(QLatin1Char(',')), values.join(QLatin1Char(','))));
}
