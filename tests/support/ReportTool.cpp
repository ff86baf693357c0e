#include "ReportTool.h"

#include <QDir>
#include <QFile>
#include <QProcess>

ReportTool::ReportTool(const QString &toolPath, const QString &templateFile)
{
    if (!QFile::copy(toolPath, path()))
        qFatal("cannot copy %s", qPrintable(toolPath));
    if (!templateFile.isEmpty()) {
        QDir(m_folder.path()).mkpath(QStringLiteral("template"));
        if (!QFile::copy(templateFile, m_folder.filePath(QStringLiteral("template/机动车销售统一发票清单.vts"))))
            qFatal("cannot copy %s", qPrintable(templateFile));
    }
}

QString ReportTool::path() const
{
    return m_folder.filePath(QStringLiteral("kerrowvantis-report"));
}

ReportTool::Run ReportTool::run(const QStringList &arguments, const QStringList &front) const
{
    QProcess tool;
    if (front.isEmpty())
        tool.start(path(), arguments);
    else
        tool.start(front.first(), front.mid(1) + QStringList{path()} + arguments);
    Run run;
    if (!tool.waitForFinished(120000)) {
        tool.kill();
        tool.waitForFinished();
        run.error = QStringLiteral("the tool did not end");
        return run;
    }
    run.status = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.output = QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
    run.error = QString::fromLocal8Bit(tool.readAllStandardError());
    return run;
}
