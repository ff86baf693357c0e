#include <memory>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "TestCertificates.h"
#include "TestSupport.h"
#include "TestTaxServer.h"
#include "config/Encodings.h"
#include "config/GZip.h"
#include "config/GbkText.h"
#include "upload/MyIdHttp.h"
#include "upload/UploadJournal.h"

namespace {

const QString FailurePrefix = QStringLiteral("网络连接失败:,详细信息：");
constexpr int DefaultConnectMs = 10000;
constexpr int DefaultTotalMs = 30000;

// A target whose answer is exactly these bytes.
QString replyOf(const QByteArray &body)
{
    return QStringLiteral("/reply?body=") + QString::fromLatin1(body.toHex());
}

QByteArray xmlDeclaration()
{
    return "<?xml version=\"1.0\" encoding=\"GBK\"?>";
}

} // namespace

class TestHttp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_certificates.Make());
    }

    void init() { m_settings = std::make_unique<TempSettings>(); }

    void cleanup()
    {
        TMyIdHttp::SetTimeouts(DefaultConnectMs, DefaultTotalMs);
        m_settings.reset();
    }

    void uploadPutsTheFieldsOnTheWireAfterCurlsOwnHeaders()
    {
        const QString password = QStringLiteral("密码123");
        TaxServer server({QStringLiteral("--password"), password});
        QVERIFY2(server.port() > 0, qPrintable(server.failure()));

        QByteArray document = Gbk::encode(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?><ghdw>张三</ghdw>"));
        QString packed = Base64Encode(GZipCompress(document));
        while (!packed.endsWith(QLatin1Char('='))) {
            document += ' ';
            packed = Base64Encode(GZipCompress(document));
        }
        const QString length = QString::number(document.size());

        TMyIdHttp http;
        QVERIFY(http.Execute(server.url(QStringLiteral("/upload")),
                             {QStringLiteral("NSRSBH=320581739256418"), QStringLiteral("PASSWORD=") + password,
                              QStringLiteral("SWJGDM="), QStringLiteral("LENGTH=") + length,
                              QStringLiteral("Record_NUM=1"), QStringLiteral("RZDATA=") + packed}));
        QCOMPARE(http.ResultValue, QStringLiteral("0"));
        QCOMPARE(http.ResultMessage, QStringLiteral("上传成功"));
        QCOMPARE(server.lastDocument(), document);

        const QList<LoggedRequest> requests = server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].method, QByteArray("GET"));
        QCOMPARE(requests[0].target, QByteArray("/upload"));
        // Empty SWJGDM is left out; the Chinese password goes as its GBK bytes, RZDATA whole.
        const QByteArray expected = "Host: 127.0.0.1:" + QByteArray::number(server.port()) + "\r\n"
            + "Accept: */*\r\n"
            + "NSRSBH: 320581739256418\r\n"
            + "PASSWORD: \xC3\xDC\xC2\xEB" "123\r\n"
            + "LENGTH: " + length.toLatin1() + "\r\n"
            + "Record_NUM: 1\r\n"
            + "RZDATA: " + packed.toLatin1() + "\r\n";
        QCOMPARE(requests[0].head, expected);
    }

    void replies_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");

        const QByteArray gbkReason = Gbk::encode(QStringLiteral("纳税人识别号未登记"));
        QTest::newRow("0 and OK")
            << replyOf(xmlDeclaration() + "<Response><ResultValue>0</ResultValue><ResultMessage>OK</ResultMessage></Response>")
            << QStringLiteral("0") << QStringLiteral("OK");
        QTest::newRow("2 and a GBK reason")
            << replyOf(xmlDeclaration() + "<Response><ResultValue>2</ResultValue><ResultMessage>" + gbkReason
                       + "</ResultMessage></Response>")
            << QStringLiteral("2") << QStringLiteral("纳税人识别号未登记");
        QTest::newRow("blank before 0 kept")
            << replyOf("<Response><ResultValue> 0</ResultValue><ResultMessage>OK</ResultMessage></Response>")
            << QStringLiteral(" 0") << QStringLiteral("OK");
        QTest::newRow("entities left as they are")
            << replyOf("<Response><ResultValue>0</ResultValue><ResultMessage>A &amp; B</ResultMessage></Response>")
            << QStringLiteral("0") << QStringLiteral("A &amp; B");
        QTest::newRow("html page without Response") << QStringLiteral("/upload?reply=noresponse") << QString() << QString();
        QTest::newRow("blank lines around Response") << QStringLiteral("/upload?reply=blanklines") << QStringLiteral("0")
                                                    << QString();
        QTest::newRow("end marker before start")
            << replyOf("<Response></ResultValue>0<ResultValue><ResultMessage>m</ResultMessage></Response>") << QString()
            << QStringLiteral("m");
        QTest::newRow("lower-case names")
            << replyOf("<response><resultvalue>0</resultvalue><resultmessage>OK</resultmessage></response>") << QString()
            << QString();
        QTest::newRow("Response ends at byte 10240") << QStringLiteral("/upload?reply=long&response-end=10240")
                                                     << QStringLiteral("0") << QStringLiteral("OK");
        QTest::newRow("20000 bytes, Response ends after byte 10240") << QStringLiteral("/upload?reply=long") << QString()
                                                                     << QString();
        QTest::newRow("refusal of the server")
            << QStringLiteral("/upload?refuse=") + QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("暂停受理")))
            << QStringLiteral("3") << QStringLiteral("暂停受理");
    }

    void replies()
    {
        QFETCH(QString, target);
        QFETCH(QString, value);
        QFETCH(QString, message);
        TaxServer server;
        QVERIFY2(server.port() > 0, qPrintable(server.failure()));

        TMyIdHttp http;
        QVERIFY(http.Execute(server.url(target), {QStringLiteral("NSRSBH=320581739256418")}));
        QCOMPARE(http.ResultValue, value);
        QCOMPARE(http.ResultMessage, message);
    }

    void replyWithoutResponseKeepsTheEarlierResults()
    {
        TaxServer server;
        QVERIFY2(server.port() > 0, qPrintable(server.failure()));
        TMyIdHttp http;
        QVERIFY(http.Execute(server.url(QStringLiteral("/upload?refuse=busy")), {}));
        QCOMPARE(http.ResultValue, QStringLiteral("3"));

        QVERIFY(http.Execute(server.url(QStringLiteral("/upload?reply=noresponse")), {}));
        QCOMPARE(http.ResultValue, QStringLiteral("3"));
        QCOMPARE(http.ResultMessage, QStringLiteral("busy"));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("serverArguments");
        QTest::addColumn<bool>("closeFirst");
        QTest::addColumn<int>("totalMs");
        QTest::addColumn<QString>("detail");

        QTest::newRow("unreachable port") << QStringList() << true << DefaultTotalMs
                                          << QStringLiteral("Couldn't connect to server");
        QTest::newRow("time-out") << QStringList{QStringLiteral("--delay-ms"), QStringLiteral("3000")} << false << 500
                                  << QStringLiteral("Timeout was reached");
        // curl itself takes the closed connection for the end of a reply without a body.
        QTest::newRow("reply ends in its headers") << QStringList{QStringLiteral("--reply"), QStringLiteral("headcut")}
                                                   << false << DefaultTotalMs
                                                   << QStringLiteral("服务器的应答在头部中途中断（HTTP/1.1 200 OK）");
        QTest::newRow("status 500") << QStringList{QStringLiteral("--status"), QStringLiteral("500")} << false
                                    << DefaultTotalMs << QStringLiteral("HTTP/1.1 500 Internal Server Error");
    }

    void failures()
    {
        QFETCH(QStringList, serverArguments);
        QFETCH(bool, closeFirst);
        QFETCH(int, totalMs);
        QFETCH(QString, detail);
        TaxServer server(serverArguments);
        QVERIFY2(server.port() > 0, qPrintable(server.failure()));
        if (closeFirst)
            server.stop(); // nobody listens on that port any more
        TMyIdHttp::SetTimeouts(200, totalMs);

        TMyIdHttp http;
        QVERIFY(!http.Execute(server.url(QStringLiteral("/upload")), {QStringLiteral("NSRSBH=320581739256418")}));
        QCOMPARE(http.ResultValue, QStringLiteral("1"));
        QVERIFY2(http.ResultMessage.startsWith(FailurePrefix + detail), qPrintable(http.ResultMessage));
        QCOMPARE(http.Failure, http.ResultMessage.mid(FailurePrefix.size()));
    }

    void redirectBringsTheCookieBack()
    {
        TaxServer server;
        QVERIFY2(server.port() > 0, qPrintable(server.failure()));
        TMyIdHttp http;
        QVERIFY(http.Execute(server.url(QStringLiteral("/password?redirect")),
                             {QStringLiteral("NSRSBH=320581739256418"), QStringLiteral("PASSWORD=123456"),
                              QStringLiteral("NEW_PASSWORD=654321")}));
        QCOMPARE(http.ResultValue, QStringLiteral("0"));
        QCOMPARE(http.ResultMessage, QStringLiteral("密码修改成功"));

        const QList<LoggedRequest> requests = server.requests();
        QCOMPARE(requests.size(), 2);
        QVERIFY(requests[1].target.startsWith("/password?session="));
        const QByteArray token = requests[1].target.mid(requests[1].target.indexOf('=') + 1);
        QVERIFY(requests[1].head.contains("\r\nCookie: KVSESSION=" + token + "\r\n"));
        QVERIFY(requests[1].head.endsWith("NEW_PASSWORD: 654321\r\n"));
    }

    void serverKeepsTheChangedPassword()
    {
        TaxServer server;
        QVERIFY2(server.port() > 0, qPrintable(server.failure()));
        const QStringList change{QStringLiteral("NSRSBH=1"), QStringLiteral("PASSWORD=123456"),
                                 QStringLiteral("NEW_PASSWORD=abcdef")};
        TMyIdHttp first;
        first.Execute(server.url(QStringLiteral("/password")), change);
        QCOMPARE(first.ResultValue, QStringLiteral("0"));

        TMyIdHttp again;
        again.Execute(server.url(QStringLiteral("/password")), change);
        QCOMPARE(again.ResultValue, QStringLiteral("2"));
        QCOMPARE(again.ResultMessage, QStringLiteral("当前密码错误"));
    }

    void tls_data()
    {
        QTest::addColumn<bool>("trustTestAuthority");
        QTest::addColumn<bool>("received");
        QTest::addColumn<QString>("value");

        QTest::newRow("unknown authority") << false << false << QStringLiteral("1");
        QTest::newRow("authority from CAFile") << true << true << QStringLiteral("0");
    }

    void tls()
    {
        QFETCH(bool, trustTestAuthority);
        QFETCH(bool, received);
        QFETCH(QString, value);
        if (trustTestAuthority)
            m_settings->write("[NetConfig]\r\nCAFile=" + QFile::encodeName(certificate("ca.pem")) + "\r\n");
        TaxServer server({QStringLiteral("--tls"), certificate("server.pem"), certificate("server.key")});
        QVERIFY2(server.port() > 0, qPrintable(server.failure()));

        TMyIdHttp http;
        QCOMPARE(http.Execute(server.url(QStringLiteral("/password"), QStringLiteral("https")),
                              {QStringLiteral("NSRSBH=1"), QStringLiteral("PASSWORD=123456"),
                               QStringLiteral("NEW_PASSWORD=abcdef")}),
                 received);
        QCOMPARE(http.ResultValue, value);
        if (!received)
            QVERIFY2(http.ResultMessage.startsWith(FailurePrefix + QStringLiteral("SSL peer certificate")),
                     qPrintable(http.ResultMessage));
        QCOMPARE(server.requests().size(), received ? 1 : 0);
    }

    void headerNamesKeepTheirCaseOverTls()
    {
        // HTTP/2 would write every header name in lower case; the server offers it.
        m_settings->write("[NetConfig]\r\nCAFile=" + QFile::encodeName(certificate("ca.pem")) + "\r\n");
        TaxServer server({QStringLiteral("--tls"), certificate("server.pem"), certificate("server.key"),
                          QStringLiteral("--offer-h2")});
        QVERIFY2(server.port() > 0, qPrintable(server.failure()));

        TMyIdHttp http;
        const bool received = http.Execute(server.url(QStringLiteral("/upload?refuse=busy"), QStringLiteral("https")),
                                           {QStringLiteral("NSRSBH=1"), QStringLiteral("Record_NUM=1")});
        const QList<LoggedRequest> requests = server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].negotiated, QByteArray("http/1.1"));
        QCOMPARE(requests[0].version, QByteArray("HTTP/1.1"));
        QVERIFY(requests[0].head.contains("\r\nRecord_NUM: 1\r\n"));
        QVERIFY(received);
        QCOMPARE(http.ResultValue, QStringLiteral("3"));
    }

    void redirects_data()
    {
        QTest::addColumn<QString>("fromScheme");
        QTest::addColumn<QString>("fromHost");
        QTest::addColumn<QString>("toScheme");
        QTest::addColumn<QString>("toHost");
        QTest::addColumn<QString>("refusal"); // empty when the redirect is followed; %1 is its address

        const QString otherHost = QStringLiteral("服务器要求转向另一主机的地址 %1，未转向");
        const QString downgrade = QStringLiteral("服务器要求由 https 转向 http 地址 %1，未转向");
        QTest::newRow("same host") << "http" << "127.0.0.1" << "http" << "127.0.0.1" << QString();
        QTest::newRow("same host in other letter case") << "http" << "localhost" << "http" << "LocalHost" << QString();
        QTest::newRow("same host, http to https") << "http" << "127.0.0.1" << "https" << "127.0.0.1" << QString();
        QTest::newRow("same host, https to https") << "https" << "127.0.0.1" << "https" << "127.0.0.1" << QString();
        QTest::newRow("another host name") << "http" << "127.0.0.1" << "http" << "localhost" << otherHost;
        QTest::newRow("another host name over https") << "https" << "127.0.0.1" << "https" << "localhost" << otherHost;
        QTest::newRow("same host, https to http") << "https" << "127.0.0.1" << "http" << "127.0.0.1" << downgrade;
    }

    void redirects()
    {
        QFETCH(QString, fromScheme);
        QFETCH(QString, fromHost);
        QFETCH(QString, toScheme);
        QFETCH(QString, toHost);
        QFETCH(QString, refusal);
        m_settings->write("[NetConfig]\r\nCAFile=" + QFile::encodeName(certificate("ca.pem")) + "\r\n");
        const QStringList tls{QStringLiteral("--tls"), certificate("server.pem"), certificate("server.key")};
        TaxServer first(fromScheme == QLatin1String("https") ? tls : QStringList());
        TaxServer second(toScheme == QLatin1String("https") ? tls : QStringList());
        QVERIFY2(first.port() > 0 && second.port() > 0, qPrintable(first.failure() + second.failure()));

        const QString target = QStringLiteral("%1://%2:%3/upload?refuse=moved").arg(toScheme, toHost).arg(second.port());
        const QString start = QStringLiteral("%1://%2:%3/upload?location=%4")
                                  .arg(fromScheme, fromHost)
                                  .arg(first.port())
                                  .arg(QString::fromLatin1(QUrl::toPercentEncoding(target)));
        TMyIdHttp http;
        const bool received = http.Execute(start, {QStringLiteral("NSRSBH=1"), QStringLiteral("PASSWORD=123456"),
                                                   QStringLiteral("RZDATA=secret")});
        QCOMPARE(first.requests().size(), 1);
        const QList<LoggedRequest> followed = second.requests();
        // The journal names the server that answered last: the one redirected to, or the one
        // whose redirect was refused.
        const JournalEntry entry = JournalEntryOf(QStringLiteral("上传"), QString(), QString(), http, QDateTime());
        const QUrl answered(refusal.isEmpty() ? target : start);
        QCOMPARE(entry.host, QStringLiteral("%1:%2").arg(answered.host()).arg(answered.port()));
        QCOMPARE(entry.action, QStringLiteral("upload"));
        if (refusal.isEmpty()) {
            QVERIFY(received);
            QCOMPARE(http.ResultValue, QStringLiteral("3"));
            QCOMPARE(followed.size(), 1);
            QVERIFY(followed[0].head.contains("\r\nPASSWORD: 123456\r\n"));
        } else {
            // The password and the buyers' identity numbers go nowhere but to the host named.
            QVERIFY(!received);
            QCOMPARE(http.ResultValue, QStringLiteral("1"));
            QCOMPARE(http.ResultMessage, FailurePrefix + refusal.arg(target));
            QCOMPARE(followed.size(), 0);
        }
    }

    void redirectLoopEnds()
    {
        TaxServer server({QStringLiteral("--location"), QStringLiteral("/upload")}); // every request, itself
        QVERIFY2(server.port() > 0, qPrintable(server.failure()));
        TMyIdHttp http;
        QVERIFY(!http.Execute(server.url(QStringLiteral("/upload")), {}));
        QCOMPARE(http.ResultValue, QStringLiteral("1"));
        QCOMPARE(http.ResultMessage, FailurePrefix + QStringLiteral("Number of redirects hit maximum amount"));
        QCOMPARE(server.requests().size(), 31);
    }

    void lineBreakKeepsTheExchangeFromGoingOut_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("detail");

        QTest::newRow("LF in value") << QStringLiteral("RZDATA=abc\nX-Injected: 1")
                                     << QStringLiteral("字段 RZDATA 含有回车或换行符，未发送");
        QTest::newRow("CR alone at the end") << QStringLiteral("PASSWORD=123456\r")
                                             << QStringLiteral("字段 PASSWORD 含有回车或换行符，未发送");
        QTest::newRow("CR LF in name") << QStringLiteral("X-A\r\nX-B=1") << QStringLiteral("字段 X-A X-B 含有回车或换行符，未发送");
    }

    void lineBreakKeepsTheExchangeFromGoingOut()
    {
        QFETCH(QString, field);
        QFETCH(QString, detail);
        TaxServer server;
        QVERIFY2(server.port() > 0, qPrintable(server.failure()));

        TMyIdHttp http;
        QVERIFY(!http.Execute(server.url(QStringLiteral("/upload")), {QStringLiteral("NSRSBH=1"), field}));
        QCOMPARE(http.ResultValue, QStringLiteral("1"));
        QCOMPARE(http.ResultMessage, FailurePrefix + detail);

        // The server answers one connection at a time, so this one would come after the first.
        TMyIdHttp after;
        QVERIFY(after.Execute(server.url(QStringLiteral("/after?reply=blanklines")), {}));
        const QList<LoggedRequest> requests = server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].target, QByteArray("/after?reply=blanklines"));
    }

    void checkUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("valid");

        QTest::newRow("colon and port") << QStringLiteral(":8080") << false;
        QTest::newRow("address and port without scheme") << QStringLiteral("127.0.0.1:8080") << false;
        QTest::newRow("http, address and port") << QStringLiteral("http://127.0.0.1:8080") << true;
        QTest::newRow("https with a path") << QStringLiteral("https://tax.example.cn/upload") << true;
        QTest::newRow("user information") << QStringLiteral("http://user:pw@host:80/upload") << true;
        QTest::newRow("user information, no host") << QStringLiteral("http://user@:80/upload") << false;
        QTest::newRow("scheme alone") << QStringLiteral("http://") << false;
        QTest::newRow("empty host before the path") << QStringLiteral("http:///upload") << false;
        QTest::newRow("one slash") << QStringLiteral("http:/host/upload") << false;
        QTest::newRow("empty") << QString() << false;
    }

    void checkUrl()
    {
        QFETCH(QString, url);
        QFETCH(bool, valid);
        QCOMPARE(TMyIdHttp::CheckUrl(url), valid);
    }

private:
    QString certificate(const char *name) const { return m_certificates.Path(name); }

    TestCertificates m_certificates;
    std::unique_ptr<TempSettings> m_settings;
};

QTEST_GUILESS_MAIN(TestHttp)
#include "tst_http.moc"
