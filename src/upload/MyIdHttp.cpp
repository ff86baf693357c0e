#include "MyIdHttp.h"

#include <cstring>
#include <memory>

#include <curl/curl.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>

#include "config/AppIniFile.h"
#include "config/GbkText.h"
#include "config/Util.h"

namespace {

const QString FailurePrefix = QStringLiteral("网络连接失败:,详细信息：");

// Only the head of the reply counts; a longer body is cut here and the rest never read.
constexpr qsizetype ReplyLimit = 10240;

// curl's own limit since 8.3; older versions follow redirects without end.
constexpr int MaxRedirects = 30;

int connectTimeoutMs = 10000;
int totalTimeoutMs = 30000;

struct CurlHandleDeleter {
    void operator()(CURL *handle) const { curl_easy_cleanup(handle); }
};

struct HeaderListDeleter {
    void operator()(curl_slist *list) const
    {
        // The lines hold the password and the buyers' identity numbers in clear.
        for (const curl_slist *line = list; line; line = line->next)
            TUtil::WipeMemory(line->data, std::strlen(line->data));
        curl_slist_free_all(list);
    }
};

using CurlHandle = std::unique_ptr<CURL, CurlHandleDeleter>;
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

struct Reply {
    QByteArray body;
    bool cut = false;
    QByteArray statusLine;
    // The blank line after the last status line's headers came; curl takes a connection closed
    // in the middle of the headers for a finished reply without a body.
    bool headEnded = false;
};

void initialiseCurl()
{
    // Once per process, before the first handle; libcurl is never shut down again.
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    Q_UNUSED(initialised);
}

size_t takeBody(char *data, size_t size, size_t count, void *userData)
{
    auto *reply = static_cast<Reply *>(userData);
    const size_t bytes = size * count;
    const auto room = static_cast<size_t>(ReplyLimit - reply->body.size());
    if (bytes <= room) {
        reply->body.append(data, static_cast<qsizetype>(bytes));
        return bytes;
    }
    // Returning less than offered stops the transfer; Execute knows it was us.
    reply->body.append(data, static_cast<qsizetype>(room));
    reply->cut = true;
    return 0;
}

size_t takeHeader(char *data, size_t size, size_t count, void *userData)
{
    auto *reply = static_cast<Reply *>(userData);
    const size_t bytes = size * count;
    const QByteArray line(data, static_cast<qsizetype>(bytes));
    // The last status line is the final reply's, after any redirects.
    if (line.startsWith("HTTP/")) {
        reply->statusLine = line.trimmed();
        reply->headEnded = false;
    } else if (line == "\r\n" || line == "\n") {
        reply->headEnded = true;
    }
    return bytes;
}

QString curlFailure(CURLcode code, const char *errorBuffer)
{
    QString text = QString::fromUtf8(curl_easy_strerror(code));
    const QString detail = QString::fromLocal8Bit(errorBuffer).trimmed();
    if (!detail.isEmpty())
        text += QStringLiteral(" (") + detail + QLatin1Char(')');
    return text;
}

// The part of the URL as curl reads it; empty when curl cannot.
QByteArray urlPart(const char *url, CURLUPart part)
{
    CURLU *parsed = curl_url();
    char *text = nullptr;
    QByteArray result;
    if (parsed && curl_url_set(parsed, CURLUPART_URL, url, 0) == CURLUE_OK
        && curl_url_get(parsed, part, &text, 0) == CURLUE_OK)
        result = text;
    curl_free(text);
    curl_url_cleanup(parsed);
    return result;
}

// Why a redirect from one address to the next is not followed; empty when it is. The fields
// carry the password and the buyers' identity numbers: they go to the host the caller named
// (on any port) and never from TLS to plain text.
QString redirectRefusal(const char *from, const char *to)
{
    const QString target = Gbk::decode(QByteArray(to));
    if (urlPart(from, CURLUPART_SCHEME).compare("https", Qt::CaseInsensitive) == 0
        && urlPart(to, CURLUPART_SCHEME).compare("http", Qt::CaseInsensitive) == 0)
        return QStringLiteral("服务器要求由 https 转向 http 地址 %1，未转向").arg(target);
    const QByteArray host = urlPart(from, CURLUPART_HOST);
    if (host.isEmpty() || host.compare(urlPart(to, CURLUPART_HOST), Qt::CaseInsensitive) != 0)
        return QStringLiteral("服务器要求转向另一主机的地址 %1，未转向").arg(target);
    return {};
}

} // namespace

TMyIdHttp::TMyIdHttp()
{
    initialiseCurl();
}

TMyIdHttp::~TMyIdHttp() = default;

void TMyIdHttp::SetTimeouts(int connectMs, int totalMs)
{
    connectTimeoutMs = connectMs;
    totalTimeoutMs = totalMs;
}

bool TMyIdHttp::CheckUrl(const QString &url)
{
    const qsizetype schemeEnd = url.indexOf(QStringLiteral("://"));
    if (schemeEnd < 0)
        return false;
    const QString rest = url.mid(schemeEnd + 3);
    qsizetype authorityEnd = rest.size();
    for (const QChar stop : {QLatin1Char('/'), QLatin1Char('?'), QLatin1Char('#')}) {
        const qsizetype at = rest.indexOf(stop);
        if (at >= 0 && at < authorityEnd)
            authorityEnd = at;
    }
    QString authority = rest.left(authorityEnd);
    const qsizetype userInfoEnd = authority.lastIndexOf(QLatin1Char('@'));
    if (userInfoEnd >= 0)
        authority = authority.mid(userInfoEnd + 1);
    if (authority.startsWith(QLatin1Char('['))) {
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        return (close < 0 ? authority.size() : close) > 1;
    }
    const qsizetype portStart = authority.indexOf(QLatin1Char(':'));
    return (portStart < 0 ? authority.size() : portStart) > 0;
}

bool TMyIdHttp::Execute(const QString &url, const QStringList &fields)
{
    Url = url;
    EffectiveUrl = url;
    Fields = fields;
    HttpStatus = 0;
    Failure.clear();
    QElapsedTimer timer;
    timer.start();
    // Whichever way the exchange ends.
    struct Timed {
        QElapsedTimer &timer;
        qint64 &elapsed;
        ~Timed() { elapsed = timer.elapsed(); }
    } timed{timer, ElapsedMs};

    HeaderList headers;
    for (const QString &field : fields) {
        const qsizetype equals = field.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? field : field.left(equals);
        QString value = equals < 0 ? QString() : field.mid(equals + 1);
        QByteArray valueBytes;
        QByteArray line;
        // Each copy of the value is wiped once curl has made its own, which the list's deleter wipes.
        const auto wipe = qScopeGuard([&] {
            TUtil::Wipe(value);
            TUtil::Wipe(valueBytes);
            TUtil::Wipe(line);
        });
        if (value.isEmpty())
            continue;
        // A line break would end the header early and smuggle in lines of its own.
        if (field.contains(QLatin1Char('\r')) || field.contains(QLatin1Char('\n'))) {
            Fail(QStringLiteral("字段 %1 含有回车或换行符，未发送").arg(name.simplified()));
            return false;
        }
        if (field.contains(QChar(0))) {
            Fail(QStringLiteral("字段 %1 含有空字符，未发送").arg(name));
            return false;
        }
        valueBytes = Gbk::encode(value);
        line = Gbk::encode(name) + ": " + valueBytes;
        curl_slist *grown = curl_slist_append(headers.get(), line.constData());
        if (!grown) {
            Fail(QString::fromUtf8(curl_easy_strerror(CURLE_OUT_OF_MEMORY)));
            return false;
        }
        headers.release();
        headers.reset(grown);
    }

    const CurlHandle curl(curl_easy_init());
    if (!curl) {
        Fail(QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT)));
        return false;
    }
    CURL *handle = curl.get();
    Reply reply;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const QByteArray address = Gbk::encode(url);
    // Settings key [NetConfig] CAFile: a PEM file of authorities to trust for HTTPS (a tax
    // office's own CA), in place of curl's CA bundle. With OpenSSL the system's authorities stay
    // trusted through curl's CA directory (/etc/ssl/certs on Debian); with Windows' Schannel, or
    // a curl without a CA directory, the file is all that is trusted.
    const QByteArray caFile = QFile::encodeName(Ini::ReadString(QStringLiteral("NetConfig"),
                                                                QStringLiteral("CAFile"), QString()));

    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(handle, CURLOPT_URL, address.constData());
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    // HTTP/2, which curl offers over TLS, writes every header name in lower case; the server
    // reads Record_NUM and the other fields by the names as written.
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects are followed below, one by one, on this handle. An empty cookie file switches
    // on the in-memory cookie store of this handle alone, so cookies reach the next address.
    curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
    // Straight to the tax server: proxy variables of the environment are not followed.
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeoutMs));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(totalTimeoutMs));
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, takeBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, takeHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &reply);
    if (!caFile.isEmpty())
        curl_easy_setopt(handle, CURLOPT_CAINFO, caFile.constData());

    long status = 0;
    for (int redirects = 0;; ++redirects) {
        reply = Reply{};
        CURLcode result = curl_easy_perform(handle);
        const char *requested = nullptr;
        if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &requested) == CURLE_OK && requested)
            EffectiveUrl = Gbk::decode(QByteArray(requested));
        if (result == CURLE_WRITE_ERROR && reply.cut)
            result = CURLE_OK;
        if (result != CURLE_OK) {
            Fail(curlFailure(result, errorBuffer));
            return false;
        }
        if (!reply.headEnded) {
            Fail(QStringLiteral("服务器的应答在头部中途中断（%1）")
                     .arg(reply.statusLine.isEmpty() ? QStringLiteral("没有状态行") : QString::fromLatin1(reply.statusLine)));
            return false;
        }
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        HttpStatus = int(status);
        const char *next = nullptr;
        curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &next);
        if (status < 300 || status > 399 || !next)
            break;
        if (redirects == MaxRedirects) {
            Fail(QString::fromUtf8(curl_easy_strerror(CURLE_TOO_MANY_REDIRECTS)));
            return false;
        }
        if (const QString refusal = redirectRefusal(requested, next); !refusal.isEmpty()) {
            Fail(refusal);
            return false;
        }
        // The handle owns next until the URL is set; curl copies what it is given.
        const QByteArray nextUrl(next);
        curl_easy_setopt(handle, CURLOPT_URL, nextUrl.constData());
    }
    if (status < 200 || status > 299) {
        Fail(reply.statusLine.isEmpty() ? QStringLiteral("HTTP %1").arg(status)
                                        : QString::fromLatin1(reply.statusLine));
        return false;
    }
    ReadReply(reply.body);
    return true;
}

void TMyIdHttp::Fail(const QString &detail)
{
    Failure = detail;
    ResultValue = QStringLiteral("1");
    ResultMessage = FailurePrefix + detail;
}

TaxReply ReadTaxReply(const QByteArray &body)
{
    const QByteArray text = TUtil::TrimControls(body.left(ReplyLimit));
    const QByteArray response = TUtil::TextBetween(text, QByteArrayLiteral("<Response>"),
                                                   QByteArrayLiteral("</Response>"));
    if (response.isEmpty())
        return {};
    return {true,
            Gbk::decode(TUtil::TextBetween(response, QByteArrayLiteral("<ResultValue>"), QByteArrayLiteral("</ResultValue>"))),
            Gbk::decode(TUtil::TextBetween(response, QByteArrayLiteral("<ResultMessage>"),
                                           QByteArrayLiteral("</ResultMessage>")))};
}

void TMyIdHttp::ReadReply(const QByteArray &body)
{
    const TaxReply reply = ReadTaxReply(body);
    // A reply without a Response leaves the earlier results as they were.
    if (!reply.found)
        return;
    ResultValue = reply.resultValue;
    ResultMessage = reply.resultMessage;
}
