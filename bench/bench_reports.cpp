// The monthly reports at scale: the sales invoice list (.xls) and the IC-card data file of a
// month of invoices, each against its own query read through plain ODBC in the same run.
//
//   bench_reports [monthly invoices]

#include "BenchSetup.h"
#include "PlainOdbc.h"
#include "config/Settings.h"
#include "db/JdcConnection.h"
#include "db/SellerDetails.h"
#include "db/SqlDialect.h"
#include "db/demo/DemoData.h"
#include "db/demo/InvoicingSchema.h"
#include "reports/ICData.h"
#include "reports/SaleReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Median milliseconds of three runs of each, and their ratio.
void compare(const char *what, const QString &dsn, const QString &statement, const std::function<QString()> &make)
{
    qint64 cells = 0;
    std::vector<qint64> plain;
    std::vector<qint64> report;
    QString path;
    for (int run = 0; run < 3; ++run) {
        plain.push_back(FetchWithPlainOdbc(dsn, AdaptStatement(statement, SqlDialect::SQLite), &cells));
        QElapsedTimer timer;
        timer.start();
        path = make();
        report.push_back(timer.elapsed());
    }
    const qint64 reportMs = Median(report);
    const qint64 plainMs = Median(plain);
    std::printf("%s: %lld ms (%lld bytes); the same query through plain ODBC: %lld ms (%lld cells); ratio %.2f\n", what,
                reportMs, qint64(QFileInfo(path).size()), plainMs, cells,
                double(reportMs) / double(std::max<qint64>(plainMs, 1)));
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
    TJdcConnection connection;
    connection.Open(dsn);
    LoadSellerDetails(connection);
    std::printf("%d invoices in %s\n", monthly, qPrintable(month.toString(QStringLiteral("yyyy-MM"))));

    compare("sales invoice list", dsn,
            QStringLiteral("select jddm,jdhm,cd,cpxh,cjhm,jshj from bdjdcxstyfp where (fpbz='0' or fpbz='2') and "
                           "kpsj >= '2026-11-01' and kpsj < '2026-12-01' order by jddm,jdhm,kpsj"),
            [&] {
                const QString path = folder.filePath(SaleReportName(Seller().SellerName, month));
                WriteSaleReport(connection, QStringLiteral(TEMPLATE_DIR "/机动车销售统一发票清单.vts"), path, month,
                                Seller());
                return path;
            });
    compare("IC-card data file", dsn,
            QStringLiteral("select jddm,jdhm,cd,cpxh,cjhm,jshj from bdjdcxstyfp where (fpbz='0' or fpbz='2') and "
                           "kpsj >= '2026-11-01' and kpsj < '2026-12-01' order by kpsj"),
            [&] { return WriteICData(connection, folder.path(), QDate(2026, 12, 15), month, Seller()); });
    return 0;
}
