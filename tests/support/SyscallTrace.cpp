#include "SyscallTrace.h"

#include "TestSupport.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>

namespace SyscallTrace {

const QStringList &ChangingCalls()
{
    static const QStringList calls{"openat", "write",     "pwrite64", "ftruncate", "fallocate",
                                   "fsync",  "fdatasync", "linkat",   "rename",    "renameat",
                                   "renameat2", "unlink", "unlinkat", "close"};
    return calls;
}

// The leak checker of a sanitizer build cannot run under ptrace; what a traced run leaks is no
// part of what it checks.
const char *const NoLeakCheck = "ASAN_OPTIONS=detect_leaks=0";

QStringList TracingInto(const QString &log)
{
    return {"strace", "-f", "-qq", "-y", "-E", NoLeakCheck, "-o", log, "-e", "trace=" + ChangingCalls().join(QLatin1Char(','))};
}

QList<QPair<QString, int>> CallsIn(const QString &log, const QStringList &folders)
{
    QList<QPair<QString, int>> calls;
    QMap<QPair<QString, QString>, int> counts;
    static const QRegularExpression line(QStringLiteral("^(\\d+) +([a-z0-9_]+)\\("));
    for (const QByteArray &text : readFileBytes(log).split('\n')) {
        const QRegularExpressionMatch match = line.match(QString::fromLatin1(text));
        if (!match.hasMatch() || !ChangingCalls().contains(match.captured(2)))
            continue;
        const int number = ++counts[{match.captured(1), match.captured(2)}];
        for (const QString &folder : folders) {
            if (text.contains(QFile::encodeName(folder))) {
                calls.append({match.captured(2), number});
                break;
            }
        }
    }
    return calls;
}

QStringList KillingAt(const QString &call, int number)
{
    return {"strace", "-f", "-qq", "-E", NoLeakCheck, "-o", "/dev/null", "-e", "trace=" + call, "-e",
            QStringLiteral("inject=%1:signal=KILL:when=%2").arg(call).arg(number)};
}

bool Available()
{
    QProcess strace;
    strace.start(QStringLiteral("strace"), {QStringLiteral("-V")});
    return strace.waitForFinished(10000) && strace.exitStatus() == QProcess::NormalExit && strace.exitCode() == 0;
}

} // namespace SyscallTrace
