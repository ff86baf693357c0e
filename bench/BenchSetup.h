#pragma once

#include <QDate>
#include <QString>

#include <memory>
#include <vector>

class TFrmMain;

// What the benchmarks that open the program's main window share.

// Points ODBCINI at an ODBC file of the benchmarks' own in folder, written once, with the data
// sources bench_sqlite (a SQLite file in folder) and bench_pg (the cluster on KV_PG_PORT).
void UseBenchDataSources(const QString &folder);

// Points the program at a settings file in folder that names the data source.
void UseBenchSettings(const QString &folder, const QString &dsn);

// The main window as the program opens it from the settings in use, without a notification area.
std::unique_ptr<TFrmMain> OpenBenchWindow();

// Fresh invoicing tables in dsn with the demo seller and invoices issued across the month of
// first (its first day).
void FillBenchMonth(const QString &dsn, const QDate &first, int invoices);

qint64 Median(std::vector<qint64> values);
