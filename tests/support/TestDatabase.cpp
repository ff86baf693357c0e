#include "TestDatabase.h"

#include "TestSupport.h"
#include "config/AppError.h"
#include "db/SqlDialect.h"
#include "db/demo/InvoicingSchema.h"

#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

QString BackendName(Backend backend)
{
    return backend == Backend::SQLite ? QStringLiteral("sqlite") : QStringLiteral("postgresql");
}

QString TestDatabase::Unavailable(Backend backend)
{
    if (backend == Backend::PostgreSQL && qEnvironmentVariableIsEmpty("KV_PG_PORT"))
        return QStringLiteral("no PostgreSQL test cluster (KV_PG_PORT is not set; ./test.sh starts one)");
    return {};
}

void RegisterTestDataSource(const QString &name, const QString &body)
{
    const QString path = qEnvironmentVariable("ODBCINI");
    if (path.isEmpty())
        qFatal("ODBCINI is not set: the tests must not touch the user's own ODBC file");
    const QString section = QLatin1Char('[') + name + QStringLiteral("]\n") + body + QLatin1Char('\n');
    QString text = QString::fromUtf8(readFileBytes(path));
    // The driver manager caches the file by its modification time: leave it alone when it
    // already holds the section.
    if (text.contains(section))
        return;
    const QString header = QLatin1Char('[') + name + QLatin1Char(']');
    if (const qsizetype start = text.indexOf(header); start >= 0) {
        const qsizetype end = text.indexOf(QLatin1String("\n["), start + 1);
        text.remove(start, end < 0 ? text.size() - start : end + 1 - start);
    }
    writeFileBytes(path, (text + section).toUtf8());
}

TestDatabase::TestDatabase(Backend backend, bool issueTimeAsText)
    : m_backend(backend)
{
    if (backend == Backend::SQLite) {
        // One database file per test program, its tables made anew for each test: the data
        // source stays the same.
        m_dsn = QStringLiteral("kvtest_sqlite");
        const QString file = QDir(QDir::homePath()).filePath(QStringLiteral("invoicing.db"));
        RegisterTestDataSource(m_dsn, SQLiteDataSourceLines(file));
    } else {
        m_dsn = QStringLiteral("kvtest_pg");
        RegisterTestDataSource(m_dsn, QStringLiteral("Driver=PostgreSQL Unicode\nServername=127.0.0.1\nPort=%1\n"
                                                     "Database=kvtest\nUsername=kv\nPassword=\n")
                                          .arg(qEnvironmentVariable("KV_PG_PORT")));
    }
    try {
        m_connection.Open(m_dsn);
        CreateInvoicingTables(m_connection, issueTimeAsText ? IssueTimeColumn::Text : IssueTimeColumn::DateTime);
    } catch (const AppError &error) {
        qWarning("%s database: %s", qPrintable(BackendName(backend)), qPrintable(error.text()));
        throw;
    }
}

void AddBackendRows()
{
    QTest::addColumn<Backend>("backend");
    QTest::newRow("sqlite") << Backend::SQLite;
    QTest::newRow("postgresql") << Backend::PostgreSQL;
}

QStringList SelectedRows(TJdcConnection &connection, const QString &statement)
{
    QSqlQuery query = connection.Query(statement);
    QStringList rows;
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values << query.value(i).toString();
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

QString UploadMark(TJdcConnection &connection, const QString &invoiceNumber)
{
    const QStringList marks = SelectedRows(connection, QStringLiteral("select BZ from Kerrowvantis where jdhm=") + QuotedSql(invoiceNumber));
    return marks.value(0, QStringLiteral("<no row>"));
}

DemoSeller TestSeller()
{
    return {QStringLiteral("110101200801010"), QStringLiteral("某某汽车销售有限公司"), QStringLiteral("13205810000"),
            QStringLiteral("某某税务分局")};
}
