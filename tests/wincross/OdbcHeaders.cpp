// The ODBC headers as the program includes them, compiled for Windows: the SDK's need the types
// of <windows.h> first.

#include "db/OdbcHeaders.h"

// The call OdbcDataSources.cpp lists the user data sources with.
SQLRETURN firstUserDataSource(SQLHENV env, SQLCHAR *name, SQLSMALLINT size, SQLSMALLINT *length)
{
    return SQLDataSources(env, SQL_FETCH_FIRST_USER, name, size, length, nullptr, 0, nullptr);
}
