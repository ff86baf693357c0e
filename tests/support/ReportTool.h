#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// kerrowvantis-report copied into a program folder of the test's own, with the sales list's
// template there when one is given: the tool then reads only that folder's settings file.
class ReportTool final
{
public:
    explicit ReportTool(const QString &toolPath, const QString &templateFile = QString());

    struct Run {
        int status = -1; // the exit status; -1 when the tool did not end by itself (killed)
        QString output;  // what it printed, without the line end
        QString error;
    };

    // Runs the tool with the arguments, under the program and its arguments in front when
    // given (strace …).
    Run run(const QStringList &arguments, const QStringList &front = QStringList()) const;

    QString path() const;

private:
    QTemporaryDir m_folder;
};
