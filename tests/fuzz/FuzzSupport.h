#pragma once

// What every fuzz target shares: a Qt application object, a scratch folder for the targets that
// read files, and a check that stops the run with a message, so that libFuzzer keeps the input.

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

inline void StartFuzzApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// Every target is one file that includes this header once: the application object is made
// before the first input.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    StartFuzzApplication();
    return 0;
}

// A file of these bytes in a folder of the run's own; its path.
inline QString FuzzFile(const char *name, const QByteArray &bytes)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
    return path;
}
