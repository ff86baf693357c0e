#include "JdcConnection.h"

#include <algorithm>
#include <iterator>

#include "config/AppError.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlResult>
#include <QUuid>

#include "OdbcHeaders.h"

namespace {

QString errorText(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    const QString driverText = error.driverText().trimmed();
    if (text.isEmpty())
        text = driverText;
    else if (!driverText.isEmpty() && !text.contains(driverText))
        text = driverText + QLatin1Char('\n') + text;
    return text;
}

// The SQLSTATE of the handle's first diagnostic record; empty when there is none.
QString sqlStateOf(SQLSMALLINT handleType, SQLHANDLE handle)
{
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!handle || !SQL_SUCCEEDED(SQLGetDiagRecW(handleType, handle, 1, state, &native, nullptr, 0, &length)))
        return {};
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(state), 5);
}

// Qt's error holds the driver's native code, not the SQLSTATE; the statement keeps its
// diagnostics until it is used again.
QString sqlStateOf(const QSqlQuery &query)
{
    const QVariant handle = query.result()->handle();
    return handle.isValid() ? sqlStateOf(SQL_HANDLE_STMT, *static_cast<const SQLHANDLE *>(handle.constData())) : QString();
}

QString dbmsNameOf(SQLHDBC hdbc)
{
    if (!hdbc)
        return {};
    SQLCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(hdbc, SQL_DBMS_NAME, name, sizeof name, &length)))
        return {};
    return QString::fromLatin1(reinterpret_cast<const char *>(name));
}

} // namespace

TJdcConnection::TJdcConnection()
    : m_connectionName(QStringLiteral("JDC-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

TJdcConnection::~TJdcConnection()
{
    Close();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void TJdcConnection::Open(const QString &dsn)
{
    // A bare name is connected as a data source (SQLConnect), without any login prompt.
    m_databaseName = dsn;
    OpenDatabase();
}

void TJdcConnection::OpenConnectionString(const QString &connectionString)
{
    m_databaseName = connectionString;
    OpenDatabase();
}

void TJdcConnection::OpenDatabase()
{
    QSqlDatabase db = QSqlDatabase::contains(m_connectionName) ? QSqlDatabase::database(m_connectionName, false)
                                                               : QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connectionName);
    db.setDatabaseName(m_databaseName);
    if (!db.open())
        throw AppError(errorText(db.lastError()));
    m_lost = false;
    m_dbmsName = dbmsNameOf(static_cast<SQLHDBC>(OdbcHandle()));
    m_dialect = DialectOfDbms(m_dbmsName);
}

bool TJdcConnection::IsOpen() const
{
    return QSqlDatabase::contains(m_connectionName) && QSqlDatabase::database(m_connectionName, false).isOpen();
}

void TJdcConnection::Close()
{
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::database(m_connectionName, false).close();
}

void TJdcConnection::EnsureOpen()
{
    if (m_databaseName.isEmpty())
        throw AppError(QStringLiteral("没有连接数据库"));
    if (m_lost || !IsOpen()) {
        Close();
        OpenDatabase();
    }
}

bool IsConnectionLost(const QString &sqlState, const QString &message)
{
    if (sqlState.isEmpty())
        return message.contains(QLatin1String("connection"), Qt::CaseInsensitive);
    // Class 08 is a connection exception; 57P is PostgreSQL ending the session.
    if (sqlState.startsWith(QLatin1String("08")) || sqlState.startsWith(QLatin1String("57P")))
        return true;
    // PostgreSQL's driver reports a session the server ended as a general error (S1000, HY000)
    // with the server's own words; only those words count, not "connection" in any message.
    if (sqlState == QLatin1String("S1000") || sqlState == QLatin1String("HY000")) {
        static const char *const Gone[] = {"server closed the connection unexpectedly",
                                           "terminating connection due to administrator command",
                                           "no connection to the server", "could not send data to server",
                                           "the connection was closed", "connection lost"};
        return std::any_of(std::begin(Gone), std::end(Gone), [&](const char *words) {
            return message.contains(QLatin1String(words), Qt::CaseInsensitive);
        });
    }
    return false;
}

void TJdcConnection::NoteFailure(const QString &sqlState, const QString &message)
{
    if (IsConnectionLost(sqlState, message))
        m_lost = true;
}

void TJdcConnection::Fail(const QString &statement, const QSqlError &error, const QString &sqlState)
{
    const QString text = errorText(error);
    NoteFailure(sqlState, text);
    throw AppError(text + QLatin1Char('\n') + statement);
}

QSqlQuery TJdcConnection::Query(const QString &statement, const QVariantMap &params)
{
    EnsureOpen();
    const QString sql = AdaptStatement(statement, m_dialect);
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.setForwardOnly(true);
    if (params.isEmpty()) {
        if (!query.exec(sql))
            Fail(sql, query.lastError(), sqlStateOf(query));
        return query;
    }
    if (!query.prepare(sql))
        Fail(sql, query.lastError(), sqlStateOf(query));
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        query.bindValue(QLatin1Char(':') + it.key(), it.value().toString());
    if (!query.exec())
        Fail(sql, query.lastError(), sqlStateOf(query));
    return query;
}

void TJdcConnection::Execute(const QString &statement, const QVariantMap &params)
{
    Query(statement, params);
}

void TJdcConnection::BeginTransaction()
{
    EnsureOpen();
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.transaction())
        Fail(QStringLiteral("begin transaction"), db.lastError(), sqlStateOf(SQL_HANDLE_DBC, OdbcHandle()));
}

void TJdcConnection::Commit()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.commit())
        Fail(QStringLiteral("commit"), db.lastError(), sqlStateOf(SQL_HANDLE_DBC, OdbcHandle()));
}

QStringList TJdcConnection::Tables()
{
    EnsureOpen();
    return QSqlDatabase::database(m_connectionName, false).tables(QSql::Tables);
}

QStringList TJdcConnection::ColumnNames(const QString &statement)
{
    const QSqlRecord record = Query(statement).record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    return names;
}

void *TJdcConnection::OdbcHandle() const
{
    if (!QSqlDatabase::contains(m_connectionName))
        return nullptr;
    const QVariant handle = QSqlDatabase::database(m_connectionName, false).driver()->handle();
    return handle.isValid() ? *static_cast<void *const *>(handle.constData()) : nullptr;
}
