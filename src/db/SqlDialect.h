#pragma once

#include <QString>

// The databases the invoicing program is found on. Statements are written once; where a
// database cannot parse one of them, AdaptStatement rewrites that part and nothing else.
enum class SqlDialect { Other, SQLite, PostgreSQL, SqlServer };

// The dialect of a DBMS name as the ODBC driver reports it (SQL_DBMS_NAME).
SqlDialect DialectOfDbms(const QString &dbmsName);

// SQLite knows no Left(x, n): it becomes substr(x, 1, n). Other databases get the text as it is.
QString AdaptStatement(const QString &statement, SqlDialect dialect);

// A value between single quotes with every quote inside it doubled.
QString QuotedSql(const QString &value);
