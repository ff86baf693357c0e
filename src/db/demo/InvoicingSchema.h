#pragma once

#include <QList>
#include <QString>

class TJdcConnection;

// The invoicing program's tables as the demo database and the tests make them: the invoice
// table bdjdcxstyfp with every column this program reads, and the seller table qtcyxxxhdw.

// The body of an ODBC data-source section for an invoicing database in a SQLite file. StepAPI
// makes the driver hand out rows as SQLite steps through them; without it a whole result is
// buffered first (a hundred thousand listed invoices took 262 MB).
QString SQLiteDataSourceLines(const QString &databaseFile);

enum class IssueTimeColumn { DateTime, Text }; // kpsj as a date-time column or as text

// Drops the two tables, the buyer-details table and the demo mark where they exist, then
// creates the two.
void CreateInvoicingTables(TJdcConnection &connection, IssueTimeColumn kpsj = IssueTimeColumn::DateTime);

// The mark kerrowvantis-demo leaves in a database it filled, a table of its own, so that it
// replaces the tables of no other database, a real invoicing program's least of all.
void MarkDemoDatabase(TJdcConnection &connection);
bool IsDemoDatabase(TJdcConnection &connection);

struct DemoSeller {
    QString nsrsbh, xhdwmc, zgswjgdm, zgswjgmc;
};
void InsertSeller(TJdcConnection &connection, const DemoSeller &seller);

// One invoice row. Values are texts; jshj and zzsse are decimal texts ("170000.00").
struct DemoInvoice {
    QString jddm, jdhm, kprq, kpsj, fpbz = QStringLiteral("0");
    QString ghdw, sfzhm, fdjhm, cd, cjhm, cpxh, jshj, zzsse, zzssl, dw, xcrs;
    QString nsrsbh, xhdwmc, zgswjg_dm, dz, dh, khyh, zh;
    QString cllx, hgzs, jkzmsh, sjdh, bz, kpr, zfrq, zfsj, zfr, tpdm, tphm;
};
void InsertInvoice(TJdcConnection &connection, const DemoInvoice &invoice);
// Many invoices in few statements; the caller decides about the transaction.
void InsertInvoices(TJdcConnection &connection, const QList<DemoInvoice> &invoices);
