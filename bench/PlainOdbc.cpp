#include "PlainOdbc.h"

#include <QElapsedTimer>

#include <sql.h>
#include <sqlext.h>

#include <vector>

PlainOdbcConnection::PlainOdbcConnection(const QString &dsn)
{
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
    SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
    const QByteArray name = dsn.toUtf8();
    if (!SQL_SUCCEEDED(SQLConnect(m_dbc, (SQLCHAR *)name.constData(), SQL_NTS, nullptr, 0, nullptr, 0)))
        qFatal("ODBC connect failed");
}

PlainOdbcConnection::~PlainOdbcConnection()
{
    SQLDisconnect(m_dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, m_env);
}

qint64 PlainOdbcConnection::Fetch(const QString &statement, qint64 *cells, bool texts)
{
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt);

    QElapsedTimer timer;
    timer.start();
    const std::u16string sql = statement.toStdU16String();
    if (!SQL_SUCCEEDED(SQLExecDirectW(stmt, (SQLWCHAR *)sql.c_str(), SQL_NTS)))
        qFatal("ODBC statement failed");
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    std::vector<QString> row(static_cast<size_t>(columns));
    SQLWCHAR buffer[4096];
    *cells = 0;
    while (SQL_SUCCEEDED(SQLFetch(stmt))) {
        for (SQLUSMALLINT c = 1; c <= columns; ++c) {
            SQLLEN length = 0;
            SQLGetData(stmt, c, SQL_C_WCHAR, buffer, sizeof buffer, &length);
            if (texts)
                row[c - 1] = length > 0 ? QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer), length / 2) : QString();
            ++*cells;
        }
    }
    const qint64 elapsed = timer.elapsed();
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return elapsed;
}

qint64 FetchWithPlainOdbc(const QString &dsn, const QString &statement, qint64 *cells)
{
    return PlainOdbcConnection(dsn).Fetch(statement, cells);
}
