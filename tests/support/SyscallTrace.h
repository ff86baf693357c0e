#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// A process killed (SIGKILL, no clean exit) at one system call, through strace's injection: one
// traced run finds the calls that change files in the folders of interest, then each of them
// can be made the last one the process ever makes.
namespace SyscallTrace {

// The calls that make, fill, link, rename or remove a file.
const QStringList &ChangingCalls();

// strace in front of a program: tracing the changing calls into log, with the paths of the
// descriptors (-y).
QStringList TracingInto(const QString &log);

// The invocations in log, counted per call and per thread as strace counts them for an
// injection, that name a file in one of the folders (by path, or by descriptor).
QList<QPair<QString, int>> CallsIn(const QString &log, const QStringList &folders);

// strace in front of a program: killing it at that invocation of that call.
QStringList KillingAt(const QString &call, int number);

// Whether strace can run here.
bool Available();

} // namespace SyscallTrace
