#pragma once

#include <functional>
#include <utility>

#include <QString>
#include <QStringList>

// One password exchange with the tax server: the reply's result value and result message.
using PasswordExchange = std::function<std::pair<QString, QString>(const QString &url, const QStringList &fields)>;

// The exchange through a fresh TMyIdHttp, written into the upload journal.
std::pair<QString, QString> ExchangeOverHttp(const QString &url, const QStringList &fields);
