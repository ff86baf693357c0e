#include "SyscallTrace.h"
#include "TestSupport.h"

#include "config/AppError.h"
#include "config/AppIniFile.h"
#include "config/GbkText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <cstdio>

namespace {

// This test program started again as a writer of one key: it writes [Other] A of the settings
// file named in the variable, as an ordinary user would (no administrator's file rights).
const char WriterVariable[] = "KERROWVANTIS_TEST_INI_WRITER";
const QString WrittenValue = QString(300, QLatin1Char('n'));

int runAsWriter()
{
    OrdinaryFileRights rights;
    try {
        TAppIniFile(qEnvironmentVariable(WriterVariable)).WriteString(QStringLiteral("Other"), QStringLiteral("A"), WrittenValue);
    } catch (const AppError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private:
    static QByteArray gbk(const QString &text) { return Gbk::encode(text); }

private slots:
    void readString_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QString none = QStringLiteral("<default>");
        QTest::newRow("plain") << QByteArray("[Other]\r\nInterTime=45\r\n") << "Other" << "InterTime" << "45";
        QTest::newRow("names ignore case") << QByteArray("[other]\r\nINTERTIME=45\r\n") << "Other" << "InterTime" << "45";
        QTest::newRow("blanks trimmed") << QByteArray("  [ Other ]  \r\n \t InterTime  =   4 5 \t\r\n") << "Other" << "InterTime" << "4 5";
        QTest::newRow("first key wins") << QByteArray("[Other]\nA=1\nA=2\n") << "Other" << "A" << "1";
        QTest::newRow("first section wins") << QByteArray("[Other]\nA=1\n[Other]\nA=2\nB=3\n") << "Other" << "B" << none;
        QTest::newRow("empty value is a value") << QByteArray("[Other]\nA=\n") << "Other" << "A" << "";
        QTest::newRow("value with =") << QByteArray("[Other]\nA=b=c\n") << "Other" << "A" << "b=c";
        QTest::newRow("missing key") << QByteArray("[Other]\nA=1\n") << "Other" << "B" << none;
        QTest::newRow("missing section") << QByteArray("[Other]\nA=1\n") << "Print" << "A" << none;
        QTest::newRow("key of another section") << QByteArray("[Print]\nA=1\n[Other]\n") << "Other" << "A" << none;
        QTest::newRow("keys before any section") << QByteArray("A=1\n[Other]\n") << "Other" << "A" << none;
        QTest::newRow("garbage lines ignored") << QByteArray("garbage\n[Other]\nnot a pair\n;A=0\nA=1\n") << "Other" << "A" << "1";
        QTest::newRow("section with comment") << QByteArray("[Other] ; folders\nA=1\n") << "Other" << "A" << "1";
        QTest::newRow("comment on its own line") << QByteArray("[Other]\n; seconds\nA=1\n") << "Other" << "A" << "1";
        QTest::newRow("text after a value is the value") << QByteArray("[Other]\nA=1   ; seconds\n") << "Other" << "A"
                                                         << "1   ; seconds";
        QTest::newRow("unclosed section") << QByteArray("[Other\nA=1\n") << "Other" << "A" << "1";
        QTest::newRow("gbk value") << gbk(QStringLiteral("[Other]\r\nReportPath=D:\\报表\\\r\n")) << "Other" << "ReportPath" << "D:\\报表\\";
        QTest::newRow("gbk section and key") << gbk(QStringLiteral("[打印]\r\n模板=甲\r\n")) << "打印" << "模板" << "甲";
        QTest::newRow("invalid gbk elsewhere") << QByteArray("[Other]\nX=\xFF\xFF\x81\nA=1\n") << "Other" << "A" << "1";
        QTest::newRow("utf-8 byte-order mark") << QByteArray("\xEF\xBB\xBF[Other]\nName=") + QStringLiteral("宋体").toUtf8() << "Other" << "Name" << "宋体";
        QTest::newRow("old mac line ends") << QByteArray("[Other]\rA=1\rB=2") << "Other" << "B" << "2";
        QTest::newRow("no line end at the end") << QByteArray("[Other]\nA=1") << "Other" << "A" << "1";
        QTest::newRow("empty file") << QByteArray() << "Other" << "A" << none;
    }

    void readString()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        TempSettings settings;
        settings.write(file);
        QCOMPARE(TAppIniFile().ReadString(section, key, QStringLiteral("<default>")), expected);
    }

    void missingFileReadsDefaults()
    {
        TempSettings settings;
        const TAppIniFile ini;
        QVERIFY(!QFile::exists(ini.FileName()));
        QCOMPARE(ini.ReadString(QStringLiteral("Other"), QStringLiteral("A"), QStringLiteral("d")), QStringLiteral("d"));
        QCOMPARE(ini.ReadInteger(QStringLiteral("Other"), QStringLiteral("A"), 30), 30);
        QCOMPARE(ini.ReadBool(QStringLiteral("Other"), QStringLiteral("A"), true), true);
    }

    void longValuesAreCutAtACharacter()
    {
        TempSettings settings;
        const QByteArray ascii(3000, 'x');
        // 2046 bytes of ASCII, then a two-byte character straddling byte 2047.
        const QByteArray straddling = QByteArray(2046, 'y') + gbk(QStringLiteral("税税"));
        settings.write("[A]\nascii=" + ascii + "\nchinese=" + straddling + "\n");
        const TAppIniFile ini;
        QCOMPARE(ini.ReadString(QStringLiteral("A"), QStringLiteral("ascii"), {}).size(), 2047);
        QCOMPARE(ini.ReadString(QStringLiteral("A"), QStringLiteral("chinese"), {}), QString(2046, QLatin1Char('y')));
    }

    // Killed (SIGKILL) at every call of a write that changes a file: in a folder that takes new
    // files, and beside a program whose folder takes none, where the file is rewritten in place.
    // The next read finds the earlier file whole or the new one, never a part or an empty file,
    // and nothing is left behind.
    void killedAtEveryChangeOfAWrite_data()
    {
        QTest::addColumn<bool>("closedFolder");
        QTest::addColumn<int>("earlierLength"); // of the value the write replaces by 300 bytes
        QTest::newRow("folder takes files") << false << 200;
        QTest::newRow("folder takes no new files, file grows") << true << 200;
        QTest::newRow("folder takes no new files, file shrinks") << true << 900;
    }
    void killedAtEveryChangeOfAWrite()
    {
        QFETCH(bool, closedFolder);
        QFETCH(int, earlierLength);
        if (!SyscallTrace::Available())
            QSKIP("strace is not installed (scripts/install-deps.sh installs it)");
        QTemporaryDir work;
        const QString folder = work.filePath(QStringLiteral("program"));
        const QString data = work.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(folder) && QDir().mkpath(data));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data));
        const auto restore = qScopeGuard([&] {
            qunsetenv("XDG_DATA_HOME");
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        const QString path = QDir(folder).filePath(QStringLiteral("Kerrowvantis.ini"));
        const QByteArray earlier = "[Other]\r\nA=" + QByteArray(earlierLength, 'o') + "\r\nB=kept\r\n";
        const QByteArray written = "[Other]\r\nA=" + QByteArray(300, 'n') + "\r\nB=kept\r\n";
        writeFileBytes(path, earlier);
        if (closedFolder)
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QStringList folders{folder, data};

        const auto writer = [&](const QStringList &front) {
            QProcess process;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QString::fromLatin1(WriterVariable), path);
            process.setProcessEnvironment(environment);
            process.start(front.first(), front.mid(1) + QStringList{QCoreApplication::applicationFilePath()});
            process.waitForFinished(60000);
            return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        };
        const auto leftovers = [&] {
            QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
            for (const QString &file : QDir(data).entryList(QDir::Files | QDir::Hidden | QDir::System))
                files << QStringLiteral("data/") + file;
            const QString app = QDir(data).filePath(QStringLiteral("Kerrowvantis"));
            for (const QString &file : QDir(app).entryList(QDir::Files | QDir::Hidden | QDir::System))
                files << QStringLiteral("data/app/") + file;
            return files;
        };

        const QString log = work.filePath(QStringLiteral("trace.log"));
        QVERIFY(writer(SyscallTrace::TracingInto(log)));
        QCOMPARE(readFileBytes(path), written);
        const QList<QPair<QString, int>> calls = SyscallTrace::CallsIn(log, folders);
        QVERIFY2(calls.size() >= 3, "the trace shows no write of the file");

        for (const auto &[call, number] : calls) {
            const QByteArray at = (call + QLatin1Char(' ') + QString::number(number)).toLatin1();
            writeFileBytes(path, earlier);
            QVERIFY2(!writer(SyscallTrace::KillingAt(call, number)), at + " was not reached");
            // Read as the program reads it at its next start; then the file itself is whole.
            const QString value = TAppIniFile(path).ReadString(QStringLiteral("Other"), QStringLiteral("A"), QString());
            QVERIFY2(value == QString(earlierLength, QLatin1Char('o')) || value == WrittenValue,
                     at + ": " + value.left(20).toLatin1());
            const QByteArray left = readFileBytes(path);
            QVERIFY2(left == earlier || left == written, at + ": the file is neither the earlier one nor the new one");
            // Nothing visible beside it, no rescue copy waiting: a hidden part file at most.
            QCOMPARE(leftovers().filter(QRegularExpression(QStringLiteral("(^|/)[^./][^/]*$"))),
                     QStringList{QStringLiteral("Kerrowvantis.ini")});

            // The next write finds nothing in its way and leaves nothing behind.
            QVERIFY2(writer({QStringLiteral("env")}), at + ", then the next write failed");
            QCOMPARE(readFileBytes(path), written);
            QCOMPARE(leftovers(), QStringList{QStringLiteral("Kerrowvantis.ini")});
        }
    }

    void readInteger_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << "45" << 45;
        QTest::newRow("negative") << "-5" << -5;
        QTest::newRow("hex lower") << "0x1E" << 30;
        QTest::newRow("hex upper prefix") << "0X1e" << 30;
        QTest::newRow("hex full width") << "0xFFFFFFFF" << -1;
        QTest::newRow("prefix alone") << "0x" << 99;
        QTest::newRow("bad hex") << "0xZZ" << 99;
        QTest::newRow("blank after the prefix") << "0x 1" << 99;
        QTest::newRow("sign after the prefix") << "0x+1" << 99;
        QTest::newRow("letters") << "abc" << 99;
        QTest::newRow("trailing letters") << "12abc" << 99;
        QTest::newRow("decimal point") << "1.5" << 99;
        QTest::newRow("too big") << "99999999999" << 99;
        QTest::newRow("empty") << "" << 99;
    }

    void readInteger()
    {
        QFETCH(QString, value);
        QFETCH(int, expected);
        TempSettings settings;
        settings.write(gbk(QStringLiteral("[Other]\nN=") + value + QLatin1Char('\n')));
        QCOMPARE(TAppIniFile().ReadInteger(QStringLiteral("Other"), QStringLiteral("N"), 99), expected);
    }

    void readBool_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("defaultValue");
        QTest::addColumn<bool>("expected");
        QTest::newRow("1") << "1" << false << true;
        QTest::newRow("2 is true") << "2" << false << true;
        QTest::newRow("0") << "0" << true << false;
        QTest::newRow("hex zero") << "0x0" << true << false;
        QTest::newRow("text keeps default true") << "yes" << true << true;
        QTest::newRow("text keeps default false") << "yes" << false << false;
    }

    void readBool()
    {
        QFETCH(QString, value);
        QFETCH(bool, defaultValue);
        QFETCH(bool, expected);
        TempSettings settings;
        settings.write(gbk(QStringLiteral("[Other]\nB=") + value + QLatin1Char('\n')));
        QCOMPARE(TAppIniFile().ReadBool(QStringLiteral("Other"), QStringLiteral("B"), defaultValue), expected);
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("new file") << QByteArray() << "Other" << "A" << "1" << QByteArray("[Other]\r\nA=1\r\n");
        QTest::newRow("replace keeps every other byte")
            << QByteArray("; hand-edited\r\njunk \xFF\xFE\r\n[Other]\r\n  intertime = 30  \r\nA=1\r\n\r\n[Print]\r\nOffX=3\r\n")
            << "OTHER" << "InterTime" << "45"
            << QByteArray("; hand-edited\r\njunk \xFF\xFE\r\n[Other]\r\nintertime=45\r\nA=1\r\n\r\n[Print]\r\nOffX=3\r\n");
        QTest::newRow("new key after the last line of its section")
            << QByteArray("[Other]\r\nA=1\r\n\r\n[Print]\r\nOffX=3\r\n") << "Other" << "B" << "2"
            << QByteArray("[Other]\r\nA=1\r\nB=2\r\n\r\n[Print]\r\nOffX=3\r\n");
        QTest::newRow("new section at the end without final line break")
            << QByteArray("[Other]\nA=1") << "Print" << "OffX" << "3" << QByteArray("[Other]\nA=1\n[Print]\nOffX=3\n");
        QTest::newRow("new key in a last section without final line break")
            << QByteArray("[Other]\r\nA=1") << "Other" << "B" << "2" << QByteArray("[Other]\r\nA=1\r\nB=2\r\n");
        QTest::newRow("only the first of duplicate keys")
            << QByteArray("[Other]\nA=1\nA=2\n") << "Other" << "A" << "3" << QByteArray("[Other]\nA=3\nA=2\n");
        QTest::newRow("gbk value") << QByteArray("[Other]\r\n") << "Other" << "ReportPath" << "D:/报表/"
                                   << QByteArray("[Other]\r\nReportPath=D:/") + gbk(QStringLiteral("报表")) + "/\r\n";
        QTest::newRow("utf-8 file stays utf-8") << QByteArray("\xEF\xBB\xBF[Version]\nName=x\n") << "Version" << "Name" << "甲"
                                                << QByteArray("\xEF\xBB\xBF[Version]\nName=") + QStringLiteral("甲").toUtf8() + "\n";
        QTest::newRow("line breaks in a value") << QByteArray() << "Other" << "A" << "1\r\n[Evil]"
                                                << QByteArray("[Other]\r\nA=1  [Evil]\r\n");
    }

    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        TempSettings settings;
        if (!before.isEmpty())
            settings.write(before);
        TAppIniFile().WriteString(section, key, value);
        QCOMPARE(settings.read(), after);
        // Nothing but the settings file is left in its folder.
        QCOMPARE(QDir(settings.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Kerrowvantis.ini")});
    }

    void writtenValuesReadBack()
    {
        TempSettings settings;
        TAppIniFile ini;
        ini.WriteInteger(QStringLiteral("Other"), QStringLiteral("InterTime"), 45);
        ini.WriteBool(QStringLiteral("Other"), QStringLiteral("AutoPrint"), true);
        ini.WriteBool(QStringLiteral("NetConfig"), QStringLiteral("AutoUpload"), false);
        ini.WriteString(QStringLiteral("Version"), QStringLiteral("Name"), QStringLiteral("机动车销售"));
        QCOMPARE(settings.read(), QByteArray("[Other]\r\nInterTime=45\r\nAutoPrint=1\r\n[NetConfig]\r\nAutoUpload=0\r\n[Version]\r\nName=")
                     + gbk(QStringLiteral("机动车销售")) + "\r\n");
        QCOMPARE(ini.ReadInteger(QStringLiteral("other"), QStringLiteral("intertime"), 0), 45);
        QCOMPARE(ini.ReadBool(QStringLiteral("Other"), QStringLiteral("AutoPrint"), false), true);
        QCOMPARE(ini.ReadString(QStringLiteral("Version"), QStringLiteral("Name"), {}), QStringLiteral("机动车销售"));
    }

    // A file that cannot be written is refused; so is one that cannot be read, since the write
    // would leave only its own key. Both stay whole.
    void refusedFileStaysWhole_data()
    {
        QTest::addColumn<int>("permissions");
        QTest::newRow("read-only") << int(QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        QTest::newRow("unreadable") << int(QFileDevice::WriteOwner);
    }

    void refusedFileStaysWhole()
    {
        QFETCH(int, permissions);
        TempSettings settings;
        const QByteArray before("[Other]\r\nA=1\r\nB=2\r\n");
        settings.write(before);
        QFile::setPermissions(settings.path(), QFileDevice::Permissions(permissions));
        {
            OrdinaryFileRights rights;
            try {
                TAppIniFile().WriteString(QStringLiteral("Other"), QStringLiteral("B"), QStringLiteral("3"));
                QFAIL("no error");
            } catch (const EIniFileError &error) {
                QCOMPARE(error.text(), QStringLiteral("Unable to write to %1").arg(settings.path()));
            }
            if (!(permissions & QFileDevice::ReadOwner))
                QCOMPARE(TAppIniFile().ReadString(QStringLiteral("Other"), QStringLiteral("A"), QStringLiteral("x")), QStringLiteral("x"));
        }
        QCOMPARE(settings.read(), before);
    }

    // A write replaces the file and keeps what the operator gave it: its rights (the password is
    // in it), and a link in its place stays a link to the file it names.
    void writeKeepsRightsAndLinks()
    {
        TempSettings settings;
        const QString real = QDir(settings.folder()).filePath(QStringLiteral("shared/real.ini"));
        QVERIFY(QDir().mkpath(QFileInfo(real).absolutePath()));
        writeFileBytes(real, "[Other]\r\nA=1\r\n");
        const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        QFile::setPermissions(real, ownerOnly);
        QVERIFY(QFile::link(real, settings.path()));
        TAppIniFile().WriteString(QStringLiteral("Other"), QStringLiteral("A"), QStringLiteral("2"));
        QVERIFY(QFileInfo(settings.path()).isSymLink());
        QCOMPARE(readFileBytes(real), QByteArray("[Other]\r\nA=2\r\n"));
        QCOMPARE(QFile::permissions(real) & 0x7077, ownerOnly); // owner, group and others
    }

    // A writable file in a folder that takes no new files is written where it is.
    void readOnlyFolderIsWrittenInPlace()
    {
        TempSettings settings;
        settings.write("[Other]\r\nA=1\r\n");
        const QFileDevice::Permissions open = QFile::permissions(settings.folder());
        QFile::setPermissions(settings.folder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        {
            OrdinaryFileRights rights;
            QFile probe(settings.folder() + QStringLiteral("/probe"));
            QVERIFY2(!probe.open(QIODevice::WriteOnly), "the folder still takes new files");
            TAppIniFile().WriteString(QStringLiteral("Other"), QStringLiteral("A"), QStringLiteral("2"));
        }
        QFile::setPermissions(settings.folder(), open);
        QCOMPARE(settings.read(), QByteArray("[Other]\r\nA=2\r\n"));
        QCOMPARE(QDir(settings.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Kerrowvantis.ini")});
    }

    // Beside the program when a file is there or the folder takes one; otherwise in the user's
    // configuration folder, which is made, and where a first write then lands. An installed
    // program's folder is never the user's, even when the user could write into it.
    void settingsFileLocation_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<int>("fileBeside"); // 0 none, 1 writable, 2 read-only
        QTest::addColumn<bool>("folderWritable");
        QTest::addColumn<bool>("expectBeside");
        QTest::addColumn<bool>("expectUsersFolder");
        QTest::newRow("build or portable folder") << false << 0 << true << true << true;
        QTest::newRow("file kept beside a read-only program") << false << 2 << false << true << false;
        QTest::newRow("read-only program") << false << 0 << false << false << false;
        QTest::newRow("installed, folder writable by this user") << true << 0 << true << false << false;
        QTest::newRow("installed, the user's own file beside it") << true << 1 << false << true << false;
        QTest::newRow("installed, another user's file beside it") << true << 2 << false << false << false;
    }

    void settingsFileLocation()
    {
        QFETCH(bool, installed);
        QFETCH(int, fileBeside);
        QFETCH(bool, folderWritable);
        QFETCH(bool, expectBeside);
        QFETCH(bool, expectUsersFolder);
        QTemporaryDir scratch;
        const QString program = scratch.filePath(QStringLiteral("usr/lib/kerrowvantis"));
        const QString config = scratch.filePath(QStringLiteral("home/.config"));
        QVERIFY(QDir().mkpath(program));
        QStringList files;
        if (installed) {
            writeFileBytes(program + QLatin1Char('/') + QLatin1String(InstalledMarker), "");
            files << QLatin1String(InstalledMarker);
        }
        const QString beside = program + QStringLiteral("/Kerrowvantis.ini");
        if (fileBeside) {
            writeFileBytes(beside, "[Other]\r\nA=1\r\n");
            if (fileBeside == 2)
                QFile::setPermissions(beside, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
            files << QStringLiteral("Kerrowvantis.ini");
        }
        if (!folderWritable)
            QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        SettingsLocation location;
        {
            OrdinaryFileRights rights;
            location = LocateSettingsFile(program + QLatin1Char('/'), config);
            if (!expectBeside)
                TAppIniFile(location.path).WriteString(QStringLiteral("Other"), QStringLiteral("B"), QStringLiteral("2"));
        }
        QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(location.besideProgram, expectBeside);
        QCOMPARE(location.programFolderIsUsers, expectUsersFolder);
        QCOMPARE(location.path, expectBeside ? beside : config + QStringLiteral("/Kerrowvantis/Kerrowvantis.ini"));
        // Nothing new in the program folder: the probe leaves nothing behind.
        files.sort();
        QCOMPARE(QDir(program).entryList(QDir::Files | QDir::Hidden, QDir::Name), files);
        if (!expectBeside)
            QCOMPARE(readFileBytes(location.path), QByteArray("[Other]\r\nB=2\r\n"));
    }

    void missingFolderIsRefused()
    {
        TempSettings settings;
        const QString path = settings.folder() + QStringLiteral("/missing/Kerrowvantis.ini");
        QVERIFY_THROWS_EXCEPTION(EIniFileError, TAppIniFile(path).WriteString(QStringLiteral("Other"), QStringLiteral("A"), QStringLiteral("1")));
        QVERIFY(!QFile::exists(path));
    }

    // The README's example of the barcode library's section, read as the program reads it: every
    // value a number, nothing of a comment in it.
    void readmeExampleHoldsItsValues()
    {
        const QByteArray readme = readFileBytes(QStringLiteral(README_PATH));
        const qsizetype start = readme.indexOf("```\n[PDF417]\n");
        QVERIFY(start >= 0);
        const qsizetype end = readme.indexOf("```", start + 3);
        QVERIFY(end > start);
        const QByteArray example = readme.mid(start + 4, end - start - 4);
        TempSettings settings;
        settings.write(example);
        int keys = 0;
        for (const QByteArray &line : example.split('\n')) {
            const qsizetype equals = line.indexOf('=');
            if (equals < 0)
                continue;
            const QString key = QString::fromLatin1(line.left(equals).trimmed());
            const QString value = TAppIniFile().ReadString(QStringLiteral("PDF417"), key, QString());
            bool isNumber = false;
            value.toDouble(&isNumber);
            QVERIFY2(isNumber, qPrintable(key + QStringLiteral(" reads as \"") + value + QLatin1Char('"')));
            ++keys;
        }
        QCOMPARE(keys, 4);
    }

    void oneCallAccessUsesTheProgramFile()
    {
        TempSettings settings;
        Ini::WriteInteger(QStringLiteral("Print"), QStringLiteral("OffX"), -3);
        QCOMPARE(Ini::ReadInteger(QStringLiteral("Print"), QStringLiteral("OffX"), 0), -3);
        QCOMPARE(settings.read(), QByteArray("[Print]\r\nOffX=-3\r\n"));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(WriterVariable))
        return runAsWriter();
    TestIniFile test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_inifile.moc"
