#include "DigitValidator.h"

#include <algorithm>

#include <QString>
#include <QStringView>

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

QChar asciiDigit(QChar c)
{
    if (c.unicode() >= u'０' && c.unicode() <= u'９')
        return QChar(char16_t(u'0' + (c.unicode() - u'０')));
    return isDigit(c) ? c : QChar();
}

// The character kept for input[i] after the kept text, or a null QChar when it is dropped.
// Blanks after the last digit of a postcode stay: the length check trims them, and a postcode
// read back from a fixed-width column may be padded with them.
QChar kept(TDigitValidator::Kind kind, const QString &input, qsizetype i, const QString &before)
{
    const QChar c = input.at(i);
    if (kind == TDigitValidator::Postcode) {
        if (c != QLatin1Char(' '))
            return asciiDigit(c);
        const QStringView after = QStringView(input).mid(i + 1);
        return std::none_of(after.begin(), after.end(), [](QChar a) { return !asciiDigit(a).isNull(); }) ? c : QChar();
    }
    // A typed "-" only ever lands in front of the digits (blanks or Chinese may stand before it).
    if (c == QLatin1Char('-'))
        return std::none_of(before.begin(), before.end(), isDigit) ? c : QChar();
    if (c == QLatin1Char('.'))
        return kind == TDigitValidator::Decimal && !before.contains(QLatin1Char('.')) ? c : QChar();
    return RefusedInNumber(c) ? QChar() : c;
}

} // namespace

TDigitValidator::TDigitValidator(Kind kind, QObject *parent, const QValidator *next)
    : QValidator(parent)
    , m_kind(kind)
    , m_next(next)
{
}

void TDigitValidator::SetKind(Kind kind)
{
    if (kind == m_kind)
        return;
    m_kind = kind;
    emit changed();
}

QValidator::State TDigitValidator::validate(QString &input, int &pos) const
{
    QString result;
    result.reserve(input.size());
    int caret = pos;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const QChar c = kept(m_kind, input, i, result);
        if (!c.isNull())
            result.append(c);
        else if (i < pos)
            --caret;
    }
    input = result;
    pos = caret;
    return m_next ? m_next->validate(input, pos) : Acceptable;
}

bool RefusedInNumber(QChar c)
{
    return c >= QLatin1Char('!') && c <= QLatin1Char('~') && !isDigit(c);
}
