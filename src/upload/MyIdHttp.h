#pragma once

#include <QString>
#include <QStringList>

// What a reply body says: the result value and message inside its Response. The body is read
// as an exchange reads it, at most its first 10,240 bytes; found is false without a Response.
struct TaxReply {
    bool found = false;
    QString resultValue;
    QString resultMessage;
};
TaxReply ReadTaxReply(const QByteArray &body);

// One exchange with the tax authority's server: a GET whose fields travel as request headers,
// and the result value and message of the server's short XML reply. One instance per exchange.
class TMyIdHttp final
{
public:
    TMyIdHttp();
    ~TMyIdHttp();
    TMyIdHttp(const TMyIdHttp &) = delete;
    TMyIdHttp &operator=(const TMyIdHttp &) = delete;

    // True when the URL has "://" and, after it and any user information, a non-empty host.
    // Nothing is sent.
    static bool CheckUrl(const QString &url);

    // Sends the fields ("NAME=VALUE" lines, in order; empty values are left out) as headers of
    // one GET to url, over HTTP/1.1. Redirects are followed to the same host only, and never from
    // https to http. True when a reply body was read; false when the exchange failed, with
    // ResultValue "1" and ResultMessage "网络连接失败:,详细信息：" and the reason.
    bool Execute(const QString &url, const QStringList &fields);

    // Connect and whole-exchange time-outs in milliseconds for every later exchange
    // (10 s and 30 s unless set); an exchange that runs out fails like any other.
    static void SetTimeouts(int connectMs, int totalMs);

    QString Url;
    // The address the last request went to, after any redirects: the server that answered, or
    // the one that could not be reached. Url until a request is made.
    QString EffectiveUrl;
    QString ResultValue;
    QString ResultMessage;
    QStringList Fields;
    // What the last exchange came to, for the upload journal: the final HTTP status (0 when
    // none came), why it failed (empty when a reply was read) and how long it took.
    int HttpStatus = 0;
    QString Failure;
    qint64 ElapsedMs = 0;

private:
    void Fail(const QString &detail);
    void ReadReply(const QByteArray &body);
};
