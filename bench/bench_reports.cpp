// The monthly reports at scale: the sales invoice list (.xls) and the IC-card data file of a
// month of invoices, each against its own query read through plain ODBC in the same run.
//
//   bench_reports [monthly invoices]
//
// Every measurement runs in a child process forked from the state the month's filling left:
// the plain fetch, run after other work in one process, took anything from 21 to 30 ms
// depending on what ran before it, and a ratio of such figures says more about the order
// than about the report. In each child the thing measured runs once before it is timed, on
// the same connection, as the program's connection has always read before a report is made.

#include "BenchSetup.h"
#include "PlainOdbc.h"
#include "config/Settings.h"
#include "db/JdcConnection.h"
#include "db/SellerDetails.h"
#include "db/SqlDialect.h"
#include "reports/ICData.h"
#include "reports/SaleReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Runs = 7;

// What measure returns, in milliseconds, measured in a child process.
qint64 inChild(const std::function<qint64()> &measure)
{
    int fds[2];
    if (pipe(fds) != 0)
        qFatal("pipe failed");
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0)
        qFatal("fork failed");
    if (pid == 0) {
        close(fds[0]);
        const qint64 ms = measure();
        _exit(write(fds[1], &ms, sizeof ms) == sizeof ms ? 0 : 1);
    }
    close(fds[1]);
    qint64 ms = -1;
    if (read(fds[0], &ms, sizeof ms) != sizeof ms)
        qFatal("a measurement failed");
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return ms;
}

// The second of two runs of work: the first is the warm-up.
qint64 secondRun(const std::function<void()> &work)
{
    work();
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.elapsed();
}

// One report and its yardstick: the report's own query read through plain ODBC.
struct Measured {
    const char *what;
    QString statement;
    std::function<QString(TJdcConnection &)> make;
};

void measure(const QString &dsn, const Measured &m)
{
    std::vector<qint64> plain;
    std::vector<qint64> report;
    std::vector<qint64> driver;
    qint64 cells = 0;
    // The query alone through plain ODBC, making a text of each cell or only reading it. The
    // program's connection is opened beside it: once a process has opened one through Qt's ODBC
    // driver, every ODBC fetch in it is slower, a bare connection's too (29 against 22 ms here),
    // and the yardstick is meant to see the process the reports see.
    const auto plainFetch = [&](bool texts) {
        return inChild([&] {
            TJdcConnection program;
            program.Open(dsn);
            PlainOdbcConnection connection(dsn);
            const QString statement = AdaptStatement(m.statement, SqlDialect::SQLite);
            return secondRun([&] { connection.Fetch(statement, &cells, texts); });
        });
    };
    for (int run = 0; run < Runs; ++run) {
        plain.push_back(plainFetch(true));
        driver.push_back(plainFetch(false));
        report.push_back(inChild([&] {
            TJdcConnection connection;
            connection.Open(dsn);
            LoadSellerDetails(connection);
            return secondRun([&] { m.make(connection); });
        }));
    }
    PlainOdbcConnection(dsn).Fetch(AdaptStatement(m.statement, SqlDialect::SQLite), &cells);
    const qint64 reportMs = Median(report);
    const qint64 plainMs = Median(plain);
    const qint64 driverMs = Median(driver);
    std::printf("%s: %lld ms; the same query through plain ODBC: %lld ms (%lld cells); ratio %.2f\n", m.what,
                reportMs, plainMs, cells, double(reportMs) / double(std::max<qint64>(plainMs, 1)));
    std::printf("    the driver alone, no text made of the cells: %lld ms; ratio %.2f\n", driverMs,
                double(reportMs) / double(std::max<qint64>(driverMs, 1)));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int monthly = QCoreApplication::arguments().value(1, QStringLiteral("10000")).toInt();

    QTemporaryDir folder;
    UseBenchDataSources(folder.path());
    const QString dsn = QStringLiteral("bench_sqlite");
    const QDate month(2026, 11, 1);
    FillBenchMonth(dsn, month, monthly);
    std::printf("%d invoices in %s\n", monthly, qPrintable(month.toString(QStringLiteral("yyyy-MM"))));

    const QString path = folder.filePath(QStringLiteral("list.xls"));
    measure(dsn, {"sales invoice list",
                  QStringLiteral("select jddm,jdhm,cd,cpxh,cjhm,jshj from bdjdcxstyfp where (fpbz='0' or fpbz='2') and "
                                 "kpsj >= '2026-11-01' and kpsj < '2026-12-01' order by jddm,jdhm,kpsj"),
                  [&](TJdcConnection &connection) {
                      WriteSaleReport(connection, QStringLiteral(TEMPLATE_DIR "/机动车销售统一发票清单.vts"), path,
                                      month, Seller());
                      return path;
                  }});
    measure(dsn, {"IC-card data file",
                  QStringLiteral("select jddm,jdhm,cd,cpxh,cjhm,jshj from bdjdcxstyfp where (fpbz='0' or fpbz='2') and "
                                 "kpsj >= '2026-11-01' and kpsj < '2026-12-01' order by kpsj"),
                  [&](TJdcConnection &connection) {
                      return WriteICData(connection, folder.path(), QDate(2026, 12, 15), month, Seller());
                  }});
    return 0;
}
