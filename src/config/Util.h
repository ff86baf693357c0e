#pragma once

#include "Clock.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <memory>

class QLockFile;
class QWindow;

// Text, path, time-stamp, single-instance and window routines used across the program.
// Lengths count GBK bytes, as everywhere in the program.
class TUtil final
{
public:
    TUtil() = delete;

    // Adds pad in front (padLeft) or behind while the text is shorter than length bytes.
    // An empty pad leaves the text as it is.
    static QString PadString(const QString &text, int length, bool padLeft, const QString &pad);

    // Folder of the running program, ending with a separator.
    static QString GetAppDir();

    // Takes the desktop-wide lock named name and keeps it in handle for the whole run.
    // False only when another running copy holds it; a copy that died leaves no lock behind,
    // whatever its file holds (empty, damaged, unreadable), and a lock that cannot be made at
    // all counts as true.
    static bool CreateAppMutex(const QString &name, std::unique_ptr<QLockFile> &handle);

    // Overwrites the bytes with zeros where the compiler cannot leave it out.
    static void WipeMemory(void *data, size_t bytes);
    // Zeros the text's buffer, when no other copy shares it, and empties the text; the buffer
    // stays with the text until the text is given another value or goes. For passwords.
    static void Wipe(QString &text);
    static void Wipe(QByteArray &bytes);

    // Keeps a crash of this process from writing its memory, and the upload password and the
    // buyers' identity numbers in it, to a core file. Called first thing by each program;
    // Windows leaves crash dumps to its own settings.
    static void DisableCoreDumps();

    // Appends a path separator unless the path already ends with one.
    static void IncludePathDelimiter(QString &path);

    // The name with every character a file name cannot hold on Windows or Linux
    // (\ / : * ? " < > | and the controls below 32) and every ".." replaced by "_": a name made
    // of database values then names one file inside its folder, and one entry of an archive
    // without a folder part.
    static QString SafeFileName(QString name);

    // The clock's local time as "yyyymmddHHMMSSzzz".
    static QString TimeStamp(const Clock &clock = systemClock());

    // The part of text between the first startMarker and the first endMarker.
    static QString TextBetween(const QString &text, const QString &startMarker, const QString &endMarker);
    static QByteArray TextBetween(const QByteArray &text, const QByteArray &startMarker,
                                  const QByteArray &endMarker);

    // The text without the characters of code 32 or less at either end: blanks, line breaks,
    // tabs, NUL and the other controls.
    static QStringView TrimControls(QStringView text);
    static QByteArray TrimControls(const QByteArray &bytes);

    // Keeps the window above all normal windows, at its current position and size.
    static void SetTopMost(QWindow *window);
};
