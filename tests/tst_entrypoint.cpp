#include "TestDatabase.h"
#include "TestSupport.h"

#include "app/EntryPoint.h"
#include "db/JdcConnection.h"
#include "db/demo/InvoicingSchema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstdio>

namespace {

const char CopyVariable[] = "KERROWVANTIS_TEST_COPY";
const QString ProgramPath = QStringLiteral(PROGRAM_PATH);
const QString LockPath = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/KerrowvantisFSK.lock");

// This test program started again as a copy of the program: it runs the real entry point with
// recorded message boxes and reports what it showed.
int runAsCopy(int argc, char *argv[])
{
    TApplication app(argc, argv);
    RecordingMessageBoxes boxes;
    ScopedMessageBoxes scope(boxes);
    const int result = RunEntryPoint();
    for (const auto &box : boxes.shown)
        std::printf("box %s|%s\n", qPrintable(MessageTitle(box.kind)), box.text.toUtf8().constData());
    std::printf("windows %lld\n", static_cast<long long>(QApplication::topLevelWidgets().size()));
    return result;
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
        for (const QString &file : {ProgramPath, QStringLiteral(BARCODEDLL_PATH)})
            QVERIFY(QFile::copy(file, folder.filePath(QFileInfo(file).fileName())));
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
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(CopyVariable), QStringLiteral("1"));
        second.setProcessEnvironment(environment);
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
