#include "PasswordExchange.h"

#include "MyIdHttp.h"
#include "UploadJournal.h"

#include <QDateTime>

std::pair<QString, QString> ExchangeOverHttp(const QString &url, const QStringList &fields)
{
    TMyIdHttp http;
    const QDateTime begun = QDateTime::currentDateTime();
    // A failed exchange leaves its own result value and message, so the outcome is read alike.
    http.Execute(url, fields);
    JournalExchange(JournalEntryOf(QStringLiteral("修改密码"), QString(), QString(), http, begun));
    return {http.ResultValue, http.ResultMessage};
}
