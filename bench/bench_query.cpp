// The invoice list at scale: a generated invoicing database of 100,000 invoices and 50,000 buyer
// details, listed (a) through the plain ODBC C interface into strings and (b) by the main
// window's QueryInvoices until the grid has painted; then the polling fetch.
//
//   bench_query [sqlite|postgresql] [invoices] [details]
//
// PostgreSQL needs KV_PG_PORT (scripts/pg-test-cluster.sh start DIR PORT). The memory figure comes
// from a second run of this program that only opens the window and lists.

#include "BenchSetup.h"
#include "PlainOdbc.h"
#include "app/FrmMain.h"
#include "config/Settings.h"
#include "db/InvoiceGridModel.h"
#include "db/InvoiceQuery.h"
#include "db/JdcConnection.h"
#include "db/demo/DemoData.h"
#include "db/demo/InvoicingSchema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>


#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString Start = QStringLiteral("2000-01-01 00:00:00");
const QString End = QStringLiteral("2100-01-01 00:00:00");

QString listStatement()
{
    InvoiceFilter filter;
    filter.startBound = Start;
    filter.endBound = End;
    return InvoiceListStatement(filter);
}

// (b): the window's own query, until the grid has painted its first screen.
qint64 listInWindow(TFrmMain &window)
{
    QElapsedTimer timer;
    timer.start();
    window.QueryInvoices(Start, End);
    window.Grid()->viewport()->grab();
    return timer.elapsed();
}

// The process's own peak resident size (getrusage would report the parent's after fork and exec).
long peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong() / 1024;
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();

    // The second run: list once in a fresh process and report its peak memory.
    if (args.value(1) == QLatin1String("--memory")) {
        UseBenchDataSources(args.value(2));
        UseBenchSettings(args.value(2), args.value(3));
        auto window = OpenBenchWindow();
        const long before = peakMegabytes();
        listInWindow(*window);
        std::printf("%ld %ld %d\n", before, peakMegabytes(), window->GridModel()->rowCount());
        return 0;
    }

    const QString backend = args.value(1, QStringLiteral("sqlite"));
    const int invoices = args.value(2, QStringLiteral("100000")).toInt();
    const int details = args.value(3, QStringLiteral("50000")).toInt();
    QTemporaryDir folder;
    folder.setAutoRemove(qEnvironmentVariableIsEmpty("BENCH_KEEP"));
    UseBenchDataSources(folder.path());
    const QString dsn = backend == QLatin1String("postgresql") ? QStringLiteral("bench_pg") : QStringLiteral("bench_sqlite");

    QElapsedTimer timer;
    timer.start();
    {
        TJdcConnection connection;
        connection.Open(dsn);
        CreateInvoicingTables(connection);
        const DemoSeller seller = DemoSellerRow();
        InsertSeller(connection, seller);
        const QDateTime now = QDateTime::currentDateTime();
        const QList<DemoInvoice> rows = GenerateDemoInvoices(invoices, 7, now.addDays(-365), now, seller);
        LoadDemoInvoices(connection, rows);
        LoadDemoBuyerDetails(connection, rows, details, 7);
    }
    std::printf("%s: %d invoices, %d buyer details loaded in %lld ms\n", qPrintable(backend), invoices, details,
                timer.elapsed());

    UseBenchSettings(folder.path(), dsn);
    auto window = OpenBenchWindow();
    std::vector<qint64> odbc;
    std::vector<qint64> listed;
    qint64 cells = 0;
    for (int run = 0; run < 3; ++run) {
        odbc.push_back(FetchWithPlainOdbc(dsn, listStatement(), &cells));
        listed.push_back(listInWindow(*window));
    }
    const qint64 a = Median(odbc);
    const qint64 b = Median(listed);
    std::printf("(a) plain ODBC fetch of the list: %lld ms (%lld cells)\n", a, cells);
    std::printf("(b) QueryInvoices until painted:  %lld ms (%d rows)  ratio b/a = %.2f\n", b,
                window->GridModel()->rowCount(), double(b) / double(std::max<qint64>(a, 1)));

    std::vector<qint64> fetches;
    PrintRecord record;
    IssueBookmark pending;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer fetch;
        fetch.start();
        FetchNextPrintRecord(window->JDC(), {QStringLiteral("2000-01-01 00:00:00.000"), QString(), QString()}, record,
                             pending);
        fetches.push_back(fetch.elapsed());
    }
    std::printf("FetchNextPrintRecord (every invoice new): %lld ms\n", Median(fetches));
    window.reset();

    QProcess memory;
    memory.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory"), folder.path(), dsn});
    memory.waitForFinished(600000);
    if (memory.exitCode() != 0)
        std::printf("memory run failed: %s\n", memory.readAllStandardError().constData());
    const QStringList figures = QString::fromLatin1(memory.readAllStandardOutput()).split(QLatin1Char(' '));
    std::printf("peak memory of the program with %s rows listed: %s MB (%s MB before listing)\n",
                qPrintable(figures.value(2).trimmed()), qPrintable(figures.value(1)), qPrintable(figures.value(0)));
    return 0;
}
