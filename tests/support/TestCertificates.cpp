#include "TestCertificates.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

bool TestCertificates::Make()
{
    const auto write = [this](const char *name, const QByteArray &bytes) {
        QFile file(Path(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    if (!write("server.ext", "basicConstraints=CA:FALSE\nsubjectAltName=IP:127.0.0.1,DNS:localhost\nextendedKeyUsage=serverAuth\n")
        || !write("other.ext", "basicConstraints=CA:FALSE\nsubjectAltName=DNS:tax.example.cn\nextendedKeyUsage=serverAuth\n"))
        return false;
    const QString ecKey = QStringLiteral("-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ");
    QStringList steps{
        QStringLiteral("req -x509 ") + ecKey + QStringLiteral("-keyout ca.key -out ca.pem -days 2 -subj /CN=Kerrowvantis-Test-CA")};
    for (const char *name : {"server", "other"}) {
        const QString n = QString::fromLatin1(name);
        steps << QStringLiteral("req ") + ecKey + QStringLiteral("-keyout %1.key -out %1.csr -subj /CN=%1").arg(n)
              << QStringLiteral("x509 -req -in %1.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile %1.ext "
                                "-out %1.pem")
                     .arg(n);
    }
    for (const QString &step : std::as_const(steps)) {
        QProcess openssl;
        openssl.setWorkingDirectory(m_dir.path());
        openssl.start(QStringLiteral("openssl"), step.split(QLatin1Char(' ')));
        if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode() != 0) {
            qWarning("openssl %s: %s", qPrintable(step), openssl.readAllStandardError().constData());
            return false;
        }
    }
    return true;
}
