#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// An error the program shows to the operator as it stands: its text is the message.
class AppError : public std::exception
{
public:
    explicit AppError(const QString &text);

    const QString &text() const noexcept { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

// The block cipher refused its input.
class EAESError : public AppError
{
public:
    using AppError::AppError;
};

// A text that should have held a number did not.
class EConvertError : public AppError
{
public:
    using AppError::AppError;
};

// The settings file could not be written.
class EIniFileError : public AppError
{
public:
    using AppError::AppError;
};
