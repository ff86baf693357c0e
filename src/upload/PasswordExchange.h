#pragma once

#include <functional>
#include <utility>

#include <QString>
#include <QStringList>

// One password exchange with the tax server: the reply's result value and result message.
using PasswordExchange = std::function<std::pair<QString, QString>(const QString &url, const QStringList &fields)>;

// The exchange through a fresh TMyIdHttp, written into the upload journal.
std::pair<QString, QString> ExchangeOverHttp(const QString &url, const QStringList &fields);

// What a password change came to: whether the server took the new password, and the text the
// clerk is shown.
struct PasswordChange {
    bool accepted = false;
    QString message;
};

// Changes the upload password to newPwd through one exchange with url and fields. The settings
// file must take a rewrite first: a password the server took and the file then refused would
// be lost at the next start, and every upload after it refused. Once the server has taken it,
// it is stored and is the current password; should the file refuse it after all, it is the
// current password for this run, and the message says that it has to be set again.
PasswordChange ChangeAuthenPwd(const PasswordExchange &exchange, const QString &url, const QStringList &fields,
                               const QString &newPwd);
