#pragma once

#include <QString>
#include <QTemporaryDir>

// Throw-away certificates made with openssl: an authority (ca.pem), a server certificate it
// signed for 127.0.0.1 and localhost (server.pem, server.key), and one it signed for another
// host name only (other.pem, other.key).
class TestCertificates final
{
public:
    // False, with openssl's complaint as a warning, when they could not be made.
    bool Make();
    QString Path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private:
    QTemporaryDir m_dir;
};
