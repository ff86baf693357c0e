#pragma once

#include <functional>
#include <utility>

#include <QDialog>
#include <QString>
#include <QStringList>

class QLineEdit;

// One password exchange with the tax server: the reply's result value and result message.
using PasswordExchange = std::function<std::pair<QString, QString>(const QString &url, const QStringList &fields)>;

// The exchange through a fresh TMyIdHttp.
std::pair<QString, QString> ExchangeOverHttp(const QString &url, const QStringList &fields);

// Changes the upload password on the server and, once the server has taken it, in the
// settings file and the running program.
class TSetAuthenPwdForm final : public QDialog
{
    Q_OBJECT

public:
    static constexpr int MaxBytes = 20;
    static constexpr int MinBytes = 6;

    explicit TSetAuthenPwdForm(PasswordExchange exchange = ExchangeOverHttp, QWidget *parent = nullptr);

private:
    void btnOkClick();

    PasswordExchange m_exchange;
    QLineEdit *m_oldPwd;
    QLineEdit *m_newPwd;
    QLineEdit *m_newPwd2;
};
