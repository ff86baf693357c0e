#include "TestSupport.h"

#include "config/TimeText.h"
#include "config/Util.h"

#include <QCoreApplication>
#include <QLockFile>
#include <QProcess>
#include <QTest>

namespace {
const QString LockName = QStringLiteral("KerrowvantisTest");
}

class TestUtil : public QObject
{
    Q_OBJECT

private slots:
    void padString_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("left");
        QTest::addColumn<QString>("pad");
        QTest::addColumn<QString>("expected");
        QTest::newRow("behind to 15") << "1234" << 15 << false << "0" << "123400000000000";
        QTest::newRow("in front") << "7" << 3 << true << "0" << "007";
        QTest::newRow("already long enough") << "123456789012345678" << 15 << false << "0" << "123456789012345678";
        QTest::newRow("exactly the target") << "12345" << 5 << true << "0" << "12345";
        QTest::newRow("long pad overshoots") << "1" << 4 << false << "ab" << "1abab";
        QTest::newRow("empty pad changes nothing") << "1" << 4 << false << "" << "1";
        QTest::newRow("chinese counts bytes") << "税" << 4 << false << "0" << "税00";
    }

    void padString()
    {
        QFETCH(QString, text);
        QFETCH(int, length);
        QFETCH(bool, left);
        QFETCH(QString, pad);
        QFETCH(QString, expected);
        QCOMPARE(TUtil::PadString(text, length, left, pad), expected);
    }

    void textBetween_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("expected");
        const QString reply = QStringLiteral("<Response><ResultValue>0</ResultValue><ResultMessage>成功</ResultMessage></Response>");
        QTest::newRow("value") << reply << "<ResultValue>" << "</ResultValue>" << "0";
        QTest::newRow("chinese message") << reply << "<ResultMessage>" << "</ResultMessage>" << "成功";
        QTest::newRow("first markers win") << "[a][b]" << "[" << "]" << "a";
        QTest::newRow("end only before start") << "</x>text<x>" << "<x>" << "</x>" << "";
        QTest::newRow("end inside start marker") << "abc" << "ab" << "b" << "";
        QTest::newRow("adjacent markers") << "<x></x>" << "<x>" << "</x>" << "";
        QTest::newRow("start missing") << "abc</x>" << "<x>" << "</x>" << "";
        QTest::newRow("end missing") << "<x>abc" << "<x>" << "</x>" << "";
        QTest::newRow("equal markers") << "|a|" << "|" << "|" << "";
        QTest::newRow("empty text") << "" << "<x>" << "</x>" << "";
        QTest::newRow("empty start") << "<x>a</x>" << "" << "</x>" << "";
        QTest::newRow("empty end") << "<x>a</x>" << "<x>" << "" << "";
    }

    void textBetween()
    {
        QFETCH(QString, text);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, expected);
        QCOMPARE(TUtil::TextBetween(text, start, end), expected);
        QCOMPARE(TUtil::TextBetween(text.toUtf8(), start.toUtf8(), end.toUtf8()), expected.toUtf8());
    }

    void includePathDelimiter()
    {
        QString path = QStringLiteral("/data/reports");
        TUtil::IncludePathDelimiter(path);
        QCOMPARE(path, QStringLiteral("/data/reports/"));
        TUtil::IncludePathDelimiter(path);
        QCOMPARE(path, QStringLiteral("/data/reports/"));
    }

    void safeFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("safe");
        QTest::newRow("an ordinary name stays") << "某某汽车(N-2008-03).zip" << "某某汽车(N-2008-03).zip";
        QTest::newRow("climbing out of the folder") << "../../../escape/EVIL.zip" << "______escape_EVIL.zip";
        QTest::newRow("Windows' separator") << "甲\\乙.xml" << "甲_乙.xml";
        QTest::newRow("drive, wildcards, quote, redirection, pipe") << "C:A*B?C\"D<E>F|G" << "C_A_B_C_D_E_F_G";
        QTest::newRow("controls") << "A\tB\nC\x01.dat" << "A_B_C_.dat";
        QTest::newRow("three dots") << "A...B" << "A_.B";
        QTest::newRow("only dots") << ".." << "_";
        QTest::newRow("single dots and blanks stay") << " 甲.乙 .xls" << " 甲.乙 .xls";
    }
    void safeFileName()
    {
        QFETCH(QString, name);
        QFETCH(QString, safe);
        QCOMPARE(TUtil::SafeFileName(name), safe);
    }

    void appDirIsTheProgramFolder()
    {
        const QString dir = TUtil::GetAppDir();
        QVERIFY(dir.endsWith(QLatin1Char('/')));
        QCOMPARE(dir, QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    }

    void timeTexts()
    {
        const QDateTime moment(QDate(2008, 3, 5), QTime(14, 7, 9, 123));
        const FixedClock clock(moment);
        QCOMPARE(TUtil::TimeStamp(clock), QStringLiteral("20080305140709123"));
        QCOMPARE(TimeText::dateTime(moment), QStringLiteral("2008-03-05 14:07:09.123"));
        QCOMPARE(TimeText::date(moment.date()), QStringLiteral("2008-03-05"));
        QCOMPARE(TimeText::dayStart(moment.date()), QStringLiteral("2008-03-05 00:00:00"));
        QCOMPARE(TimeText::month(moment.date()), QStringLiteral("2008-03"));
        QCOMPARE(TimeText::parseDateTime(QStringLiteral("2008-03-05 14:07:09.123")), moment);
        QCOMPARE(TimeText::parseDateTime(QStringLiteral("2008-03-05 14:07:09")), QDateTime(moment.date(), QTime(14, 7, 9)));
        QVERIFY(!TimeText::parseDateTime(QStringLiteral("05/03/2008")).isValid());
        // Hours run 00-23 and every part keeps its leading zeros.
        QCOMPARE(TUtil::TimeStamp(FixedClock(QDateTime(QDate(2026, 1, 2), QTime(23, 0, 0, 5)))),
                 QStringLiteral("20260102230000005"));
    }

    // Issue times as databases keep them, in the one form the automatic steps compare; "-" for
    // a text that is no time.
    void issueTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the program's own form") << "2026-12-11 08:05:00.123" << "2026-12-11 08:05:00.123";
        QTest::newRow("T between date and time") << "2026-12-11T08:05:00" << "2026-12-11 08:05:00.000";
        QTest::newRow("no fraction") << "2026-12-11 08:05:00" << "2026-12-11 08:05:00.000";
        QTest::newRow("one fractional digit") << "2026-12-11 08:05:00.5" << "2026-12-11 08:05:00.500";
        QTest::newRow("microseconds") << "2026-12-11 08:05:00.123456" << "2026-12-11 08:05:00.123456";
        QTest::newRow("nanoseconds, trailing zeros") << "2026-12-11 08:05:00.123450000" << "2026-12-11 08:05:00.12345";
        QTest::newRow("zeros after the third digit") << "2026-12-11 08:05:00.100000" << "2026-12-11 08:05:00.100";
        QTest::newRow("a point and no digits") << "2026-12-11 08:05:00." << "2026-12-11 08:05:00.000";
        QTest::newRow("date alone") << "2026-12-11" << "2026-12-11 00:00:00.000";
        QTest::newRow("blanks around") << "  2026-12-11 08:05:00  " << "2026-12-11 08:05:00.000";
        QTest::newRow("time zone") << "2026-12-11 08:05:00.25+08" << "2026-12-11 08:05:00.250";
        QTest::newRow("ten fractional digits") << "2026-12-11 08:05:00.1234567890" << "-";
        QTest::newRow("garbage") << "garbage" << "-";
        QTest::newRow("empty") << "" << "-";
        QTest::newRow("no such day") << "2026-02-30 08:05:00" << "-";
        QTest::newRow("hour 24") << "2026-12-11 24:00:00" << "-";
        QTest::newRow("minutes without seconds") << "2026-12-11 08:05" << "-";
        QTest::newRow("slashes") << "2026/12/11 08:05:00" << "-";
        QTest::newRow("text behind") << "2026-12-11 08:05:00 abc" << "-";
    }
    void issueTime()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(TimeText::issueTime(text).value_or(QStringLiteral("-")), expected);
    }

    // The normal form orders as the times do, whatever digits the database kept.
    void issueTimesCompareAsTimes()
    {
        const QStringList ascending{"2026-12-11 08:05:00", "2026-12-11T08:05:00.0001", "2026-12-11 08:05:00.000123456",
                                    "2026-12-11 08:05:00.1", "2026-12-11 08:05:00.1234", "2026-12-11 08:05:00.124",
                                    "2026-12-11T08:05:01", "2026-12-12"};
        for (qsizetype i = 1; i < ascending.size(); ++i)
            QVERIFY2(*TimeText::issueTime(ascending[i - 1]) < *TimeText::issueTime(ascending[i]), qPrintable(ascending[i]));
    }

    void appMutexRefusesASecondHolderInTheSameProcess()
    {
        std::unique_ptr<QLockFile> first;
        std::unique_ptr<QLockFile> second;
        QVERIFY(TUtil::CreateAppMutex(LockName, first));
        QVERIFY(first);
        QVERIFY(!TUtil::CreateAppMutex(LockName, second));
        first.reset();
        QVERIFY(TUtil::CreateAppMutex(LockName, second));
    }

    void appMutexOfAKilledCopyIsNotStuck()
    {
        QProcess holder;
        holder.start(QStringLiteral(LOCKHOLDER_PATH), {LockName});
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readAllStandardOutput().trimmed(), QByteArray("locked"));

        std::unique_ptr<QLockFile> handle;
        QVERIFY(!TUtil::CreateAppMutex(LockName, handle));

        holder.kill(); // no chance to unlock: the lock file stays behind
        QVERIFY(holder.waitForFinished());
        QVERIFY(TUtil::CreateAppMutex(LockName, handle));
    }

    // A lock file no running process holds is taken over, whatever it holds; one a running copy
    // holds refuses the next copy still, also when its file has been emptied or made unreadable.
    void appMutexJudgesTheHolderNotTheFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("held");
        QTest::newRow("zero bytes") << QByteArray() << true << false;
        QTest::newRow("damaged") << QByteArray("\xff\xfe\0\x01garbage", 11) << true << false;
        QTest::newRow("unreadable") << QByteArray("4194301\nKerrowvantis\n\n") << false << false;
        QTest::newRow("held, emptied") << QByteArray() << true << true;
        QTest::newRow("held, unreadable") << QByteArray() << false << true;
    }

    void appMutexJudgesTheHolderNotTheFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, readable);
        QFETCH(bool, held);
        const QString path = qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + LockName + QStringLiteral(".lock");
        QFile::remove(path);
        QProcess holder;
        const auto stop = qScopeGuard([&] {
            holder.kill();
            holder.waitForFinished();
            QFile::remove(path);
        });
        if (held) {
            holder.start(QStringLiteral(LOCKHOLDER_PATH), {LockName});
            QVERIFY(holder.waitForReadyRead(10000));
            QCOMPARE(holder.readAllStandardOutput().trimmed(), QByteArray("locked"));
        }
        writeFileBytes(path, content); // the holder's own file, cut in place
        // Left from before: a file made this very moment may be a starting copy's.
        QVERIFY(makeFileOlder(path, 60));
        if (!readable)
            QFile::setPermissions(path, QFileDevice::Permissions());

        std::unique_ptr<QLockFile> handle;
        bool first = false;
        {
            OrdinaryFileRights rights;
            first = TUtil::CreateAppMutex(LockName, handle);
        }
        QCOMPARE(first, !held);
        QCOMPARE(bool(handle), !held);
        QVERIFY(QFile::exists(path));
        if (held)
            return;
        // Taken over for real: the next copy is refused while this one holds it.
        QProcess second;
        second.start(QStringLiteral(LOCKHOLDER_PATH), {LockName});
        QVERIFY(second.waitForReadyRead(10000));
        QCOMPARE(second.readAllStandardOutput().trimmed(), QByteArray("refused"));
        second.kill();
        second.waitForFinished();
    }

    // A lock file made a moment ago, empty still, is a copy's that is starting: it is not taken
    // over, so that two copies started together never both run.
    void appMutexLeavesAStartingCopysLock()
    {
        const QString path = qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + LockName + QStringLiteral(".lock");
        QFile::remove(path);
        const auto remove = qScopeGuard([&] { QFile::remove(path); });
        writeFileBytes(path, QByteArray());
        std::unique_ptr<QLockFile> handle;
        QVERIFY(!TUtil::CreateAppMutex(LockName, handle));
        QVERIFY(!handle);
        QCOMPARE(readFileBytes(path), QByteArray());
    }

    // A password's buffer is zeroed when no other copy shares it; a shared one is left to the
    // copy that still holds it.
    void wipe_data()
    {
        QTest::addColumn<bool>("shared");
        QTest::newRow("alone") << false;
        QTest::newRow("shared with another copy") << true;
    }

    void wipe()
    {
        QFETCH(bool, shared);
        QString text = QStringLiteral("pw-%1").arg(12345678);
        QByteArray bytes = text.toLatin1();
        const QString otherText = shared ? text : QString();
        const QByteArray otherBytes = shared ? bytes : QByteArray();
        const QChar *chars = text.constData();
        const char *raw = bytes.constData();
        const qsizetype size = text.size();
        TUtil::Wipe(text);
        TUtil::Wipe(bytes);
        QVERIFY(text.isEmpty());
        QVERIFY(bytes.isEmpty());
        if (shared) {
            QCOMPARE(otherText, QStringLiteral("pw-12345678"));
            QCOMPARE(otherBytes, QByteArray("pw-12345678"));
            return;
        }
        // The buffers stay with their texts until those take another value, zeroed.
        QCOMPARE(text.constData(), chars);
        QCOMPARE(bytes.constData(), raw);
        QCOMPARE(QStringView(chars, size).toString(), QString(size, QChar(0)));
        QCOMPARE(QByteArray(raw, size), QByteArray(size, '\0'));
    }
};

QTEST_GUILESS_MAIN(TestUtil)
#include "tst_util.moc"
