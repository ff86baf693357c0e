#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// The one place that writes and reads the program's time texts.
namespace TimeText {

// "yyyy-mm-dd HH:MM:SS.zzz": stored and compared timestamps (issue times, the bookmark).
QString dateTime(const QDateTime &value);

// "yyyy-mm-dd": the program's short date.
QString date(const QDate &value);

// "yyyy-mm-dd 00:00:00": query bounds.
QString dayStart(const QDate &value);

// "yyyymmddHHMMSSzzz": stamps inside file names.
QString fileStamp(const QDateTime &value);

// "yyyy-mm": month filters.
QString month(const QDate &value);

// Reads "yyyy-mm-dd HH:MM:SS.zzz", also without milliseconds or without the time;
// an invalid QDateTime when the text is none of these.
QDateTime parseDateTime(const QString &text);

} // namespace TimeText
