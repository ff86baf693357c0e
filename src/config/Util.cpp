#include "Util.h"

#include "GbkText.h"
#include "TimeText.h"

#include <QCoreApplication>
#include <QDir>
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

bool TUtil::CreateAppMutex(const QString &name, std::unique_ptr<QLockFile> &handle)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(name + QStringLiteral(".lock")));
    // Never stale by age: only a lock whose process is gone is taken over.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        handle = std::move(lock);
        return true;
    }
    return lock->error() != QLockFile::LockFailedError;
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
