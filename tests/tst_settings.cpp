#include "TestSupport.h"

#include "config/AppError.h"
#include "config/AppIniFile.h"
#include "config/Crypt.h"
#include "config/Encodings.h"
#include "config/GbkText.h"
#include "config/Settings.h"
#include "config/Util.h"
#include "db/JdcConnection.h"
#include "print/PDF417BarCode.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <limits>

namespace {

const QString Dll = QStringLiteral(BARCODEDLL_PATH);

void writeOdbcIni(const QByteArray &content)
{
    writeFileBytes(qEnvironmentVariable("ODBCINI"), content);
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QFile::remove(qEnvironmentVariable("ODBCINI"));
    }

    void noSettingsFileGivesTheDefaults()
    {
        TempSettings settings;
        std::unique_ptr<TPDF417BarCode> barcode;
        QVERIFY(LoadSettings(barcode, Dll));
        QVERIFY(barcode);
        const SettingsValues &v = AppSettings();
        QCOMPARE(v.SBType, BarcodeDeclaration);
        QCOMPARE(v.InterTime, 30);
        QCOMPARE(v.Dsn, QStringLiteral("jdcxs_invoice"));
        QCOMPARE(v.OffX, 0);
        QCOMPARE(v.OffY, 0);
        QCOMPARE(v.AutoPrint, false);
        QCOMPARE(v.AutoUpload, false);
        QCOMPARE(v.ShowInput, false);
        QCOMPARE(v.RetryTimes, 0);
        QCOMPARE(v.AuthenServer, QString());
        QCOMPARE(v.AppDir, TUtil::GetAppDir());
        QCOMPARE(ReadReportPath(), TUtil::GetAppDir() + QStringLiteral("报表"));
        QCOMPARE(ReadEndTime(FixedClock(QDateTime(QDate(2008, 3, 5), QTime(14, 7, 9, 123)))),
                 QStringLiteral("2008-03-05 14:07:09.123"));
        // Reading never creates the file.
        QVERIFY(!QFile::exists(settings.path()));
    }

    void loadSettingsReadsEveryValue()
    {
        TempSettings settings;
        settings.write("[SBConfig]\r\nSBType=2\r\n[Print]\r\nOffX=-2\r\nOffY=7\r\n[DataBase]\r\nDSN=dealer\r\n"
                       "[NetConfig]\r\nAuthenServer=http://127.0.0.1:8080\r\nAutoUpload=1\r\nRetryTimes=3\r\n"
                       "ShowInput=1\r\nUploadAction=upload.do\r\nEdtPassAction=pwd.do\r\n"
                       "[Other]\r\nInterTime=0x1E\r\nAutoPrint=2\r\n");
        std::unique_ptr<TPDF417BarCode> barcode;
        QVERIFY(LoadSettings(barcode, Dll));
        const SettingsValues &v = AppSettings();
        QCOMPARE(v.SBType, OnlineDeclaration);
        QCOMPARE(v.OffX, -2);
        QCOMPARE(v.OffY, 7);
        QCOMPARE(v.Dsn, QStringLiteral("dealer"));
        QCOMPARE(v.AuthenServer, QStringLiteral("http://127.0.0.1:8080"));
        QCOMPARE(v.AutoUpload, true);
        QCOMPARE(v.RetryTimes, 3);
        QCOMPARE(v.ShowInput, true);
        QCOMPARE(v.UploadAction, QStringLiteral("upload.do"));
        QCOMPARE(v.EdtPassAction, QStringLiteral("pwd.do"));
        QCOMPARE(v.InterTime, 30);
        QCOMPARE(v.AutoPrint, true);
    }

    // The offsets the renderer adds to every position: ten metres either way at most, so that
    // the sums stay within an int; anything beyond reads as the fallback.
    void offsetsAreBounded_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("ten metres right") << QByteArray("10000") << 10000;
        QTest::newRow("ten metres left") << QByteArray("-10000") << -10000;
        QTest::newRow("beyond") << QByteArray("10001") << 5;
        QTest::newRow("the largest int, in hexadecimal") << QByteArray("0x7FFFFFFF") << 5;
        QTest::newRow("the smallest int") << QByteArray("-2147483648") << 5;
    }
    void offsetsAreBounded()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, expected);
        TempSettings settings;
        settings.write("[Print]\r\nOffX=" + stored + "\r\nOffY=" + stored + "\r\n");
        QCOMPARE(ReadOffX(5), expected);
        QCOMPARE(ReadOffY(5), expected);
    }

    void missingBarcodeLibraryStopsTheLoad()
    {
        TempSettings settings;
        std::unique_ptr<TPDF417BarCode> barcode;
        try {
            LoadSettings(barcode, settings.folder() + QStringLiteral("/libBarcodedll.so"));
            QFAIL("no error");
        } catch (const AppError &error) {
            QCOMPARE(error.text(), QStringLiteral("找不到动态库Barcodedll.dll"));
        }
        QVERIFY(!barcode);
        QCOMPARE(AppSettings().Dsn, QString());
    }

    void brokenBarcodeLibraryInBarcodeMode()
    {
        TempSettings settings;
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        std::unique_ptr<TPDF417BarCode> barcode;
        QVERIFY(!LoadSettings(barcode, QStringLiteral(FAKE_PARTIAL_PATH)));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, MessageKind::Error);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("条码打印函数初始化失败！"));
        // Nothing after the declaration mode was read: no data source, so no connection.
        QCOMPARE(AppSettings().SBType, BarcodeDeclaration);
        QCOMPARE(AppSettings().Dsn, QString());
        QCOMPARE(AppSettings().InterTime, 0);
    }

    void brokenBarcodeLibraryDoesNotMatterOnline()
    {
        TempSettings settings;
        settings.write("[SBConfig]\nSBType=2\n");
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        std::unique_ptr<TPDF417BarCode> barcode;
        QVERIFY(LoadSettings(barcode, QStringLiteral(FAKE_PARTIAL_PATH)));
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(AppSettings().Dsn, QStringLiteral("jdcxs_invoice"));
    }

    void writersSetTheirValue()
    {
        TempSettings settings;
        WriteAutoPrint(true);
        WriteAutoUpload(true);
        WriteShowInput(true);
        WriteAuthenServer(QStringLiteral("https://tax.example"));
        WriteRetryTimes(4);
        WriteInterTime(50);
        WriteSBType(2);
        WriteEndTime(QStringLiteral("2026-12-01 08:00:00.000"));
        const SettingsValues &v = AppSettings();
        QVERIFY(v.AutoPrint && v.AutoUpload && v.ShowInput);
        QCOMPARE(v.AuthenServer, QStringLiteral("https://tax.example"));
        QCOMPARE(v.RetryTimes, 4);
        QCOMPARE(v.InterTime, 0); // callers set it themselves
        QVERIFY(ReadAutoPrint() && ReadAutoUpload() && ReadShowInput());
        QCOMPARE(ReadAuthenServer(), QStringLiteral("https://tax.example"));
        QCOMPARE(ReadRetryTimes(), 4);
        QCOMPARE(ReadInterTime(), 50);
        QCOMPARE(ReadSBType(), 2);
        QCOMPARE(ReadEndTime(), QStringLiteral("2026-12-01 08:00:00.000"));
    }

    void failedWriteLeavesTheValue()
    {
        TempSettings settings;
        settings.write("[Other]\r\nAutoPrint=0\r\n");
        QFile::setPermissions(settings.path(), QFileDevice::ReadOwner);
        QVERIFY_THROWS_EXCEPTION(EIniFileError, WriteAutoPrint(true));
        QVERIFY_THROWS_EXCEPTION(EIniFileError, WriteAuthenPwd(QStringLiteral("secret")));
        QCOMPARE(AppSettings().AutoPrint, false);
        QCOMPARE(AppSettings().AuthenPwd, QString());
    }

    void reportPathGetsATrailingSeparator_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("stored");
        QTest::newRow("without") << "/srv/报表" << "/srv/报表/";
        QTest::newRow("with") << "/srv/报表/" << "/srv/报表/";
    }

    void reportPathGetsATrailingSeparator()
    {
        QFETCH(QString, given);
        QFETCH(QString, stored);
        TempSettings settings;
        WriteReportPath(given);
        QCOMPARE(ReadReportPath(), stored);
    }

    // Every path that sets the polling timer from InterTime goes through this.
    void timerIntervalFromSeconds_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("ms");
        QTest::newRow("usual") << 30 << 30000;
        QTest::newRow("hand-edited 0") << 0 << 1000;
        QTest::newRow("negative") << -5 << 1000;
        QTest::newRow("beyond a timer") << 3000000 << std::numeric_limits<int>::max();
    }

    void timerIntervalFromSeconds()
    {
        QFETCH(int, seconds);
        QFETCH(int, ms);
        QCOMPARE(TimerIntervalMs(seconds), ms);
    }

    void offsetsDefaultToZero()
    {
        TempSettings settings;
        settings.write("[Print]\nOffX=4\n");
        QCOMPARE(ReadOffX(), 4);
        QCOMPARE(ReadOffY(), 0);
    }

    void printTemplateName_data()
    {
        QTest::addColumn<QByteArray>("printSet");
        QTest::addColumn<QString>("expected");
        QTest::newRow("three characters win") << QByteArray("[PrintSet]\n13205=B\n132=A\n") << "A";
        QTest::newRow("five characters") << QByteArray("[PrintSet]\n13205=B\n") << "B";
        QTest::newRow("neither") << QByteArray("[PrintSet]\n999=C\n") << "Template_SBB";
        QTest::newRow("no file") << QByteArray() << "Template_SBB";
    }

    void printTemplateName()
    {
        QFETCH(QByteArray, printSet);
        QFETCH(QString, expected);
        TempSettings settings;
        if (!printSet.isEmpty())
            settings.write(printSet);
        Seller().TaxAuthCode = QStringLiteral("13205810000");
        QCOMPARE(ReadPrintTemplateName(), expected);
    }

    void emptyPasswordBecomesTheTaxpayerNumber()
    {
        TempSettings settings;
        Seller().SellerTaxNo = QStringLiteral("110101200801010");
        QCOMPARE(ReadAuthenPwd(), QStringLiteral("110101200801010"));
        QCOMPARE(AppSettings().AuthenPwd, QStringLiteral("110101200801010"));
        const QString stored = TAppIniFile().ReadString(QStringLiteral("NetConfig"), QStringLiteral("AuthenPwd"), {});
        QCOMPARE(stored.size(), 44); // 15 bytes: one block, 32 hex digits, 44 Base64 characters
        // The next start reads the same password back, even with another seller.
        Seller().SellerTaxNo = QStringLiteral("other");
        QCOMPARE(ReadAuthenPwd(), QStringLiteral("110101200801010"));
    }

    void storedPasswordForm()
    {
        TempSettings settings;
        WriteAuthenPwd(QStringLiteral("abc123 "));
        QCOMPARE(AppSettings().AuthenPwd, QStringLiteral("abc123 "));
        const QString stored = TAppIniFile().ReadString(QStringLiteral("NetConfig"), QStringLiteral("AuthenPwd"), {});
        // Base64 of the upper-case hexadecimal cipher text of the zero-padded password.
        const QByteArray cipher = TCrypt::EncryptBytes(QByteArray("abc123 ") + QByteArray(9, '\0'),
                                                       QByteArray("kzvw61739025\0\0\0\0", 16));
        QCOMPARE(stored, QString::fromLatin1(cipher.toHex().toUpper().toBase64()));
        // Blanks at either end go with the padding.
        QCOMPARE(ReadAuthenPwd(), QStringLiteral("abc123"));

        WriteAuthenPwd(QStringLiteral("一个很长的密码abcdefghij"));
        QCOMPARE(TAppIniFile().ReadString(QStringLiteral("NetConfig"), QStringLiteral("AuthenPwd"), {}).size(), 88);
        QCOMPARE(ReadAuthenPwd(), QStringLiteral("一个很长的密码abcdefghij"));
    }

    void undecodablePasswordRaisesAndKeepsTheFile_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("not hex") << QByteArray("bm90IGhleA=="); // "not hex"
        QTest::newRow("partial block") << Base64Encode("0011").toLatin1();
        QTest::newRow("too short for one group") << QByteArray("abc");
        QTest::newRow("a group and a stray character") << QByteArray("QUJD=") ;
        QTest::newRow("outside the alphabet") << QByteArray("QUJD*EFG");
    }

    void undecodablePasswordRaisesAndKeepsTheFile()
    {
        QFETCH(QByteArray, stored);
        TempSettings settings;
        const QByteArray file = "[NetConfig]\r\nAuthenPwd=" + stored + "\r\n";
        settings.write(file);
        Seller().SellerTaxNo = QStringLiteral("110101200801010");
        QVERIFY_THROWS_EXCEPTION(AppError, ReadAuthenPwd());
        QCOMPARE(settings.read(), file);
        QCOMPARE(AppSettings().AuthenPwd, QString());
    }

    void userDataSourcesAreListedInOrder()
    {
        writeOdbcIni("[jdcxs_invoice_old]\nDriver=SQLite3\nDatabase=/tmp/a.db\n"
                     "[my_jdcxs_invoice2]\nDriver=SQLite3\nDatabase=/tmp/b.db\n");
        QCOMPARE(ListOdbcDataSources(), (QStringList{QStringLiteral("jdcxs_invoice_old"), QStringLiteral("my_jdcxs_invoice2")}));
    }

    void longDataSourceNamesAreListedWhole()
    {
        // 32 bytes is ODBC's own limit; unixODBC lists far longer names.
        const QStringList names{QString(19, QLatin1Char('a')) + QStringLiteral("jdcxs_invoice"),
                                QString(20, QLatin1Char('b')) + QStringLiteral("jdcxs_invoice"),
                                QString(300, QLatin1Char('c')), QStringLiteral("开票数据库") + QString(40, QLatin1Char('d'))};
        QByteArray ini;
        for (const QString &name : names)
            ini += '[' + Gbk::encode(name) + "]\nDriver=SQLite3\n";
        writeOdbcIni(ini);
        QCOMPARE(ListOdbcDataSources(), names);
    }

    void resolveDsn_data()
    {
        QTest::addColumn<QString>("dsn");
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QString>("expected");
        const QStringList sources{QStringLiteral("sales"), QStringLiteral("jdcxs_invoice2"), QStringLiteral("jdcxs_invoice")};
        QTest::newRow("first containing name") << "jdcxs_invoice" << sources << "jdcxs_invoice2";
        QTest::newRow("case-sensitive") << "JDCXS" << sources << "";
        QTest::newRow("no match") << "dealer" << sources << "";
        QTest::newRow("empty name matches nothing") << "" << sources << "";
        QTest::newRow("no sources") << "jdcxs_invoice" << QStringList() << "";
        const QString tooLong = QStringLiteral("jdcxs_invoice_of_the_year_before_last"); // 37 bytes
        QTest::newRow("too long to connect") << "jdcxs_invoice" << QStringList{tooLong, "jdcxs_invoice"} << "jdcxs_invoice";
        QTest::newRow("32 bytes") << "jdcxs_invoice" << QStringList{tooLong.left(32)} << tooLong.left(32);
        QTest::newRow("32 bytes of GBK") << "jdcxs_invoice" << QStringList{"开票" + tooLong.left(28), "jdcxs_invoice"}
                                         << "开票" + tooLong.left(28);
        QTest::newRow("33 bytes of GBK") << "jdcxs_invoice" << QStringList{"开票" + tooLong.left(29), "jdcxs_invoice"}
                                         << "jdcxs_invoice";
    }

    void resolveDsn()
    {
        QFETCH(QString, dsn);
        QFETCH(QStringList, sources);
        QFETCH(QString, expected);
        QCOMPARE(ResolveDsn(dsn, sources), expected);
    }

    void longDataSourceNameListedFirstIsPassedOver()
    {
        const QString file = QDir(QDir::homePath()).filePath(QStringLiteral("long-name.db"));
        writeOdbcIni(QStringLiteral("[jdcxs_invoice_of_the_year_before_last]\nDriver=SQLite3\nDatabase=%1\n"
                                    "[jdcxs_invoice]\nDriver=SQLite3\nDatabase=%1\n")
                         .arg(file)
                         .toUtf8());
        TempSettings settings;
        std::unique_ptr<TPDF417BarCode> barcode;
        QVERIFY(LoadSettings(barcode, Dll));
        QCOMPARE(AppSettings().Dsn, QStringLiteral("jdcxs_invoice"));
        TJdcConnection connection;
        connection.Open(AppSettings().Dsn);
        QVERIFY(connection.IsOpen());
    }

    void loadSettingsResolvesTheDataSource()
    {
        writeOdbcIni("[other]\nDriver=SQLite3\n[jdcxs_invoice2]\nDriver=SQLite3\n");
        TempSettings settings;
        std::unique_ptr<TPDF417BarCode> barcode;
        QVERIFY(LoadSettings(barcode, Dll));
        QCOMPARE(AppSettings().Dsn, QStringLiteral("jdcxs_invoice2"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
