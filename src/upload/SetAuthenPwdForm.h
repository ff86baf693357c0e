#pragma once

#include "PasswordExchange.h"

#include <QDialog>

class QLineEdit;

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
