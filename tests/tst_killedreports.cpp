// kerrowvantis-report killed (SIGKILL, no clean exit) at every call that changes a file in the
// report's folder: the earlier report stays whole or the new one is whole, never a part of one,
// and no temporary file is left that looks like a report or stays past the next run.

#include "ReportTool.h"
#include "SyscallTrace.h"
#include "TestDatabase.h"
#include "TestSupport.h"

#include "db/demo/InvoicingSchema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString TemplateFile = QStringLiteral(TEMPLATE_DIR "/机动车销售统一发票清单.vts");

DemoInvoice invoice(const char *number, const char *total)
{
    DemoInvoice v;
    v.jddm = QStringLiteral("132000000001"), v.jdhm = QString::fromLatin1(number);
    v.kprq = v.kpsj = QStringLiteral("2026-11-20 10:00:00");
    v.cd = QStringLiteral("一汽"), v.cpxh = QStringLiteral("大众FV7152"), v.cjhm = QStringLiteral("LFV2A21K5A3001234");
    v.jshj = QString::fromLatin1(total);
    return v;
}

// What makes two reports the same: the archive's content as another unzipper reads it with its
// password (its entry's time differs from run to run), every other report's bytes.
QByteArray fingerprint(const QString &path)
{
    if (!path.endsWith(QLatin1String(".zip")))
        return readFileBytes(path);
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, zipfile\n"
                                 "z = zipfile.ZipFile(sys.argv[1])\n"
                                 "sys.stdout.write(z.read(z.infolist()[0], pwd=b'110101200801010-2026-11').hex())"),
                  path});
    python.waitForFinished(60000);
    return python.exitCode() == 0 ? QByteArray::fromHex(python.readAllStandardOutput()) : QByteArray("<unreadable>");
}

} // namespace

class TestKilledReports : public QObject
{
    Q_OBJECT

private slots:
    void killedAtEveryChange_data()
    {
        QTest::addColumn<QString>("report");
        QTest::newRow("sales list") << "sales-list";
        QTest::newRow("IC data") << "ic-data";
        QTest::newRow("monthly archive") << "taxml";
    }
    void killedAtEveryChange()
    {
        QFETCH(QString, report);
        if (!SyscallTrace::Available())
            QSKIP("strace is not installed (scripts/install-deps.sh installs it)");
        TestDatabase db(Backend::SQLite);
        InsertSeller(db.connection(), TestSeller());
        InsertInvoice(db.connection(), invoice("00000001", "100000"));
        const ReportTool tool(QStringLiteral(REPORT_TOOL_PATH), TemplateFile);
        QTemporaryDir work;
        const QString folder = work.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(folder));
        const QStringList arguments{report, "--month", "2026-11", "--dsn", db.dsn(), "--out", folder};

        // The earlier report, then one more invoice: the new report differs from it.
        const ReportTool::Run first = tool.run(arguments);
        QVERIFY2(first.status == 0, qPrintable(first.error));
        const QString target = first.output;
        const QString name = QFileInfo(target).fileName();
        const QByteArray earlierBytes = readFileBytes(target);
        const QByteArray earlier = fingerprint(target);
        InsertInvoice(db.connection(), invoice("00000002", "50000.5"));

        // One run traced, to know which invocations touch the folder; it makes the new report.
        const QString log = work.filePath(QStringLiteral("trace.log"));
        const ReportTool::Run traced = tool.run(arguments, SyscallTrace::TracingInto(log));
        QVERIFY2(traced.status == 0, qPrintable(traced.error));
        const QByteArray made = fingerprint(target);
        QVERIFY(made != earlier && made != "<unreadable>");
        const QList<QPair<QString, int>> calls = SyscallTrace::CallsIn(log, {folder});
        QVERIFY2(calls.size() >= 3, "the trace shows no write into the folder");

        for (const auto &[call, number] : calls) {
            const QByteArray at = (call + QLatin1Char(' ') + QString::number(number)).toLatin1();
            writeFileBytes(target, earlierBytes);
            const ReportTool::Run killed = tool.run(arguments, SyscallTrace::KillingAt(call, number));
            QVERIFY2(killed.status == -1, at + " was not reached: " + killed.error.toLocal8Bit());
            const QByteArray left = fingerprint(target);
            QVERIFY2(left == earlier || left == made, at + ": the report is neither the earlier one nor the new one");
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).filter(QRegularExpression(QStringLiteral("^[^.]"))),
                     QStringList{name});

            // The next run makes the report and leaves nothing else behind.
            const ReportTool::Run again = tool.run(arguments);
            QVERIFY2(again.status == 0, at + ", then: " + again.error.toLocal8Bit());
            QCOMPARE(fingerprint(target), made);
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{name});
        }
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TestKilledReports test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_killedreports.moc"
