// The online declaration's work at scale: one upload on loopback (record built, packed, sent,
// answered, marked) per invoice, and the monthly archive of 10,000 invoices against the same
// month's query read through plain ODBC.
//
//   bench_upload [uploads] [monthly invoices]

#include "BenchSetup.h"
#include "PlainOdbc.h"
#include "app/FrmMain.h"
#include "config/AppIniFile.h"
#include "config/Settings.h"
#include "db/JdcConnection.h"
#include "db/SqlDialect.h"
#include "declare/UploadFlow.h"
#include "db/demo/DemoData.h"
#include "db/demo/InvoicingSchema.h"
#include "reports/TaxML.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int uploads = args.value(1, QStringLiteral("50")).toInt();
    const int monthly = args.value(2, QStringLiteral("10000")).toInt();

    QTemporaryDir folder;
    UseBenchDataSources(folder.path());
    const QString dsn = QStringLiteral("bench_sqlite");

    // One month of invoices.
    const DemoSeller seller = DemoSellerRow();
    FillBenchMonth(dsn, QDate(2026, 11, 1), monthly);

    QProcess server;
    server.start(QStringLiteral(TAXSERVER_PATH), {QStringLiteral("0"), QStringLiteral("--password"), seller.nsrsbh});
    server.waitForReadyRead(10000);
    const QByteArray portLine = server.readLine().trimmed();

    UseBenchSettings(folder.path(), dsn);
    Ini::WriteInteger(QStringLiteral("SBConfig"), QStringLiteral("SBType"), OnlineDeclaration);
    Ini::WriteString(QStringLiteral("NetConfig"), QStringLiteral("AuthenServer"),
                     QStringLiteral("http://127.0.0.1:") + QString::fromLatin1(portLine.mid(5)));
    Ini::WriteString(QStringLiteral("NetConfig"), QStringLiteral("UploadAction"), QStringLiteral("upload"));
    const std::unique_ptr<TFrmMain> owned = OpenBenchWindow();
    TFrmMain &window = *owned;

    std::vector<qint64> times;
    QSqlQuery numbers = window.JDC().Query(QStringLiteral("select jddm,jdhm from bdjdcxstyfp order by jdhm"));
    QList<QPair<QString, QString>> invoices;
    while (numbers.next() && invoices.size() < uploads)
        invoices.append({numbers.value(0).toString(), numbers.value(1).toString()});
    window.JDC().Execute(QStringLiteral("insert into Kerrowvantis (jddm,jdhm) select jddm,jdhm from bdjdcxstyfp"));
    int accepted = 0;
    for (const auto &[code, number] : invoices) {
        QElapsedTimer timer;
        timer.start();
        accepted += window.Uploading().UploadInvoice(code, number).first ? 1 : 0;
        times.push_back(timer.nsecsElapsed() / 1000);
    }
    std::printf("%d uploads on loopback, %d accepted: median %.2f ms per invoice\n", int(times.size()), accepted,
                Median(times) / 1000.0);
    server.kill();
    server.waitForFinished();

    const QString month = QStringLiteral("2026-11");
    const QString statement = QStringLiteral("select t.*,p.zjlx,p.yzbm,p.lxdh,p.lxdz from bdjdcxstyfp t left outer join "
                                             "kerrowvantis p on (t.jddm=p.jddm and t.jdhm = p.jdhm )  where  (t.fpbz= '0'  "
                                             "or  t.fpbz= '2') and  Left(t.kprq,7)= '2026-11' order by t.kprq,t.jdhm,t.jddm");
    qint64 cells = 0;
    std::vector<qint64> plain;
    std::vector<qint64> archive;
    for (int run = 0; run < 3; ++run) {
        plain.push_back(FetchWithPlainOdbc(dsn, AdaptStatement(statement, SqlDialect::SQLite), &cells));
        QElapsedTimer timer;
        timer.start();
        WriteSBSJArchive(window.JDC(), folder.path(), QDate(2026, 11, 1), Seller());
        archive.push_back(timer.elapsed());
    }
    QElapsedTimer documentTimer;
    documentTimer.start();
    const QByteArray document = MakeSBSJDocument(window.JDC(), month);
    const qint64 documentMs = documentTimer.elapsed();
    std::printf("monthly document alone: %lld ms, %lld bytes\n", documentMs, qint64(document.size()));
    const qint64 archiveMs = Median(archive);
    const qint64 plainMs = Median(plain);
    std::printf("monthly archive of %s (%d invoices): %lld ms; the same query through plain ODBC: %lld ms; ratio %.2f\n",
                qPrintable(month), monthly, archiveMs, plainMs, double(archiveMs) / double(std::max<qint64>(plainMs, 1)));
    return 0;
}
