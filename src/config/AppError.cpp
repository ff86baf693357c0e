#include "AppError.h"

AppError::AppError(const QString &text)
    : m_text(text)
    , m_utf8(text.toUtf8())
{
}
