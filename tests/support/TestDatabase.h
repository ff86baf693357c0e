#pragma once

#include "db/JdcConnection.h"
#include "db/demo/InvoicingSchema.h"

#include <QString>
#include <QMetaType>


// The databases the tests run against: SQLite through its ODBC driver, and PostgreSQL through
// its ODBC driver on the cluster test.sh starts (KV_PG_PORT).
enum class Backend { SQLite, PostgreSQL };
Q_DECLARE_METATYPE(Backend)

QString BackendName(Backend backend);

// A fresh invoicing database of the test's own, registered as a user data source in the test's
// own ODBC file, with empty invoice and seller tables and no buyer-details table.
class TestDatabase final
{
public:
    explicit TestDatabase(Backend backend, bool issueTimeAsText = false);

    // Empty when the backend can be used; else why not (the test skips).
    static QString Unavailable(Backend backend);

    Backend backend() const { return m_backend; }
    QString dsn() const { return m_dsn; }
    TJdcConnection &connection() { return m_connection; }

private:
    Backend m_backend;
    QString m_dsn;
    TJdcConnection m_connection;
};

// The dealer most tests sell as: 某某汽车销售有限公司, taxpayer number 110101200801010.
DemoSeller TestSeller();

// Adds one section to the test's ODBC file (ODBCINI), replacing one of the same name.
void RegisterTestDataSource(const QString &name, const QString &body);

// Every row of a statement's result, its values joined by "|".
QStringList SelectedRows(TJdcConnection &connection, const QString &statement);

// The uploaded mark (BZ) of the invoice with that number, or "<no row>".
QString UploadMark(TJdcConnection &connection, const QString &invoiceNumber);

// Runs the data-driven test body once per backend: use in a _data() function.
void AddBackendRows();

// Skips the test when the backend cannot be used here.
#define SKIP_UNAVAILABLE(backend)                                                                                     \
    if (const QString why = TestDatabase::Unavailable(backend); !why.isEmpty())                                       \
    QSKIP(qPrintable(why))
