#include "TestTaxServer.h"

#include "TestSupport.h"

TaxServer::TaxServer(const QStringList &arguments)
{
    m_process.setProgram(QStringLiteral(TAXSERVER_PATH));
    m_process.setArguments(QStringList{QStringLiteral("0"), QStringLiteral("--log"), logPath(),
                                       QStringLiteral("--last-document"), lastDocumentPath()}
                           + arguments);
    m_process.start();
    while (m_process.waitForStarted() && !m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
    }
    const QByteArray line = m_process.readLine().trimmed();
    if (line.startsWith("port "))
        m_port = line.mid(5).toInt();
}

TaxServer::~TaxServer()
{
    stop();
}

void TaxServer::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

QString TaxServer::failure()
{
    return QString::fromLocal8Bit(m_process.readAllStandardError());
}

QString TaxServer::url(const QString &target, const QString &scheme) const
{
    return QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(m_port).arg(target);
}

QList<LoggedRequest> TaxServer::requests() const
{
    QList<LoggedRequest> logged;
    for (const QByteArray &line : readFileBytes(logPath()).split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 5)
            logged.append({parts[0], parts[1], parts[2], parts[3], QByteArray::fromBase64(parts[4])});
    }
    return logged;
}

QByteArray TaxServer::lastDocument() const
{
    return readFileBytes(lastDocumentPath());
}

QString TaxServer::logPath() const
{
    return m_dir.filePath(QStringLiteral("requests.log"));
}

QString TaxServer::lastDocumentPath() const
{
    return m_dir.filePath(QStringLiteral("last-document.xml"));
}
