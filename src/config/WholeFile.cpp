#include "WholeFile.h"

#include <filesystem>
#include <system_error>

#include <QDir>
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
QString saveWhole(const QString &path, const QByteArray &bytes, bool inPlaceWhenFolderRefuses)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(inPlaceWhenFolderRefuses);
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

} // namespace

QString WriteWholeFile(const QString &path, const QByteArray &bytes, bool inPlaceWhenFolderRefuses)
{
    // The complete bytes get the part name first and then the file's, by one rename: QSaveFile
    // replacing a file itself links its complete file to a random name beside it first, which a
    // kill at the wrong moment left behind as a second copy of the report.
    const QString part = partName(path);
    QFile::remove(part);
    if (const QString why = saveWhole(part, bytes, false); !why.isEmpty()) {
        if (inPlaceWhenFolderRefuses && !FolderTakesFiles(QFileInfo(path).absolutePath()))
            return saveWhole(path, bytes, true);
        return why;
    }
    std::error_code error;
    std::filesystem::rename(QFileInfo(part).filesystemFilePath(), QFileInfo(path).filesystemFilePath(), error);
    if (!error)
        return {};
    QFile::remove(part);
    return QString::fromStdString(error.message());
}

bool FolderTakesFiles(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".kerrowvantis-XXXXXX")));
    return QFileInfo(folder).isDir() && probe.open();
}
