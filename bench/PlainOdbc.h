#pragma once

#include <QString>

// Runs a statement through nothing but the ODBC C interface and reads every column of every
// row as a string: the yardstick the program's own reading is measured against. Returns the
// milliseconds taken; cells receives the number of values read.
qint64 FetchWithPlainOdbc(const QString &dsn, const QString &statement, qint64 *cells);

// The same over one connection kept open, as the program keeps its own: for measurements
// that repeat, so that both sides of a ratio read from a connection that has read before.
class PlainOdbcConnection final
{
public:
    explicit PlainOdbcConnection(const QString &dsn);
    ~PlainOdbcConnection();
    PlainOdbcConnection(const PlainOdbcConnection &) = delete;
    PlainOdbcConnection &operator=(const PlainOdbcConnection &) = delete;

    // With texts false the cells are read into one buffer and no string is made of them: the
    // driver's own share of the work, the floor under any reading.
    qint64 Fetch(const QString &statement, qint64 *cells, bool texts = true);

private:
    void *m_env = nullptr; // SQLHENV
    void *m_dbc = nullptr; // SQLHDBC
};
