#include "TestDatabase.h"
#include "TestSupport.h"

#include "app/EntryPoint.h"
#include "db/JdcConnection.h"
#include "db/demo/InvoicingSchema.h"
#include "reports/ReportCommand.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstdio>

#include <sys/resource.h>

namespace {

const char CopyVariable[] = "KERROWVANTIS_TEST_COPY";
const QString ProgramPath = QStringLiteral(PROGRAM_PATH);
const QString LockPath = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/KerrowvantisFSK.lock");

// The copy's modes: the program as it is, the program and the report tool on a machine whose
// GBK converter is missing.
const QString AsProgram = QStringLiteral("program");
const QString AsProgramWithoutGbk = QStringLiteral("program-without-gbk");
const QString AsReportToolWithoutGbk = QStringLiteral("report-without-gbk");
const QString AsReportTool = QStringLiteral("report");

// What Qt's "GBK" converter does where Qt has no ICU: it converts nothing.
QByteArray noBytes(const QString &) { return {}; }
QString noText(const QByteArray &) { return {}; }
QString missingConverter()
{
    return Gbk::CheckConversions(&noBytes, &noText);
}

// This test program started again as a copy of the program: it runs the real entry point with
// recorded message boxes and reports what it showed.
int runAsCopy(int argc, char *argv[])
{
    const QString mode = qEnvironmentVariable(CopyVariable);
    if (mode == AsReportToolWithoutGbk)
        return RunReportCommand(argc, argv, &missingConverter);
    if (mode == AsReportTool) {
        const int result = RunReportCommand(argc, argv);
        rlimit core{};
        getrlimit(RLIMIT_CORE, &core);
        std::printf("core %llu %llu\n", static_cast<unsigned long long>(core.rlim_cur),
                    static_cast<unsigned long long>(core.rlim_max));
        return result;
    }
    TApplication app(argc, argv);
    RecordingMessageBoxes boxes;
    ScopedMessageBoxes scope(boxes);
    const int result = mode == AsProgramWithoutGbk ? RunEntryPoint(MainWindowOptions(), &missingConverter)
                                                   : RunEntryPoint();
    for (const auto &box : boxes.shown)
        std::printf("box %s|%s\n", qPrintable(MessageTitle(box.kind)), box.text.toUtf8().constData());
    std::printf("windows %lld\n", static_cast<long long>(QApplication::topLevelWidgets().size()));
    return result;
}

// Lets the started process write core files as far as this one may: ctest may start everything
// with them off already, and the program has to turn them off itself.
void allowCoreFiles(QProcess &process)
{
    process.setChildProcessModifier([] {
        rlimit core{};
        getrlimit(RLIMIT_CORE, &core);
        core.rlim_cur = core.rlim_max;
        setrlimit(RLIMIT_CORE, &core);
    });
}

// The program copied into a folder of its own, so that its settings file is the folder's.
void copyProgram(const QTemporaryDir &folder)
{
    for (const QString &file : {ProgramPath, QStringLiteral(BARCODEDLL_PATH)})
        QVERIFY(QFile::copy(file, folder.filePath(QFileInfo(file).fileName())));
}

} // namespace

class TestEntryPoint : public QObject
{
    Q_OBJECT

private slots:
    void secondCopyWarnsAndEndsWhileTheFirstRuns()
    {
        // The first copy is the real program, run from a folder of its own so that its
        // settings file is the test's, on an invoicing database with a seller.
        TestDatabase db(Backend::SQLite);
        InsertSeller(db.connection(), TestSeller());
        QTemporaryDir folder;
        copyProgram(folder);
        writeFileBytes(folder.filePath(QStringLiteral("Kerrowvantis.ini")),
                       "[DataBase]\r\nDSN=" + db.dsn().toLatin1() + "\r\n");
        QFile::remove(LockPath); // left behind by the copy an earlier run killed
        QProcess first;
        first.setProgram(folder.filePath(QStringLiteral("Kerrowvantis")));
        first.start();
        QVERIFY(first.waitForStarted());
        // The buyer table is the last step of its start-up: made, the copy waits in the tray.
        QTRY_VERIFY_WITH_TIMEOUT(db.connection().Tables().contains(QStringLiteral("kerrowvantis"), Qt::CaseInsensitive),
                                 10000);
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(QFile::exists(LockPath));

        QProcess second;
        second.setProcessEnvironment(copyEnvironment(AsProgram));
        second.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        const QString report = QString::fromUtf8(second.readAllStandardOutput());
        QCOMPARE(report, QStringLiteral("box Warning|Quorvant已经运行!\nwindows 0\n"));

        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();
    }

    // Without GBK the error box comes before anything else: before the check for a first copy
    // (one holds the lock here), before any window.
    void programWithoutGbkSaysSoAndEnds()
    {
        QFile::remove(LockPath);
        QProcess holder;
        holder.start(QStringLiteral(LOCKHOLDER_PATH), {QStringLiteral("KerrowvantisFSK")});
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readAllStandardOutput().trimmed(), QByteArray("locked"));

        QProcess copy;
        copy.setProcessEnvironment(copyEnvironment(AsProgramWithoutGbk));
        copy.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(copy.waitForFinished(10000));
        holder.kill();
        holder.waitForFinished();
        QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
        QCOMPARE(copy.exitCode(), 1);
        const QString reason = missingConverter();
        QVERIFY(reason.contains(QStringLiteral("GBK")));
        QCOMPARE(QString::fromUtf8(copy.readAllStandardOutput()), QStringLiteral("box Error|%1\nwindows 0\n").arg(reason));
    }

    // The report tool prints the reason alone and exits 5, whatever it was asked for.
    void reportToolWithoutGbkSaysSoAndEnds()
    {
        for (const QStringList &arguments : {QStringList{QStringLiteral("sales-list"), QStringLiteral("--dsn"),
                                                          QStringLiteral("none")},
                                             QStringList{QStringLiteral("--help")}}) {
            QProcess copy;
            copy.setProcessEnvironment(copyEnvironment(AsReportToolWithoutGbk));
            copy.start(QCoreApplication::applicationFilePath(), arguments);
            QVERIFY(copy.waitForFinished(10000));
            QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
            QCOMPARE(copy.exitCode(), 5);
            QCOMPARE(copy.readAllStandardOutput(), QByteArray());
            QCOMPARE(QString::fromUtf8(copy.readAllStandardError()),
                     QStringLiteral("kerrowvantis-report: %1\n").arg(missingConverter()));
        }
    }

    // A lock file left empty (a crash between making and filling it) holds no running copy: the
    // program starts over it, and keeps core files off, since a core would hold the password.
    void programStartsOverAnEmptyLockWithoutCoreFiles()
    {
        rlimit here{};
        getrlimit(RLIMIT_CORE, &here);
        if (here.rlim_max == 0)
            QSKIP("core files are off for good here; nothing shows that the program turns them off");
        QTemporaryDir folder;
        copyProgram(folder);
        writeFileBytes(LockPath, QByteArray());
        QProcess program;
        allowCoreFiles(program);
        program.setProgram(folder.filePath(QStringLiteral("Kerrowvantis")));
        program.start();
        QVERIFY(program.waitForStarted());
        const auto stop = qScopeGuard([&] {
            program.kill();
            program.waitForFinished();
        });
        // Its lock names it once it has taken it over.
        const QByteArray pid = QByteArray::number(program.processId());
        QTRY_VERIFY_WITH_TIMEOUT(readFileBytes(LockPath).startsWith(pid + '\n'), 10000);
        QCOMPARE(program.state(), QProcess::Running);
        QByteArray limit;
        for (const QByteArray &line : readFileBytes(QStringLiteral("/proc/%1/limits").arg(program.processId())).split('\n')) {
            if (line.startsWith("Max core file size"))
                limit = line.simplified();
        }
        QCOMPARE(limit, QByteArray("Max core file size 0 0 bytes"));
    }

    void reportToolTurnsCoreFilesOff()
    {
        rlimit here{};
        getrlimit(RLIMIT_CORE, &here);
        if (here.rlim_max == 0)
            QSKIP("core files are off for good here; nothing shows that the tool turns them off");
        QProcess copy;
        allowCoreFiles(copy);
        copy.setProcessEnvironment(copyEnvironment(AsReportTool));
        copy.start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("sales-list"), QStringLiteral("--month"), QStringLiteral("2026-12")});
        QVERIFY(copy.waitForFinished(10000));
        QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
        QCOMPARE(copy.readAllStandardOutput(), QByteArray("core 0 0\n"));
    }

private:
    static QProcessEnvironment copyEnvironment(const QString &mode)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(CopyVariable), mode);
        return environment;
    }
};

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(CopyVariable))
        return runAsCopy(argc, argv);
    QCoreApplication app(argc, argv);
    TestEntryPoint test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_entrypoint.moc"
