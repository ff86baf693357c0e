#include "Settings.h"

#include "GbkText.h"

#include <sql.h>
#include <sqlext.h>

QStringList ListOdbcDataSources()
{
    QStringList names;
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return names;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);

    SQLCHAR name[SQL_MAX_DSN_LENGTH + 1];
    SQLCHAR description[512];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST_USER;
    while (SQL_SUCCEEDED(SQLDataSources(env, direction, name, sizeof name, &nameLength, description,
                                        sizeof description, &descriptionLength))) {
        names.append(Gbk::decode(QByteArray(reinterpret_cast<const char *>(name))));
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return names;
}
