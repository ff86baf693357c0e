#include "JdcConnection.h"

#include "config/AppError.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QUuid>

#include <sql.h>
#include <sqlext.h>

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

// SQLSTATE class 08 is a connection exception; 57P0x is PostgreSQL shutting the session down.
bool connectionLost(const QSqlError &error)
{
    const QString text = error.nativeErrorCode() + QLatin1Char(' ') + error.databaseText();
    static const QStringList markers{QStringLiteral("08S01"), QStringLiteral("08003"), QStringLiteral("08006"),
                                     QStringLiteral("08001"), QStringLiteral("57P01"), QStringLiteral("57P02"),
                                     QStringLiteral("57P03"), QStringLiteral("connection"), QStringLiteral("Connection")};
    for (const QString &marker : markers) {
        if (text.contains(marker))
            return true;
    }
    return false;
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

void TJdcConnection::NoteFailure(const QString &sqlState)
{
    if (sqlState.startsWith(QLatin1String("08")) || sqlState.startsWith(QLatin1String("57P")))
        m_lost = true;
}

void TJdcConnection::Fail(const QString &statement, const QSqlError &error)
{
    if (connectionLost(error))
        m_lost = true;
    throw AppError(errorText(error) + QLatin1Char('\n') + statement);
}

QSqlQuery TJdcConnection::Query(const QString &statement, const QVariantMap &params)
{
    EnsureOpen();
    const QString sql = AdaptStatement(statement, m_dialect);
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.setForwardOnly(true);
    if (params.isEmpty()) {
        if (!query.exec(sql))
            Fail(sql, query.lastError());
        return query;
    }
    if (!query.prepare(sql))
        Fail(sql, query.lastError());
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        query.bindValue(QLatin1Char(':') + it.key(), it.value().toString());
    if (!query.exec())
        Fail(sql, query.lastError());
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
        Fail(QStringLiteral("begin transaction"), db.lastError());
}

void TJdcConnection::Commit()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.commit())
        Fail(QStringLiteral("commit"), db.lastError());
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
