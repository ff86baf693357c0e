#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Writes a file whole or not at all: through a temporary file beside it that replaces it only
// when every byte is on the disk, so that a full disk, a refused folder or a process killed at
// any moment leaves the earlier file as it was or the new one whole, and no other file that
// looks like it. Empty on success, else the reason.
QString WriteWholeFile(const QString &path, const QByteArray &bytes);

// Rewrites a file whose folder takes no new files (the settings file beside a program folder
// that is closed to new files), over its old content, so that a kill at any moment leaves the
// old or the new content to be found: the new content goes whole into a rescue copy in
// rescueFolder first, then over the file, and the copy goes last. A rewrite that fails puts the
// old bytes back. Empty on success, else the reason.
QString RewriteInPlace(const QString &path, const QByteArray &bytes, const QByteArray &old, const QString &rescueFolder);

// The content of a rewrite in place that was cut short, from its rescue copy, put back over the
// file (the copy goes once that worked); nothing when no rewrite of the file was cut short.
std::optional<QByteArray> RecoverInterruptedRewrite(const QString &path, const QString &rescueFolder);
// A rescue copy that could not be put back goes once the file was written whole another way: it
// would stand for content older than the file's.
void ForgetInterruptedRewrite(const QString &path, const QString &rescueFolder);

// True when the folder exists and a new file can be made in it: tried with a probe file, since
// the permission bits say nothing to an administrator or through Windows' access lists.
bool FolderTakesFiles(const QString &folder);
