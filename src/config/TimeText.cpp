#include "TimeText.h"

namespace TimeText {

QString dateTime(const QDateTime &value)
{
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QString date(const QDate &value)
{
    return value.toString(QStringLiteral("yyyy-MM-dd"));
}

QString dayStart(const QDate &value)
{
    return date(value) + QStringLiteral(" 00:00:00");
}

QString fileStamp(const QDateTime &value)
{
    return value.toString(QStringLiteral("yyyyMMddHHmmsszzz"));
}

QString month(const QDate &value)
{
    return value.toString(QStringLiteral("yyyy-MM"));
}

QDateTime parseDateTime(const QString &text)
{
    const QString trimmed = text.trimmed();
    for (const auto *format : {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd"}) {
        const QDateTime parsed = QDateTime::fromString(trimmed, QString::fromLatin1(format));
        if (parsed.isValid())
            return parsed;
    }
    return {};
}

} // namespace TimeText
