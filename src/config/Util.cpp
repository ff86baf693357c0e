#include "Util.h"

#include "GbkText.h"
#include "TimeText.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QStandardPaths>
#include <QWindow>

QString TUtil::PadString(const QString &text, int length, bool padLeft, const QString &pad)
{
    if (pad.isEmpty())
        return text;
    QString result = text;
    qsizetype bytes = Gbk::byteLength(result);
    const qsizetype padBytes = Gbk::byteLength(pad);
    while (bytes < length) {
        result = padLeft ? pad + result : result + pad;
        bytes += padBytes;
    }
    return result;
}

QString TUtil::GetAppDir()
{
    QString dir = QCoreApplication::applicationDirPath();
    IncludePathDelimiter(dir);
    return dir;
}

namespace {

#if defined(Q_OS_LINUX)
// Whether the kernel lists a lock on the file's inode in /proc/locks: for a file this user may
// not open. The inode number alone decides (the device there may not be stat's on every file
// system), so a lock on a namesake elsewhere counts too; true when the list cannot be read.
bool lockListed(const QByteArray &name)
{
    struct stat info {};
    QFile locks(QStringLiteral("/proc/locks"));
    if (::stat(name.constData(), &info) != 0 || !locks.open(QIODevice::ReadOnly))
        return true;
    const QByteArray inode = ':' + QByteArray::number(quint64(info.st_ino));
    for (const QByteArray &line : locks.readAll().split('\n')) {
        for (const QByteArray &word : line.simplified().split(' ')) {
            if (word.count(':') == 2 && word.endsWith(inode))
                return true;
        }
    }
    return false;
}
#endif

// Removes a lock file that no running process holds, whatever it holds: QLockFile judges a lock
// by the process its content names, so a file left empty, damaged or unreadable by a crash would
// refuse every start. True when the file was removed.
bool removeUnheldLock(const QString &path)
{
#if defined(Q_OS_WIN)
    // A running copy keeps its lock file open without sharing deletion.
    return QFile::remove(path);
#else
    // A copy starting at this moment has made its file and not yet written or locked it: a file
    // this young is left to it.
    constexpr time_t YoungestTakenOverSeconds = 5;
    const QByteArray name = QFile::encodeName(path);
    struct stat named {};
    if (::stat(name.constData(), &named) != 0 || ::time(nullptr) - named.st_mtime < YoungestTakenOverSeconds)
        return false;
    // A running copy holds an flock on its lock file (QLockFile takes one) until it ends.
    int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES)
        fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
#if defined(Q_OS_LINUX)
        return errno == EACCES && !lockListed(name) && ::unlink(name.constData()) == 0;
#else
        return false;
#endif
    }
    // The file locked is still the one of that name: nobody replaced it meanwhile.
    struct stat held {};
    const bool removed = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && held.st_ino == named.st_ino
        && held.st_dev == named.st_dev && ::unlink(name.constData()) == 0;
    ::close(fd);
    return removed;
#endif
}

} // namespace

bool TUtil::CreateAppMutex(const QString &name, std::unique_ptr<QLockFile> &handle)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QString path = QDir(folder).filePath(name + QStringLiteral(".lock"));
    auto lock = std::make_unique<QLockFile>(path);
    // Never stale by age: only a lock whose process is gone is taken over.
    lock->setStaleLockTime(0);
    const bool locked = lock->tryLock(0)
        || (lock->error() == QLockFile::LockFailedError && removeUnheldLock(path) && lock->tryLock(0));
    if (locked) {
        handle = std::move(lock);
        return true;
    }
    return lock->error() != QLockFile::LockFailedError;
}

void TUtil::WipeMemory(void *data, size_t bytes)
{
    auto *byte = static_cast<volatile unsigned char *>(data);
    while (bytes--)
        *byte++ = 0;
}

void TUtil::Wipe(QString &text)
{
    // A shared buffer is another copy's too; writing through it would change that copy.
    if (!text.isEmpty() && text.isDetached())
        WipeMemory(text.data(), size_t(text.size()) * sizeof(QChar));
    text.resize(0);
}

void TUtil::Wipe(QByteArray &bytes)
{
    if (!bytes.isEmpty() && bytes.isDetached())
        WipeMemory(bytes.data(), size_t(bytes.size()));
    bytes.resize(0);
}

void TUtil::DisableCoreDumps()
{
#ifdef Q_OS_UNIX
    // Soft and hard limit alike, so that nothing later in the process can raise it again.
    const rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
#endif
}

void TUtil::IncludePathDelimiter(QString &path)
{
#ifdef Q_OS_WIN
    const bool ends = path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'));
#else
    const bool ends = path.endsWith(QLatin1Char('/'));
#endif
    if (!ends)
        path += QLatin1Char('/');
}

QString TUtil::SafeFileName(QString name)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (QChar &c : name) {
        if (c.unicode() < 32 || forbidden.contains(c))
            c = QLatin1Char('_');
    }
    return name.replace(QLatin1String(".."), QLatin1String("_"));
}

QString TUtil::TimeStamp(const Clock &clock)
{
    return TimeText::fileStamp(clock.now());
}

namespace {

bool isControlOrBlank(QChar c) { return c.unicode() <= 32; }
bool isControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

template <class Text>
Text trimmedControls(const Text &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isControlOrBlank(text[from]))
        ++from;
    while (to > from && isControlOrBlank(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

template <class Text>
Text textBetween(const Text &text, const Text &startMarker, const Text &endMarker)
{
    if (text.isEmpty() || startMarker.isEmpty() || endMarker.isEmpty() || startMarker == endMarker)
        return {};
    const auto start = text.indexOf(startMarker);
    const auto end = text.indexOf(endMarker);
    if (start < 0 || end < 0)
        return {};
    const auto from = start + startMarker.size();
    if (end < from)
        return {};
    return text.mid(from, end - from);
}

} // namespace

QString TUtil::TextBetween(const QString &text, const QString &startMarker, const QString &endMarker)
{
    return textBetween(text, startMarker, endMarker);
}

QByteArray TUtil::TextBetween(const QByteArray &text, const QByteArray &startMarker,
                              const QByteArray &endMarker)
{
    return textBetween(text, startMarker, endMarker);
}

QStringView TUtil::TrimControls(QStringView text)
{
    return trimmedControls(text);
}

QByteArray TUtil::TrimControls(const QByteArray &bytes)
{
    return trimmedControls(bytes);
}

void TUtil::SetTopMost(QWindow *window)
{
    if (!window)
        return;
    const QRect geometry = window->geometry();
    window->setFlag(Qt::WindowStaysOnTopHint, true);
    if (window->geometry() != geometry)
        window->setGeometry(geometry);
}
