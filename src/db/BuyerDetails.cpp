#include "BuyerDetails.h"

#include "JdcConnection.h"
#include "SqlDialect.h"

#include <QVariantMap>

namespace {

const QString TableName = QStringLiteral("Kerrowvantis");

struct ColumnUpgrade {
    const char *column;
    const char *statement;
};

// The columns in the table's order, each with the statement that adds it to an older table.
const ColumnUpgrade Upgrades[] = {
    {"jddm", " alter table Kerrowvantis  add   jddm   varchar(16) not null"},
    {"jdhm", " alter table Kerrowvantis  add   jdhm varchar(10) not null"},
    {"zjlx", " alter table Kerrowvantis  add   zjlx varchar(50)"},
    {"lxdz", " alter table Kerrowvantis  add lxdz varchar(150)"},
    {"lxdh", " alter table Kerrowvantis  add lxdh varchar(50)"},
    {"yzbm", " alter table Kerrowvantis  add yzbm varchar(6)"},
    {"BZ", " alter table Kerrowvantis  add BZ char(1) default '0'"},
    {"pql", " alter table Kerrowvantis  add pql varchar(20)"},
};

QVariantMap detailParameters(const QString &invoiceNumber, const QString &invoiceCode, const BuyerDetails &details)
{
    return {{QStringLiteral("jddm"), invoiceCode},          {QStringLiteral("jdhm"), invoiceNumber},
            {QStringLiteral("zjlx"), details.documentType}, {QStringLiteral("lxdz"), details.address},
            {QStringLiteral("lxdh"), details.telephone},    {QStringLiteral("yzbm"), details.postcode}};
}

bool containsName(const QStringList &names, const QString &name)
{
    return names.contains(name, Qt::CaseInsensitive);
}

} // namespace

void EnsureBuyerTable(TJdcConnection &connection)
{
    if (!containsName(connection.Tables(), TableName)) {
        CreateBuyerTable(connection);
        return;
    }
    // The columns without the rows, which on a server would all travel.
    const QStringList columns = connection.ColumnNames(QStringLiteral("select * from Kerrowvantis where 1=0"));
    for (const ColumnUpgrade &upgrade : Upgrades) {
        if (!containsName(columns, QString::fromLatin1(upgrade.column)))
            connection.Execute(QString::fromLatin1(upgrade.statement));
    }
}

void CreateBuyerTable(TJdcConnection &connection)
{
    // The key goes into the table definition itself, the one form every database accepts.
    connection.Execute(QStringLiteral("create table Kerrowvantis\n"
                                      "(jddm varchar(16) not null,\n"
                                      "jdhm varchar(10) not null,\n"
                                      "zjlx varchar(50),\n"
                                      "lxdz varchar(150),\n"
                                      "lxdh varchar(50),\n"
                                      "yzbm varchar(6),\n"
                                      "BZ char(1) default '0',\n"
                                      "pql varchar(20),\n"
                                      "primary key (jddm,jdhm))"));
}

bool BuyerDetailsExist(TJdcConnection &connection, const QString &invoiceNumber, const QString &invoiceCode)
{
    QSqlQuery query = connection.Query(QStringLiteral("select * from Kerrowvantis\n where jddm=:jddm and jdhm=:jdhm"),
                                       {{QStringLiteral("jddm"), invoiceCode}, {QStringLiteral("jdhm"), invoiceNumber}});
    return query.next();
}

void InsertBuyerDetails(TJdcConnection &connection, const QString &invoiceNumber, const QString &invoiceCode,
                        const BuyerDetails &details)
{
    connection.Execute(QStringLiteral("insert into Kerrowvantis\n(jddm,jdhm,zjlx,lxdz,lxdh,yzbm)\n"
                                      "values(:jddm,:jdhm,:zjlx,:lxdz,:lxdh,:yzbm)"),
                       detailParameters(invoiceNumber, invoiceCode, details));
}

void UpdateBuyerDetails(TJdcConnection &connection, const QString &invoiceNumber, const QString &invoiceCode,
                        const BuyerDetails &details)
{
    connection.Execute(QStringLiteral("update Kerrowvantis\n set zjlx=:zjlx,lxdz=:lxdz,lxdh=:lxdh,yzbm=:yzbm\n"
                                      " where jddm=:jddm and jdhm=:jdhm"),
                       detailParameters(invoiceNumber, invoiceCode, details));
}

void StoreBuyerDetails(TJdcConnection &connection, const QString &invoiceNumber, const QString &invoiceCode,
                       const BuyerDetails &details)
{
    if (BuyerDetailsExist(connection, invoiceNumber, invoiceCode))
        UpdateBuyerDetails(connection, invoiceNumber, invoiceCode, details);
    else
        InsertBuyerDetails(connection, invoiceNumber, invoiceCode, details);
}

void MarkUploaded(TJdcConnection &connection, const QString &invoiceCode, const QString &invoiceNumber)
{
    connection.Execute(QStringLiteral("update Kerrowvantis set BZ='1' where jdhm=") + QuotedSql(invoiceNumber)
                       + QStringLiteral(" and jddm=") + QuotedSql(invoiceCode));
}
