#include "WholeFile.h"

#include <filesystem>
#include <system_error>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

namespace {

// The file's one temporary name beside it, hidden and the same for every write of it: what a
// write killed between making it and renaming it left is never taken for the file, and the next
// write of the file removes it.
QString partName(const QString &path)
{
    const QFileInfo info(path);
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + QStringLiteral(".part"));
}

// QSaveFile writes through a temporary file of its own (on Linux one without a name until it is
// complete), so that nothing named ever holds a part of the bytes.
QString saveWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // Unbuffered: a buffered write "succeeds" into memory, and a full disk at commit then left
    // an empty file in place of the earlier one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

// One rescue copy per file, named by its full path; the path is also its first line, so that
// a copy is never put over another file.
QString rescuePath(const QString &path, const QString &rescueFolder)
{
    const QByteArray hash =
        QCryptographicHash::hash(QFileInfo(path).absoluteFilePath().toUtf8(), QCryptographicHash::Sha256).toHex();
    return QDir(rescueFolder).filePath(QStringLiteral("rewrite-%1.pending").arg(QString::fromLatin1(hash.left(16))));
}

QByteArray rescueHeader(const QString &path)
{
    return QFileInfo(path).absoluteFilePath().toUtf8() + '\n';
}

// Writes bytes over the file from its start and cuts it after them; the file is never emptied
// first.
QString overwrite(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered))
        return file.errorString();
    if (file.write(bytes) != bytes.size() || !file.resize(bytes.size()))
        return file.errorString();
    return {};
}

} // namespace

QString WriteWholeFile(const QString &path, const QByteArray &bytes)
{
    // A link is followed, as QSaveFile follows it: the file it names is replaced, the link stays.
    const QFileInfo named(path);
    const QFileInfo existing(named.isSymLink() ? named.symLinkTarget() : path);
    // A file that may not be changed is not replaced either: tried by opening it, which changes
    // nothing, since the permission bits say nothing to an administrator.
    if (existing.exists()) {
        QFile probe(existing.filePath());
        if (!probe.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
            return probe.errorString();
    }
    // The complete bytes get the part name first and then the file's, by one rename: QSaveFile
    // replacing a file itself links its complete file to a random name beside it first, which a
    // kill at the wrong moment left behind as a second copy of the report.
    const QString target = existing.filePath();
    const QString part = partName(target);
    QFile::remove(part);
    if (const QString why = saveWhole(part, bytes); !why.isEmpty())
        return why;
    // The new file keeps the rights of the one it replaces (a settings file only its owner reads).
    if (existing.exists())
        QFile::setPermissions(part, existing.permissions());
    std::error_code error;
    std::filesystem::rename(QFileInfo(part).filesystemFilePath(), QFileInfo(target).filesystemFilePath(), error);
    if (!error)
        return {};
    QFile::remove(part);
    return QString::fromStdString(error.message());
}

QString RewriteInPlace(const QString &path, const QByteArray &bytes, const QByteArray &old, const QString &rescueFolder)
{
    QDir().mkpath(rescueFolder);
    const QString rescue = rescuePath(path, rescueFolder);
    if (const QString why = WriteWholeFile(rescue, rescueHeader(path) + bytes); !why.isEmpty())
        return why;
    const QString why = overwrite(path, bytes);
    // Failed: the new bytes may lie partly over the old ones. When the old ones cannot be put back
    // either, the rescue copy takes them, so that the next read finds the file as the failed
    // write left it to the caller: unchanged.
    if (!why.isEmpty() && !overwrite(path, old).isEmpty()
        && WriteWholeFile(rescue, rescueHeader(path) + old).isEmpty())
        return why;
    QFile::remove(rescue);
    return why;
}

void ForgetInterruptedRewrite(const QString &path, const QString &rescueFolder)
{
    QFile::remove(rescuePath(path, rescueFolder));
}

std::optional<QByteArray> RecoverInterruptedRewrite(const QString &path, const QString &rescueFolder)
{
    QFile rescue(rescuePath(path, rescueFolder));
    if (!rescue.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray header = rescueHeader(path);
    QByteArray content = rescue.readAll();
    rescue.close();
    if (!content.startsWith(header))
        return std::nullopt;
    content.remove(0, header.size());
    if (overwrite(path, content).isEmpty())
        rescue.remove();
    return content;
}

bool FolderTakesFiles(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".kerrowvantis-XXXXXX")));
    return QFileInfo(folder).isDir() && probe.open();
}
