#pragma once

#include <QString>

// Runs a statement through nothing but the ODBC C interface and reads every column of every
// row as a string: the yardstick the program's own reading is measured against. Returns the
// milliseconds taken; cells receives the number of values read.
qint64 FetchWithPlainOdbc(const QString &dsn, const QString &statement, qint64 *cells);
