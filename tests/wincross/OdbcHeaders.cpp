// The ODBC headers as the program includes them, compiled for Windows as Qt's targets are
// (UNICODE defined): the SDK's need the types of <windows.h> first, and the calls the program
// makes with byte buffers must stay the byte ones.

#include "db/OdbcHeaders.h"

#if defined(SQLDataSources) || defined(SQLGetInfo)
#error "the ODBC headers make the byte calls their UTF-16 forms"
#endif

// The data-source listing's call (OdbcDataSources.cpp) and the database name's (JdcConnection.cpp).
SQLRETURN firstUserDataSource(SQLHENV env, SQLCHAR *name, SQLSMALLINT size, SQLSMALLINT *length)
{
    return SQLDataSources(env, SQL_FETCH_FIRST_USER, name, size, length, nullptr, 0, nullptr);
}

SQLRETURN databaseName(SQLHDBC connection, SQLCHAR *name, SQLSMALLINT size, SQLSMALLINT *length)
{
    return SQLGetInfo(connection, SQL_DBMS_NAME, name, size, length);
}
