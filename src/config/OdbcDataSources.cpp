#include "Settings.h"

#include "GbkText.h"

#include "db/OdbcHeaders.h"

#include <vector>

namespace {

// The names as listed into a buffer the size of name; false when one did not fit, with *needed
// the bytes it takes.
bool listNames(SQLHENV env, std::vector<SQLCHAR> &name, QStringList *names, SQLSMALLINT *needed)
{
    names->clear();
    SQLSMALLINT nameLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST_USER;
    while (SQL_SUCCEEDED(SQLDataSources(env, direction, name.data(), static_cast<SQLSMALLINT>(name.size()),
                                        &nameLength, nullptr, 0, nullptr))) {
        // A cut name would be chosen and then fail to connect.
        if (nameLength >= static_cast<SQLSMALLINT>(name.size())) {
            *needed = nameLength;
            return false;
        }
        names->append(Gbk::decode(QByteArray(reinterpret_cast<const char *>(name.data()), nameLength)));
        direction = SQL_FETCH_NEXT;
    }
    return true;
}

} // namespace

QStringList ListOdbcDataSources()
{
    QStringList names;
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return names;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    // Room for far more than the ODBC maximum; a longer name starts the listing again with
    // room for it, since the listing cannot go back one name.
    std::vector<SQLCHAR> name(256);
    SQLSMALLINT needed = 0;
    while (!listNames(env, name, &names, &needed) && static_cast<size_t>(needed) >= name.size())
        name.resize(static_cast<size_t>(needed) + 1);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return names;
}
