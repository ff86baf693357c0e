#pragma once

#include "SqlDialect.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// Whether a failed statement lost the connection, by the SQLSTATE the driver reported: class
// 08, or PostgreSQL's 57P (the server ended the session). Without a state, by the message.
bool IsConnectionLost(const QString &sqlState, const QString &message);

// The one connection to the invoicing database (JDC), through an ODBC data source. Every
// statement goes through it, adapted to the connected database. A statement the database
// refuses raises AppError with the database's text and the statement; when the connection
// itself was lost, the next statement opens it again.
class TJdcConnection final
{
public:
    TJdcConnection();
    ~TJdcConnection();
    TJdcConnection(const TJdcConnection &) = delete;
    TJdcConnection &operator=(const TJdcConnection &) = delete;

    // Opens the data source named dsn without a login prompt; raises AppError with the
    // driver's text when it cannot.
    void Open(const QString &dsn);
    // Opens with a full ODBC connection string ("DRIVER=...;DATABASE=...").
    void OpenConnectionString(const QString &connectionString);
    bool IsOpen() const;
    void Close();

    SqlDialect Dialect() const { return m_dialect; }
    QString DbmsName() const { return m_dbmsName; }

    // Runs a statement and returns its result, positioned before the first row. Parameters
    // named ":name" in the text are bound from params as text.
    QSqlQuery Query(const QString &statement, const QVariantMap &params = {});
    // Runs a statement whose result nobody reads.
    void Execute(const QString &statement, const QVariantMap &params = {});

    // Groups many statements into one transaction (bulk loading); Commit ends it.
    void BeginTransaction();
    void Commit();

    // Names of the database's own tables (system tables left out).
    QStringList Tables();
    // Names of the columns of a statement's result.
    QStringList ColumnNames(const QString &statement);

    // The driver's connection handle (SQLHDBC) for work done through the ODBC C interface.
    void *OdbcHandle() const;
    // Opens the connection again when it was lost; raises AppError when it cannot.
    void EnsureOpen();
    // Notes a statement that failed outside this class, by its SQLSTATE and message.
    void NoteFailure(const QString &sqlState, const QString &message);

private:
    void OpenDatabase();
    [[noreturn]] void Fail(const QString &statement, const QSqlError &error, const QString &sqlState);

    QString m_connectionName;
    QString m_databaseName;
    SqlDialect m_dialect = SqlDialect::Other;
    QString m_dbmsName;
    bool m_lost = false;
};
