#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct LoggedRequest {
    QByteArray method;
    QByteArray target;
    QByteArray version;    // of the request line, "HTTP/1.1"
    QByteArray negotiated; // the protocol the TLS handshake chose, "-" for none
    QByteArray head;
};

// The tax server fixture on a free loopback port, with a request log of its own; stopped when
// it goes.
class TaxServer final
{
public:
    explicit TaxServer(const QStringList &arguments = {});
    ~TaxServer();

    void stop();
    int port() const { return m_port; }
    QString failure();
    QString url(const QString &target, const QString &scheme = QStringLiteral("http")) const;
    QList<LoggedRequest> requests() const;
    QByteArray lastDocument() const;

private:
    QString logPath() const;
    QString lastDocumentPath() const;

    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};
