#include "TestDatabase.h"
#include "TestSupport.h"
#include "config/TimeText.h"
#include "db/demo/DemoData.h"

#include <QProcess>
#include <QTest>

namespace {

const QDateTime From(QDate(2018, 11, 1), QTime(0, 0));
const QDateTime To(QDate(2019, 6, 30), QTime(23, 59, 59));

QString rowText(const DemoInvoice &v)
{
    return QStringList{v.jddm, v.jdhm, v.kprq, v.kpsj, v.fpbz, v.ghdw, v.sfzhm, v.fdjhm, v.cd, v.cjhm, v.cpxh, v.jshj,
                       v.zzsse, v.zzssl, v.dw, v.xcrs, v.nsrsbh, v.xhdwmc, v.zgswjg_dm, v.dz, v.dh, v.khyh, v.zh,
                       v.cllx, v.hgzs, v.bz, v.kpr}
        .join(QLatin1Char('|'));
}

int countOf(TJdcConnection &connection, const QString &statement)
{
    QSqlQuery query = connection.Query(statement);
    return query.next() ? query.value(0).toInt() : -1;
}

// Runs the tool and returns its exit code; its output goes to *output.
int runTool(const QStringList &arguments, QString *output, const QString &odbcIni = {})
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    if (!odbcIni.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ODBCINI"), odbcIni);
        tool.setProcessEnvironment(environment);
    }
    tool.start(QStringLiteral(DEMO_TOOL_PATH), arguments);
    if (!tool.waitForFinished(60000))
        return -1;
    *output = QString::fromUtf8(tool.readAll());
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

} // namespace

class TestDemoData : public QObject
{
    Q_OBJECT

private slots:
    void sameSeedGivesSameInvoices()
    {
        const QList<DemoInvoice> first = GenerateDemoInvoices(500, 7, From, To, DemoSellerRow(), 41);
        const QList<DemoInvoice> again = GenerateDemoInvoices(500, 7, From, To, DemoSellerRow(), 41);
        const QList<DemoInvoice> other = GenerateDemoInvoices(500, 8, From, To, DemoSellerRow(), 41);
        QCOMPARE(first.size(), 500);
        int differing = 0;
        for (int i = 0; i < first.size(); ++i) {
            QCOMPARE(rowText(first[i]), rowText(again[i]));
            differing += rowText(first[i]) != rowText(other[i]);
        }
        QVERIFY(differing > 400);
    }

    void invoicesAreOrderedAndConsistent()
    {
        const QList<DemoInvoice> invoices = GenerateDemoInvoices(2000, 11, From, To, DemoSellerRow(), 41);
        int voided = 0;
        for (int i = 0; i < invoices.size(); ++i) {
            const DemoInvoice &v = invoices[i];
            const QDateTime issued = TimeText::parseDateTime(v.kpsj);
            QVERIFY2(issued >= From && issued <= To, qPrintable(v.kpsj));
            QCOMPARE(v.kpsj.size(), 23);
            QCOMPARE(v.kprq, v.kpsj.left(19));
            QCOMPARE(v.jdhm, QStringLiteral("%1").arg(41 + i, 8, 10, QLatin1Char('0')));
            QCOMPARE(v.jddm.size(), 12);
            QCOMPARE(v.cjhm.size(), 17);
            if (i > 0)
                QVERIFY2(invoices[i - 1].kpsj < v.kpsj, qPrintable(v.kpsj));
            const double total = v.jshj.toDouble();
            const double rate = v.zzssl.toDouble();
            QVERIFY(total >= 80000 && total <= 400000);
            QVERIFY(qAbs(v.zzsse.toDouble() - total * rate / (1 + rate)) <= 0.005);
            voided += v.fpbz == QLatin1String("2");
        }
        QVERIFY2(voided > 50 && voided < 160, qPrintable(QString::number(voided)));
    }

    void loadsIntoTheDatabase_data() { AddBackendRows(); }
    void loadsIntoTheDatabase()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        const QList<DemoInvoice> invoices = GenerateDemoInvoices(450, 3, From, To, DemoSellerRow());
        LoadDemoInvoices(db.connection(), invoices);
        LoadDemoBuyerDetails(db.connection(), invoices, 250, 3);
        QCOMPARE(countOf(db.connection(), QStringLiteral("select count(*) from bdjdcxstyfp")), 450);
        QCOMPARE(countOf(db.connection(), QStringLiteral("select count(*) from Kerrowvantis")), 250);
        const int uploaded = countOf(db.connection(), QStringLiteral("select count(*) from Kerrowvantis where BZ='1'"));
        QVERIFY(uploaded > 40 && uploaded < 130);
        // Texts, amounts and times come back as they went in.
        const DemoInvoice &last = invoices.last();
        QSqlQuery row = db.connection().Query(QStringLiteral("select ghdw,jshj,kpsj from bdjdcxstyfp where jdhm='%1'").arg(last.jdhm));
        QVERIFY(row.next());
        QCOMPARE(row.value(0).toString(), last.ghdw);
        QCOMPARE(row.value(1).toDouble(), last.jshj.toDouble());
        QCOMPARE(row.value(2).toDateTime(), TimeText::parseDateTime(last.kpsj));
    }

    void generateReplacesOnlyWhatItFilled_data() { AddBackendRows(); }
    void generateReplacesOnlyWhatItFilled()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend); // an invoicing database with one invoice the tool did not make
        TJdcConnection &c = db.connection();
        LoadDemoInvoices(c, GenerateDemoInvoices(1, 5, From, To, DemoSellerRow()));
        const QString invoices = QStringLiteral("select count(*) from bdjdcxstyfp");
        QString output;
        QCOMPARE(runTool({QStringLiteral("generate"), db.dsn(), QStringLiteral("5"), QStringLiteral("2")}, &output), 1);
        QVERIFY2(output.contains(QLatin1String("--force")) && output.contains(QLatin1String("bdjdcxstyfp")), qPrintable(output));
        QCOMPARE(countOf(c, invoices), 1);

        QCOMPARE(runTool({QStringLiteral("generate"), QStringLiteral("--force"), db.dsn(), QStringLiteral("5"),
                          QStringLiteral("2")}, &output), 0);
        QCOMPARE(countOf(c, invoices), 5);
        // Now the tool's own.
        QCOMPARE(runTool({QStringLiteral("generate"), db.dsn(), QStringLiteral("7"), QStringLiteral("3")}, &output), 0);
        QCOMPARE(countOf(c, invoices), 7);

        // A database without any of the tables has nothing to lose.
        for (const char *table : {"bdjdcxstyfp", "qtcyxxxhdw", "Kerrowvantis", "kerrowvantis_demo"})
            c.Execute(QStringLiteral("drop table ") + QLatin1String(table));
        QCOMPARE(runTool({QStringLiteral("generate"), db.dsn(), QStringLiteral("4"), QStringLiteral("1")}, &output), 0);
        QCOMPARE(countOf(c, invoices), 4);
    }

    void demoDatabaseMayBeGeneratedAgain()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("demo.db"));
        const QString odbcIni = dir.filePath(QStringLiteral("odbc.ini"));
        QString output;
        QCOMPARE(runTool({QStringLiteral("setup"), QStringLiteral("kv_demo"), file}, &output, odbcIni), 0);
        QCOMPARE(runTool({QStringLiteral("generate"), QStringLiteral("kv_demo"), QStringLiteral("3"), QStringLiteral("1")},
                         &output, odbcIni),
                 0);
        TJdcConnection connection;
        connection.OpenConnectionString(QStringLiteral("DRIVER=SQLite3;Database=") + file);
        QCOMPARE(countOf(connection, QStringLiteral("select count(*) from bdjdcxstyfp")), 3);
    }

    void registerAddsASectionOnce()
    {
        // A file of its own: the driver manager of this process keeps the test's file cached.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("odbc.ini"));
        const QByteArray before = "; the user's own\n[mine]\nDriver=PostgreSQL Unicode\nDatabase=x\n";
        writeFileBytes(path, before);
        QString output;
        QCOMPARE(runTool({QStringLiteral("register"), QStringLiteral("kv_demo"), QStringLiteral("/tmp/a.db")}, &output, path), 0);
        const QByteArray after = readFileBytes(path);
        QVERIFY2(after.startsWith(before), after.constData());
        QVERIFY(after.contains("\n[kv_demo]\n"));
        QVERIFY(after.contains("\nDriver=SQLite3\n"));
        QVERIFY(after.contains("\nDatabase=/tmp/a.db\n"));

        QCOMPARE(runTool({QStringLiteral("register"), QStringLiteral("KV_DEMO"), QStringLiteral("/tmp/b.db")}, &output, path), 0);
        QVERIFY2(output.contains(QLatin1String("already registered")), qPrintable(output));
        QCOMPARE(readFileBytes(path), after);
    }

    void createRefusesAnExistingFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("demo.db"));
        QString output;
        QCOMPARE(runTool({QStringLiteral("create"), file}, &output), 0);
        TJdcConnection connection;
        connection.OpenConnectionString(QStringLiteral("DRIVER=SQLite3;Database=") + file);
        QCOMPARE(countOf(connection, QStringLiteral("select count(*) from bdjdcxstyfp")), 40);
        QCOMPARE(countOf(connection, QStringLiteral("select count(*) from Kerrowvantis")), 20);
        connection.Close();
        QCOMPARE(runTool({QStringLiteral("create"), file}, &output), 1);
    }
};

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demodata.moc"
