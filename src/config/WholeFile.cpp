#include "WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

QString WriteWholeFile(const QString &path, const QByteArray &bytes, bool inPlaceWhenFolderRefuses)
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

bool FolderTakesFiles(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".kerrowvantis-XXXXXX")));
    return QFileInfo(folder).isDir() && probe.open();
}
