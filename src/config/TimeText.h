#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

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

// An issue time as the database gives it, in the one form the automatic steps compare and store:
// "yyyy-mm-dd HH:MM:SS." and at least three fractional digits, more only when the database keeps
// them ("2026-12-11 08:05:00.000", "2026-12-11 08:05:00.123456"). Read are a date with a time
// behind a blank or "T" with 0 to 9 fractional digits, and a date alone (midnight); a time zone
// after it is left aside. Two such texts compare as the times they stand for. Nothing when the
// text is no date and time.
std::optional<QString> issueTime(QStringView text);

} // namespace TimeText
