#pragma once

#include <QByteArray>
#include <QString>

// Writes a file whole or not at all: through a temporary file beside it that replaces it only
// when every byte is on the disk, so that a full disk, a refused folder or a process killed at
// any moment leaves the earlier file as it was or the new one whole, and no other file that
// looks like it. Empty on success, else the reason. With inPlaceWhenFolderRefuses a folder
// that takes no new files has the file rewritten in place instead (the settings file).
QString WriteWholeFile(const QString &path, const QByteArray &bytes, bool inPlaceWhenFolderRefuses = false);

// True when the folder exists and a new file can be made in it: tried with a probe file, since
// the permission bits say nothing to an administrator or through Windows' access lists.
bool FolderTakesFiles(const QString &folder);
