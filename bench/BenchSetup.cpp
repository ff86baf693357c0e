#include "BenchSetup.h"

#include "app/FrmMain.h"
#include "config/AppIniFile.h"
#include "config/Settings.h"
#include "db/JdcConnection.h"
#include "db/demo/DemoData.h"
#include "db/demo/InvoicingSchema.h"

#include <QDir>
#include <QFile>

#include <algorithm>

void UseBenchDataSources(const QString &folder)
{
    const QString ini = QDir(folder).filePath(QStringLiteral("odbc.ini"));
    QFile file(ini);
    if (!file.exists()) {
        file.open(QIODevice::WriteOnly);
        file.write(QStringLiteral("[bench_sqlite]\n%1\n"
                                  "[bench_pg]\nDriver=PostgreSQL Unicode\nServername=127.0.0.1\nPort=%2\n"
                                  "Database=kvtest\nUsername=kv\nUseDeclareFetch=1\nFetch=1000\n")
                       .arg(SQLiteDataSourceLines(QDir(folder).filePath(QStringLiteral("invoicing.db"))),
                            qEnvironmentVariable("KV_PG_PORT"))
                       .toUtf8());
        file.close();
    }
    qputenv("ODBCINI", ini.toLocal8Bit());
}

void UseBenchSettings(const QString &folder, const QString &dsn)
{
    SetSettingsFilePath(QDir(folder).filePath(QStringLiteral("Kerrowvantis.ini")));
    Ini::WriteString(QStringLiteral("DataBase"), QStringLiteral("DSN"), dsn);
}

std::unique_ptr<TFrmMain> OpenBenchWindow()
{
    MainWindowOptions options;
    options.barcodeLibraryPath = QStringLiteral(BARCODEDLL_PATH);
    options.trayAvailable = false;
    return std::make_unique<TFrmMain>(options);
}

void FillBenchMonth(const QString &dsn, const QDate &first, int invoices)
{
    const DemoSeller seller = DemoSellerRow();
    TJdcConnection connection;
    connection.Open(dsn);
    CreateInvoicingTables(connection);
    InsertSeller(connection, seller);
    LoadDemoInvoices(connection, GenerateDemoInvoices(invoices, 11, first.startOfDay(),
                                                      first.addMonths(1).startOfDay().addSecs(-60), seller));
}

qint64 Median(std::vector<qint64> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
