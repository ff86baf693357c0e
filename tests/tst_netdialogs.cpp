#include "DialogDriver.h"
#include "TestSupport.h"
#include "TestTaxServer.h"

#include "config/GbkText.h"
#include "config/Settings.h"
#include "upload/FrmSBType.h"
#include "upload/SetAuthenPwdForm.h"
#include "upload/FrmUploadJournal.h"
#include "upload/SetNetworkForm.h"
#include "upload/UploadJournal.h"

#include <functional>

#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

QString text(QWidget *parent, const char *name)
{
    return child<QLineEdit>(parent, name)->text();
}

void setText(QWidget *parent, const char *name, const QString &value)
{
    child<QLineEdit>(parent, name)->setText(value);
}

// A server that answers with a fixed result and remembers what it was sent.
class FakeServer final
{
public:
    explicit FakeServer(const QString &value = QString(), const QString &message = QString())
        : m_answer(value, message)
    {
    }

    PasswordExchange exchange()
    {
        return [this](const QString &sentUrl, const QStringList &sentFields) {
            ++calls;
            url = sentUrl;
            fields = sentFields;
            return m_answer;
        };
    }

    QString url;
    QStringList fields;
    int calls = 0;

private:
    std::pair<QString, QString> m_answer;
};

} // namespace

class TestNetDialogs : public QObject
{
    Q_OBJECT

private slots:
    // "上传日志" lists the exchanges newest first, filters by invoice number and copies one.
    void uploadJournalWindow()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        const auto restore = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
        const QDateTime day(QDate(2026, 12, 10), QTime(9, 0));
        {
            UploadJournal journal;
            for (int i = 1; i <= 3; ++i) {
                JournalEntry e;
                e.time = day.addSecs(60 * i);
                e.kind = QStringLiteral("上传");
                e.invoiceCode = QStringLiteral("132000000001");
                e.invoiceNumber = QStringLiteral("0000000%1").arg(i);
                e.host = QStringLiteral("127.0.0.1:8080");
                e.action = QStringLiteral("upload");
                e.fields = MaskedFields({QStringLiteral("NSRSBH=110101200801010"), QStringLiteral("PASSWORD=secret")});
                e.httpStatus = 200;
                e.resultValue = QStringLiteral("0");
                e.resultMessage = QStringLiteral("上传成功");
                QVERIFY(journal.Append(e) > 0);
            }
            JournalEntry old;
            old.time = day.addDays(-40);
            old.invoiceNumber = QStringLiteral("00000009");
            QVERIFY(journal.Append(old) > 0);
        }
        FixedClock clock(day);
        TfrmUploadJournal window(clock);
        QCOMPARE(window.Shown().size(), 3); // the last thirty days
        QCOMPARE(window.Shown()[0].invoiceNumber, QStringLiteral("00000003"));
        auto *table = window.findChild<QTableWidget *>(QStringLiteral("dsGrid1"));
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(0, 3)->text(), QStringLiteral("00000003"));

        window.findChild<QLineEdit *>(QStringLiteral("edtFPHM"))->setText(QStringLiteral("0002"));
        window.btnQueryClick();
        QCOMPARE(window.Shown().size(), 1);
        window.btnCopyClick();
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied, JournalEntryText(window.Shown()[0]));
        QVERIFY(copied.contains(QStringLiteral("发票号码: 00000002")));
        QVERIFY(copied.contains(QStringLiteral("PASSWORD=******")));
        QVERIFY(!copied.contains(QStringLiteral("secret")));

        window.findChild<QLineEdit *>(QStringLiteral("edtFPHM"))->clear();
        window.findChild<QDateEdit *>(QStringLiteral("dtpStart"))->setDate(day.date().addDays(-60));
        window.btnQueryClick();
        QCOMPARE(window.Shown().size(), 4);
        QCOMPARE(UploadJournal().PruneBefore(day.addDays(-30)), 1);
    }

    void networkFormShowsTheStoredSettings_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("interTime");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("afterUp"); // the arrows go on from their own position
        QTest::newRow("fresh installation") << "" << 30 << "http://" << "" << "31";
        QTest::newRow("address and port") << "http://10.12.3.4:8080" << 60 << "http://10.12.3.4" << "8080" << "61";
        QTest::newRow("https without port, longer than the port box")
            << "https://upload.tax.example.gov.cn" << 30 << "https" << "//upload.tax.example.gov.cn" << "31";
        QTest::newRow("no scheme") << "tax.example.cn:80" << 30 << "http://tax.example.cn" << "80" << "31";
        QTest::newRow("no colon at all") << "tax.example.cn" << 30 << "http://" << "tax.example.cn" << "31";
        QTest::newRow("trailing colon") << "http://tax.example.cn:" << 30 << "http://tax.example.cn" << "" << "31";
        QTest::newRow("IPv6-looking") << "http://[fe80::1]:8443" << 30 << "http://[fe80::1]" << "8443" << "31";
        QTest::newRow("scheme in capitals") << "HTTPS://TAX.CN:443" << 30 << "HTTPS://TAX.CN" << "443" << "31";
        QTest::newRow("interval below the arrows") << "" << 5 << "http://" << "" << "11";
        QTest::newRow("interval above the arrows") << "" << 900 << "http://" << "" << "600";
    }

    void networkFormShowsTheStoredSettings()
    {
        QFETCH(QString, server);
        QFETCH(int, interTime);
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(QString, afterUp);
        TempSettings settings;
        AppSettings().AuthenServer = server;
        AppSettings().InterTime = interTime;
        AppSettings().RetryTimes = 12; // wider than its box, shown whole
        TSetNetworkForm dialog;
        QCOMPARE(text(&dialog, "edtServerAddr"), address);
        QCOMPARE(text(&dialog, "edtServerPort"), port);
        QCOMPARE(text(&dialog, "edtInterval"), QString::number(interTime));
        QCOMPARE(text(&dialog, "edtTimes"), QStringLiteral("12"));
        click(&dialog, "btnUp");
        QCOMPARE(text(&dialog, "edtInterval"), afterUp);
    }

    void networkFormTexts()
    {
        TempSettings settings;
        TSetNetworkForm dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("上传参数设置"));
        auto *pages = child<QTabWidget>(&dialog, "pgcMain");
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet1"));
        QCOMPARE(pages->tabText(0), QStringLiteral("常规"));
        QCOMPARE(child<QGroupBox>(&dialog, "GroupBox1")->title(), QStringLiteral("申报服务器"));
        QCOMPARE(child<QGroupBox>(&dialog, "GroupBox2")->title(), QStringLiteral("数据上传"));
        const char *const labels[] = {"Label1", "Label12", "Label2", "Label4", "Label3", "Label5"};
        const QStringList texts{"服务器地址:", "服务器端口号:", "自动上传间隔:", "秒", "上传重试次数:", "次"};
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(child<QLabel>(&dialog, labels[i])->text(), texts[i]);
        QVERIFY(!child(&dialog, "edtTimes")->isEnabled());
        QCOMPARE(child<QPushButton>(&dialog, "btnOk")->text(), QStringLiteral("确定"));
        QCOMPARE(child<QPushButton>(&dialog, "btnCancel")->text(), QStringLiteral("取消"));
    }

    void networkFormLimitsTyping_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QByteArray>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("address, 30 characters") << "" << QByteArray("edtServerAddr") << "abcdefghijklmnopqrstuvwxyz"
                                                << "http://abcdefghijklmnopqrstuvw";
        QTest::newRow("interval, 3 characters") << "" << QByteArray("edtInterval") << "456" << "304";
        QTest::newRow("a longer stored port does not grow")
            << "http://upload.tax.cn" << QByteArray("edtServerPort") << "x" << "//upload.tax.cn";
    }

    void networkFormLimitsTyping()
    {
        QFETCH(QString, server);
        QFETCH(QByteArray, box);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        TempSettings settings;
        AppSettings().AuthenServer = server;
        AppSettings().InterTime = 30;
        TSetNetworkForm dialog;
        QTest::keyClicks(child(&dialog, box), typed);
        QCOMPARE(text(&dialog, box), expected);
    }

    void networkPortFilledWhenLeft_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fresh installation") << "http://" << "" << "80";
        QTest::newRow("https") << "https://tax.example.cn" << "" << "443";
        QTest::newRow("https in capitals") << "HTTPS://TAX.CN" << "" << "443";
        QTest::newRow("typed port stays") << "https://tax.example.cn" << "8443" << "8443";
    }

    void networkPortFilledWhenLeft()
    {
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(QString, expected);
        TempSettings settings;
        TSetNetworkForm dialog;
        bool active = false;
        QString left;
        whenModal([&](QWidget *modal) {
            setText(modal, "edtServerAddr", address);
            setText(modal, "edtServerPort", port);
            // Focus moves only inside the active window.
            modal->activateWindow();
            active = QTest::qWaitForWindowActive(modal);
            child(modal, "edtServerPort")->setFocus();
            QTest::keyClick(child(modal, "edtServerPort"), Qt::Key_Tab);
            left = text(modal, "edtServerPort");
            click(modal, "btnCancel");
        });
        dialog.exec();
        QVERIFY(active);
        QCOMPARE(left, expected);
    }

    void checkServerAddr_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("valid");
        QTest::newRow("dotted numeric") << "http://10.1.2.3" << true;
        QTest::newRow("host name, https in capitals") << "HTTPS://Tax.Example.CN" << true;
        QTest::newRow("no scheme") << "tax.example.cn" << true;
        QTest::newRow("nothing after the scheme") << "http://" << true;
        QTest::newRow("hyphen") << "http://tax-server.cn" << false;
        QTest::newRow("slash") << "http://tax.cn/upload" << false;
        QTest::newRow("port typed in") << "http://tax.cn:8080" << false;
        QTest::newRow("two dots") << "https://tax..cn" << false;
        QTest::newRow("blank") << "http://tax .cn" << false;
        QTest::newRow("non-ASCII") << "http://税务.cn" << false;
        QTest::newRow("other scheme") << "ftp://tax.cn" << false;
    }

    void checkServerAddr()
    {
        QFETCH(QString, address);
        QFETCH(bool, valid);
        QCOMPARE(TSetNetworkForm::CheckServerAddr(address), valid);
    }

    void networkOkRefuses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focused");
        const QString badAddress = QStringLiteral("报税服务器地址不正确！");
        QTest::newRow("bad address") << "http://tax-server.cn" << "80" << badAddress << "edtServerAddr";
        QTest::newRow("bad address and no port") << "http://tax..cn" << "" << badAddress << "edtServerAddr";
        QTest::newRow("no port") << "http://tax.cn" << "" << "报税服务器端口号不能为空！" << "edtServerPort";
    }

    void networkOkRefuses()
    {
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(QString, message);
        QFETCH(QString, focused);
        TempSettings settings;
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TSetNetworkForm dialog;
        dialog.show();
        setText(&dialog, "edtServerAddr", address);
        setText(&dialog, "edtServerPort", port);
        click(&dialog, "btnOk");
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, MessageKind::Warning);
        QCOMPARE(boxes.shown[0].text, message);
        QCOMPARE(dialog.focusWidget()->objectName(), focused);
        QVERIFY(dialog.isVisible());
        QVERIFY(!QFile::exists(settings.path()));
        QVERIFY(AppSettings().AuthenServer.isEmpty());
    }

    void editNetworkSettingsStoresOnOk_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<bool>("automaticOn");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("timerMs");
        QTest::addColumn<QString>("reopened");
        QTest::newRow("dotted numeric, automatic") << "http://10.1.2.3" << "45" << true << 45 << 45000 << "http://10.1.2.3";
        QTest::newRow("5 stays 5, manual") << "https://tax.cn" << "5" << false << 5 << 5000 << "https://tax.cn";
        QTest::newRow("not a number gives 10") << "http://tax.cn" << "x" << true << 10 << 10000 << "http://tax.cn";
        QTest::newRow("no scheme stored as typed") << "tax.cn" << "30" << true << 30 << 30000 << "http://tax.cn";
        QTest::newRow("0: the timer waits a second") << "http://tax.cn" << "0" << true << 0 << 1000 << "http://tax.cn";
    }

    void editNetworkSettingsStoresOnOk()
    {
        QFETCH(QString, address);
        QFETCH(QString, interval);
        QFETCH(bool, automaticOn);
        QFETCH(int, stored);
        QFETCH(int, timerMs);
        QFETCH(QString, reopened);
        TempSettings settings;
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        AppSettings().InterTime = 20;
        AppSettings().RetryTimes = 2;
        QTimer timer;
        timer.start(20000);
        bool stoppedWhileOpen = false;
        whenModal([&](QWidget *modal) {
            stoppedWhileOpen = !timer.isActive();
            setText(modal, "edtServerAddr", address);
            setText(modal, "edtServerPort", QStringLiteral("8080"));
            setText(modal, "edtInterval", interval);
            click(modal, "btnOk");
        });
        EditNetworkSettings(timer, automaticOn);
        QVERIFY(stoppedWhileOpen);
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(ReadAuthenServer(), address + ":8080");
        QCOMPARE(AppSettings().AuthenServer, address + ":8080");
        QCOMPARE(ReadInterTime(), stored);
        QCOMPARE(AppSettings().InterTime, stored);
        QCOMPARE(ReadRetryTimes(), 2);
        QCOMPARE(timer.interval(), timerMs);
        QCOMPARE(timer.isActive(), automaticOn);
        TSetNetworkForm again;
        QCOMPARE(text(&again, "edtServerAddr"), reopened);
        QCOMPARE(text(&again, "edtServerPort"), QStringLiteral("8080"));
    }

    void editNetworkSettingsCancelRestoresTheTimer_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::addColumn<bool>("automaticOn");
        QTest::newRow("button, automatic") << false << true;
        QTest::newRow("escape, manual") << true << false;
    }

    void editNetworkSettingsCancelRestoresTheTimer()
    {
        QFETCH(bool, escape);
        QFETCH(bool, automaticOn);
        TempSettings settings;
        AppSettings().AuthenServer = QStringLiteral("http://tax.cn:80");
        AppSettings().InterTime = 40;
        QTimer timer;
        timer.start(1000); // running on an interval that is not yet InterTime's
        bool stoppedWhileOpen = false;
        whenModal([&](QWidget *modal) {
            stoppedWhileOpen = !timer.isActive();
            setText(modal, "edtServerAddr", QStringLiteral("http://other.cn"));
            click(modal, "btnUp");
            cancel(modal, "btnCancel", escape);
        });
        EditNetworkSettings(timer, automaticOn);
        QVERIFY(stoppedWhileOpen);
        QVERIFY(!QFile::exists(settings.path()));
        QCOMPARE(AppSettings().AuthenServer, QStringLiteral("http://tax.cn:80"));
        QCOMPARE(AppSettings().InterTime, 40);
        QCOMPARE(timer.interval(), 40000);
        QCOMPARE(timer.isActive(), automaticOn);
    }

    void passwordFormTexts()
    {
        TempSettings settings;
        AppSettings().AuthenPwd = QStringLiteral("tax123456");
        FakeServer server;
        TSetAuthenPwdForm dialog(server.exchange());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("数据上传密码设置"));
        QCOMPARE(child<QGroupBox>(&dialog, "GroupBox1")->title(), QStringLiteral("密码修改"));
        QVERIFY(child<QLabel>(&dialog, "Image1"));
        const char *const labels[] = {"Label1", "Label2", "Label3"};
        const QStringList texts{"当前密码:", "新密码:", "确认新密码:"};
        const char *const edits[] = {"edtOldPwd", "edtNewPwd", "edtNewPwd2"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(child<QLabel>(&dialog, labels[i])->text(), texts[i]);
            QLineEdit *edit = child<QLineEdit>(&dialog, edits[i]);
            QCOMPARE(edit->echoMode(), QLineEdit::Password);
            QCOMPARE(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), int('*'));
        }
        QCOMPARE(text(&dialog, "edtOldPwd"), QStringLiteral("tax123456"));
        QCOMPARE(child<QPushButton>(&dialog, "btnOk")->text(), QStringLiteral("确定"));
        QCOMPARE(child<QPushButton>(&dialog, "btnCancel")->text(), QStringLiteral("取消"));
    }

    void passwordChangeRefused_data()
    {
        QTest::addColumn<QString>("newPwd");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<QString>("serverValue"); // empty: the server is not asked
        QTest::addColumn<QString>("serverMessage");
        QTest::addColumn<QString>("message");
        const QString tooShort = QStringLiteral("新密码必须大于等于6位！");
        const QString differs = QStringLiteral("两次输入的新密码不一致！");
        const QString refused = QStringLiteral("密码修改失败！原因：");
        const QString unreachable = QStringLiteral("网络连接失败:,详细信息：Connection refused");
        QTest::newRow("five characters") << "12345" << "12345" << "" << "" << tooShort;
        QTest::newRow("two Chinese characters and a digit are five bytes") << "密码1" << "密码1" << "" << "" << tooShort;
        QTest::newRow("confirmation differs") << "123456" << "123457" << "" << "" << differs;
        // The next start trims the stored password: the server would hold one the program no longer sends.
        const QString ends = QStringLiteral("新密码首尾不能是空格或控制字符！");
        QTest::newRow("blank at the end") << "abcdef " << "abcdef " << "" << "" << ends;
        QTest::newRow("blank at the start") << " abcdef" << " abcdef" << "" << "" << ends;
        QTest::newRow("tab at the end") << "abcdef\t" << "abcdef\t" << "" << "" << ends;
        const QString notGbk = QStringLiteral("新密码不能含有GBK编码以外的字符！");
        QTest::newRow("emoji") << "abc\U0001F600123" << "abc\U0001F600123" << "" << "" << notGbk;
        QTest::newRow("hangul") << "密码\uD55C123" << "密码\uD55C123" << "" << "" << notGbk;
        QTest::newRow("server refuses") << "new12345" << "new12345" << "2" << "原密码错误" << refused + "原密码错误";
        QTest::newRow("server unreachable") << "new12345" << "new12345" << "1" << unreachable << refused + unreachable;
        QTest::newRow("blank before the 0") << "new12345" << "new12345" << " 0" << "" << refused;
    }

    void passwordChangeRefused()
    {
        QFETCH(QString, newPwd);
        QFETCH(QString, confirmation);
        QFETCH(QString, serverValue);
        QFETCH(QString, serverMessage);
        QFETCH(QString, message);
        TempSettings settings;
        AppSettings().AuthenPwd = QStringLiteral("old12345");
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        FakeServer server(serverValue, serverMessage);
        TSetAuthenPwdForm dialog(server.exchange());
        dialog.show();
        setText(&dialog, "edtNewPwd", newPwd);
        setText(&dialog, "edtNewPwd2", confirmation);
        child(&dialog, "edtOldPwd")->setFocus();
        click(&dialog, "btnOk");
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, MessageKind::Warning);
        QCOMPARE(boxes.shown[0].text, message);
        QCOMPARE(server.calls, serverValue.isEmpty() ? 0 : 1);
        if (serverValue.isEmpty())
            QCOMPARE(dialog.focusWidget()->objectName(), QStringLiteral("edtNewPwd"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(AppSettings().AuthenPwd, QStringLiteral("old12345"));
        QVERIFY(!QFile::exists(settings.path()));
    }

    void passwordChangeAcceptedByTheServer_data()
    {
        QTest::addColumn<QString>("current"); // typed over the password in use; empty keeps it
        QTest::addColumn<QString>("newPwd");
        QTest::newRow("six ASCII characters") << "" << "abc123";
        QTest::newRow("three Chinese characters are six bytes") << "" << "密码甲";
        QTest::newRow("current password typed") << "tax999" << "abcdef12";
        QTest::newRow("blank inside") << "" << "abc def";
        QTest::newRow("question mark") << "" << "abc?def";
    }

    void passwordChangeAcceptedByTheServer()
    {
        QFETCH(QString, current);
        QFETCH(QString, newPwd);
        TempSettings settings;
        Seller().SellerTaxNo = QStringLiteral("110101199001011234");
        AppSettings().AuthenServer = QStringLiteral("https://tax.example.cn:443");
        AppSettings().EdtPassAction = QStringLiteral("EdtPass.do");
        AppSettings().AuthenPwd = QStringLiteral("old12345");
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        FakeServer server(QStringLiteral("0"), QStringLiteral("OK"));
        TSetAuthenPwdForm dialog(server.exchange());
        whenModal([&](QWidget *modal) {
            if (!current.isEmpty())
                setText(modal, "edtOldPwd", current);
            setText(modal, "edtNewPwd", newPwd);
            setText(modal, "edtNewPwd2", newPwd);
            click(modal, "btnOk");
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(server.url, QStringLiteral("https://tax.example.cn:443/EdtPass.do"));
        const QStringList fields{"NSRSBH=110101199001011234",
                                 "PASSWORD=" + (current.isEmpty() ? QStringLiteral("old12345") : current),
                                 "NEW_PASSWORD=" + newPwd};
        QCOMPARE(server.fields, fields);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, MessageKind::Warning);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("密码修改成功！"));
        QCOMPARE(AppSettings().AuthenPwd, newPwd);
        // Stored enciphered, and the next start reads the same password back.
        const QByteArray stored = settings.read();
        QVERIFY(stored.contains("AuthenPwd="));
        QVERIFY(!stored.contains(Gbk::encode(newPwd)));
        AppSettings().AuthenPwd.clear();
        QCOMPARE(ReadAuthenPwd(), newPwd);
    }

    // A settings file that would not take the new password: the change is refused with the reason
    // before anything goes to the server. One that refuses it only after the server took it (here
    // made immutable while the server answers) leaves the new password in use for this run, with
    // the clerk told to set it again; the file keeps the old one for the next start.
    void passwordChangeWithUnwritableSettings_data()
    {
        QTest::addColumn<QString>("fault"); // immutable, unreadable, or immutable during the exchange
        QTest::newRow("immutable file") << "immutable";
        QTest::newRow("unreadable file") << "unreadable";
        QTest::newRow("file turns immutable while the server answers") << "later";
    }

    void passwordChangeWithUnwritableSettings()
    {
        QFETCH(QString, fault);
        TempSettings settings;
        const QString oldPwd = QStringLiteral("old12345");
        const QString newPwd = QStringLiteral("new67890");
        WriteAuthenPwd(oldPwd);
        const QByteArray before = settings.read();
        const auto chattr = [&](const char *flag) {
            return QProcess::execute(QStringLiteral("chattr"), {QLatin1String(flag), settings.path()}) == 0;
        };
        const auto release = [&] {
            chattr("-i");
            QFile::setPermissions(settings.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        };
        const auto restore = qScopeGuard(release);
        if (fault == QLatin1String("immutable") && !chattr("+i"))
            QSKIP("chattr +i does not work on this file system");
        if (fault == QLatin1String("unreadable"))
            QFile::setPermissions(settings.path(), QFileDevice::WriteOwner);

        TaxServer server({QStringLiteral("--password"), oldPwd});
        QVERIFY2(server.port() > 0, qPrintable(server.failure()));
        Seller().SellerTaxNo = QStringLiteral("110101199001011234");
        AppSettings().AuthenServer = server.url(QString());
        AppSettings().EdtPassAction = QStringLiteral("password");
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        bool madeImmutable = false;
        const PasswordExchange exchange = [&](const QString &url, const QStringList &fields) {
            const auto answer = ExchangeOverHttp(url, fields);
            if (fault == QLatin1String("later"))
                madeImmutable = chattr("+i");
            return answer;
        };
        TSetAuthenPwdForm dialog(exchange);
        dialog.show();
        setText(&dialog, "edtNewPwd", newPwd);
        setText(&dialog, "edtNewPwd2", newPwd);
        {
            OrdinaryFileRights rights;
            click(&dialog, "btnOk");
        }
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, MessageKind::Warning);
        const QString said = boxes.shown[0].text;
        const QList<LoggedRequest> requests = server.requests();
        if (fault == QLatin1String("later")) {
            QVERIFY(madeImmutable);
            QCOMPARE(requests.size(), 1);
            QVERIFY(requests[0].head.contains("\r\nNEW_PASSWORD: " + newPwd.toLatin1() + "\r\n"));
            QVERIFY2(said.startsWith(QStringLiteral("密码修改成功！但新密码未能写入设置文件（Unable to write to %1）")
                                         .arg(settings.path())),
                     qPrintable(said));
            QVERIFY(said.contains(QStringLiteral("再设置一次")));
            QVERIFY(!dialog.isVisible());
            // The server and this run agree on the new password: the next exchange with it is taken.
            QCOMPARE(AppSettings().AuthenPwd, newPwd);
            const auto [value, message] = ExchangeOverHttp(
                server.url(QStringLiteral("/password")),
                {QStringLiteral("NSRSBH=1"), QStringLiteral("PASSWORD=") + AppSettings().AuthenPwd,
                 QStringLiteral("NEW_PASSWORD=") + newPwd});
            QCOMPARE(value, QStringLiteral("0"));
        } else {
            QCOMPARE(requests.size(), 0);
            QCOMPARE(said, QStringLiteral("密码修改失败！原因：设置文件不能写入，新密码无法保存，未提交服务器"
                                          "（Unable to write to %1）")
                               .arg(settings.path()));
            QVERIFY(dialog.isVisible());
            QCOMPARE(AppSettings().AuthenPwd, oldPwd);
        }
        release();
        // The file holds the old password still, for the next start.
        QCOMPARE(settings.read(), before);
        AppSettings().AuthenPwd.clear();
        QCOMPARE(ReadAuthenPwd(), oldPwd);
    }

    void passwordExchangeGoesOverHttp()
    {
        // Nothing listens on port 1: the failure comes back as the reason the clerk reads.
        const auto [value, message] = ExchangeOverHttp(QStringLiteral("http://127.0.0.1:1/EdtPass.do"),
                                                       {QStringLiteral("NSRSBH=110101199001011234")});
        QCOMPARE(value, QStringLiteral("1"));
        QVERIFY2(message.startsWith(QStringLiteral("网络连接失败:,详细信息：")), qPrintable(message));
    }

    void sbTypeStoresTheMode_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("choice"); // item index, -1 leaves the selection alone
        QTest::addColumn<int>("stored");
        QTest::newRow("barcode to online") << 1 << 1 << 2;
        QTest::newRow("online to barcode") << 2 << 0 << 1;
        QTest::newRow("confirmed unchanged") << 2 << -1 << 2;
        QTest::newRow("unknown mode selects nothing") << 0 << -1 << 0;
    }

    void sbTypeStoresTheMode()
    {
        QFETCH(int, current);
        QFETCH(int, choice);
        QFETCH(int, stored);
        TempSettings settings;
        AppSettings().SBType = current;
        TfrmSBType dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("设置申报方式"));
        QCOMPARE(child<QGroupBox>(&dialog, "rgType")->title(), QStringLiteral("设置申报方式"));
        const QList<QRadioButton *> items = dialog.findChildren<QRadioButton *>();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0]->text(), QStringLiteral("二维条码申报"));
        QCOMPARE(items[1]->text(), QStringLiteral("网上申报"));
        QCOMPARE(items[0]->isChecked(), current == 1);
        QCOMPARE(items[1]->isChecked(), current == 2);
        QCOMPARE(child<QPushButton>(&dialog, "BitBtn1")->text(), QStringLiteral("确定"));
        QCOMPARE(child<QPushButton>(&dialog, "BitBtn2")->text(), QStringLiteral("取消"));
        whenModal([&](QWidget *modal) {
            if (choice >= 0)
                modal->findChildren<QRadioButton *>()[choice]->click();
            click(modal, "BitBtn1");
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(ReadSBType(), stored);
        // The running program keeps the mode it was arranged for until it ends.
        QCOMPARE(AppSettings().SBType, current);
    }

    void sbTypeCancelStoresNothing()
    {
        TempSettings settings;
        AppSettings().SBType = 1;
        TfrmSBType dialog;
        whenModal([](QWidget *modal) {
            modal->findChildren<QRadioButton *>()[1]->click();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(settings.path()));
    }
};

QTEST_MAIN(TestNetDialogs)
#include "tst_netdialogs.moc"
