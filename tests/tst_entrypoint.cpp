#include "TestDatabase.h"
#include "TestSupport.h"
#include "TestTaxServer.h"

#include "app/EntryPoint.h"
#include "config/AppIniFile.h"
#include "config/TimeText.h"
#include "db/BuyerDetails.h"
#include "db/JdcConnection.h"
#include "db/demo/InvoicingSchema.h"
#include "reports/ReportCommand.h"
#include "upload/UploadJournal.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTimer>

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
// The program's start-up alone, on the settings file in SettingsVariable, ending as soon as it
// is done.
const QString AsProgramStartingOnce = QStringLiteral("program-starting-once");
const char SettingsVariable[] = "KERROWVANTIS_TEST_SETTINGS";

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
    int result = 0;
    if (mode == AsProgramStartingOnce) {
        QCoreApplication::setApplicationName(QStringLiteral("Kerrowvantis"));
        SetSettingsFilePath(qEnvironmentVariable(SettingsVariable));
        MainWindowOptions options;
        options.barcodeLibraryPath = QStringLiteral(BARCODEDLL_PATH);
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
        result = RunEntryPoint(options);
    } else {
        result = mode == AsProgramWithoutGbk ? RunEntryPoint(MainWindowOptions(), &missingConverter) : RunEntryPoint();
    }
    for (const auto &box : boxes.shown)
        std::printf("box %s|%s\n", qPrintable(MessageTitle(box.kind)), box.text.toUtf8().constData());
    std::printf("windows %lld\n", static_cast<long long>(QApplication::topLevelWidgets().size()));
    return result;
}

// Core files off beyond recall for this process and so for what it starts.
bool coreFilesOffForGood()
{
    rlimit here{};
    getrlimit(RLIMIT_CORE, &here);
    return here.rlim_max == 0;
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

// The real program in a folder of its own with automatic upload on (a tick a second), on an
// invoicing database with a seller, the test tax server and a data folder of its own.
struct UploadingDesk {
    explicit UploadingDesk(const QStringList &serverArguments = {})
        : database(Backend::SQLite)
        , server(QStringList{QStringLiteral("--password"), TestSeller().nsrsbh} + serverArguments)
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        InsertSeller(database.connection(), TestSeller());
        copyProgram(folder);
        writeFileBytes(settings(), "[DataBase]\r\nDSN=" + database.dsn().toLatin1()
                                       + "\r\n[SBConfig]\r\nSBType=2\r\n[Other]\r\nInterTime=1\r\n[NetConfig]\r\n"
                                         "AutoUpload=1\r\nAuthenServer=http://127.0.0.1:"
                                       + QByteArray::number(server.port()) + "\r\nUploadAction=upload\r\n");
        QFile::remove(LockPath);
        program.start(folder.filePath(QStringLiteral("Kerrowvantis")), {});
    }
    ~UploadingDesk()
    {
        kill();
        qunsetenv("XDG_DATA_HOME");
    }

    QString settings() const { return folder.filePath(QStringLiteral("Kerrowvantis.ini")); }

    // Started, and its start-up done: the buyer table is its last step.
    bool started()
    {
        if (server.port() <= 0 || !program.waitForStarted())
            return false;
        QDeadlineTimer deadline(10000);
        while (!database.connection().Tables().contains(QStringLiteral("kerrowvantis"), Qt::CaseInsensitive)) {
            if (deadline.hasExpired())
                return false;
            QTest::qWait(50);
        }
        return true;
    }

    // An invoice issued now, after the program's start, with its buyer row when asked.
    void issueInvoice(bool withBuyerRow = false)
    {
        DemoInvoice invoice;
        invoice.jddm = QStringLiteral("132000000001");
        invoice.jdhm = QStringLiteral("00000001");
        invoice.kpsj = TimeText::dateTime(QDateTime::currentDateTime().addSecs(1));
        invoice.kprq = invoice.kpsj.left(19);
        invoice.jshj = QStringLiteral("117000");
        invoice.zzsse = QStringLiteral("17000");
        InsertInvoice(database.connection(), invoice);
        if (withBuyerRow)
            InsertBuyerDetails(database.connection(), invoice.jdhm, invoice.jddm, {});
    }

    void kill()
    {
        if (program.state() == QProcess::NotRunning)
            return;
        program.kill(); // SIGKILL: nothing of the program runs after it
        program.waitForFinished();
    }

    QString mark() { return UploadMark(database.connection(), QStringLiteral("00000001")); }

    QList<JournalEntry> journalEntries() const
    {
        const UploadJournal journal(QDir(data.path()).filePath(QStringLiteral("Kerrowvantis/upload-journal.sqlite")));
        return journal.Entries(QDate::currentDate().addDays(-1), QDate::currentDate().addDays(1));
    }

    // The program started again on the same settings, until its start-up is done: what it said.
    QString startAgain() const
    {
        QProcess next;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(CopyVariable), AsProgramStartingOnce);
        environment.insert(QString::fromLatin1(SettingsVariable), settings());
        next.setProcessEnvironment(environment);
        next.start(QCoreApplication::applicationFilePath(), {});
        next.waitForFinished(20000);
        return QString::fromUtf8(next.readAllStandardOutput());
    }

    QTemporaryDir data;
    TestDatabase database;
    TaxServer server;
    QTemporaryDir folder;
    QProcess program;
};

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
        if (coreFilesOffForGood())
            QSKIP("core files are off for good here; nothing shows that the program turns them off");
        QTemporaryDir folder;
        copyProgram(folder);
        writeFileBytes(LockPath, QByteArray());
        QVERIFY(makeFileOlder(LockPath, 60)); // left by a crash: a younger one may be a starting copy's
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
        if (coreFilesOffForGood())
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

    // The program killed while the server holds the reply to an automatic upload: the server
    // may have the record, the invoice is not marked. The next start says so, naming the
    // invoice, and the journal keeps what happened.
    void uploadKilledBeforeItsReplyIsToldAtTheNextStart()
    {
        UploadingDesk desk({QStringLiteral("--delay-ms"), QStringLiteral("20000")});
        QVERIFY(desk.started());
        desk.issueInvoice();
        QTRY_COMPARE_WITH_TIMEOUT(desk.server.requests().size(), 1, 15000);
        desk.kill();
        QVERIFY(desk.mark() != QLatin1String("1"));

        const QString report = desk.startAgain();
        QVERIFY2(report.contains(QStringLiteral("box Warning|上次运行在与申报服务器交换数据时中断：\n"
                                                "发票代码 132000000001  发票号码 00000001：已发往申报服务器，"
                                                "但程序在收到答复之前中断，服务器可能已经收到")),
                 qPrintable(report));
        QCOMPARE(report.count(QStringLiteral("box ")), 1);
        const QList<JournalEntry> entries = desk.journalEntries();
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0].state, JournalEntry::Finished);
        QCOMPARE(entries[0].transportError, QStringLiteral("程序在收到答复之前中断"));
        QCOMPARE(entries[0].invoiceNumber, QStringLiteral("00000001"));
    }

    // The program killed after the server accepted and before the uploaded mark was stored (the
    // invoicing database holds its write lock for another program meanwhile): the next start
    // marks the invoice, says so, and sends nothing again.
    void uploadKilledBetweenAcceptanceAndItsMark()
    {
        // The reply waits until the other program holds its lock.
        UploadingDesk desk({QStringLiteral("--delay-ms"), QStringLiteral("3000")});
        QVERIFY(desk.started());
        desk.issueInvoice(true); // its buyer row is there: the step writes nothing before the upload
        QTRY_COMPARE_WITH_TIMEOUT(desk.server.requests().size(), 1, 15000);
        QProcess locker; // another program writing into the invoicing database
        locker.start(QStringLiteral("python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import sqlite3, sys, time\n"
                                     "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                     "c.execute('begin immediate')\n"
                                     "print('locked', flush=True)\n"
                                     "time.sleep(120)"),
                      QDir::home().filePath(QStringLiteral("invoicing.db"))});
        const auto unlock = qScopeGuard([&] {
            locker.kill();
            locker.waitForFinished();
        });
        QVERIFY(locker.waitForReadyRead(10000));
        QTRY_VERIFY_WITH_TIMEOUT(!desk.journalEntries().isEmpty()
                                     && desk.journalEntries().constFirst().state == JournalEntry::Accepted,
                                 15000);
        desk.kill();
        locker.kill();
        locker.waitForFinished();
        QCOMPARE(desk.mark(), QStringLiteral("0"));

        const QString report = desk.startAgain();
        QVERIFY2(report.contains(QStringLiteral("box Warning|上次运行在与申报服务器交换数据时中断：\n"
                                                "发票代码 132000000001  发票号码 00000001：服务器已经接受，现已标记为已上传")),
                 qPrintable(report));
        QCOMPARE(desk.mark(), QStringLiteral("1"));
        QCOMPARE(desk.server.requests().size(), 1);
        QCOMPARE(desk.journalEntries().constFirst().state, JournalEntry::Finished);
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
