#include "TimeText.h"

#include <QRegularExpression>

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

std::optional<QString> issueTime(QStringView text)
{
    static const QRegularExpression form(QStringLiteral(
        "^\\s*(\\d{4}-\\d{2}-\\d{2})(?:[ T](\\d{2}):(\\d{2}):(\\d{2})(?:[.,](\\d{0,9}))?"
        "\\s*(?:Z|[+-]\\d{2}(?::?\\d{2})?)?)?\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate day = QDate::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd"));
    const int hour = match.capturedView(2).toInt();
    const int minute = match.capturedView(3).toInt();
    const int second = match.capturedView(4).toInt();
    if (!day.isValid() || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    // Three digits at least, as the program writes its times; trailing zeros after the third
    // say nothing, and without them comparing the texts compares the times.
    QString fraction = match.captured(5);
    while (fraction.size() > 3 && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    fraction = fraction.leftJustified(3, QLatin1Char('0'));
    return QStringLiteral("%1 %2:%3:%4.%5")
        .arg(match.captured(1))
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(minute, 2, 10, QLatin1Char('0'))
        .arg(second, 2, 10, QLatin1Char('0'))
        .arg(fraction);
}

} // namespace TimeText
