#include "PasswordExchange.h"

#include "MyIdHttp.h"
#include "UploadJournal.h"
#include "config/AppError.h"
#include "config/Settings.h"

#include <QDateTime>

std::pair<QString, QString> ExchangeOverHttp(const QString &url, const QStringList &fields)
{
    const QString kind = PasswordChangeKind;
    const QDateTime begun = QDateTime::currentDateTime();
    // Journalled before it goes out: a kill before the reply leaves an unfinished entry, which
    // the next start reports, since the server may have taken the new password.
    const qint64 entry = JournalBegin(JournalEntryBefore(kind, QString(), QString(), url, fields, begun));
    TMyIdHttp http;
    // A failed exchange leaves its own result value and message, so the outcome is read alike.
    http.Execute(url, fields);
    JournalUpdate(entry, JournalEntryOf(kind, QString(), QString(), http, begun));
    return {http.ResultValue, http.ResultMessage};
}

PasswordChange ChangeAuthenPwd(const PasswordExchange &exchange, const QString &url, const QStringList &fields,
                               const QString &newPwd)
{
    try {
        CheckAuthenPwdWritable();
    } catch (const EIniFileError &error) {
        return {false, QStringLiteral("密码修改失败！原因：设置文件不能写入，新密码无法保存，未提交服务器（%1）")
                           .arg(error.text())};
    }
    const auto [result, message] = exchange(url, fields);
    // Only a password the server has taken may replace the one in use.
    if (result != QLatin1String("0"))
        return {false, QStringLiteral("密码修改失败！原因：") + message};
    try {
        WriteAuthenPwd(newPwd);
    } catch (const EIniFileError &error) {
        UseAuthenPwd(newPwd);
        return {true, QStringLiteral("密码修改成功！但新密码未能写入设置文件（%1）。本次运行使用新密码，重新启动后"
                                     "仍是旧密码：请在设置文件可以写入后，用“修改上传密码”再设置一次。")
                          .arg(error.text())};
    }
    return {true, QStringLiteral("密码修改成功！")};
}
