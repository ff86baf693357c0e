#include "AmountToCapitals.h"

#include <cmath>

namespace {

// Digits 0-9, an unused entry, then the place characters of positions 1 (分) to 15 (万).
const QString CapitalTable = QStringLiteral("零壹贰叁肆伍陆柒捌玖◇分角圆拾佰仟万拾佰仟亿拾佰仟万");
constexpr long long LimitFen = 999999999999999LL; // 9 999 999 999 999.99 yuan

bool isKeyPosition(int position)
{
    return position == 1 || position == 3 || position == 7 || position == 11;
}

} // namespace

QString AmountToCapitals(long double amount)
{
    // The limit is compared in whole fen: 9999999999999.99 as a double lies a little above
    // the decimal value and must not overflow.
    const long double fen = std::round(std::fabs(amount) * 100); // half away from zero
    if (!std::isfinite(fen) || fen > LimitFen)
        return QStringLiteral("溢出");
    // An amount that rounds to no fen at all is zero too.
    if (fen == 0)
        return QStringLiteral("零");

    const QString digits = QString::number(static_cast<long long>(fen));
    QString result;
    bool previousZero = false;
    for (int position = 1; position <= digits.size(); ++position) {
        const int digit = digits[digits.size() - position].digitValue();
        const bool zero = digit == 0;
        const bool key = isKeyPosition(position);

        QString part;
        if (!(zero && (previousZero || key)))
            part += CapitalTable[digit];
        if (zero && position == 1)
            part += QStringLiteral("整");
        else if (!zero || key)
            part += CapitalTable[position + 10];
        if (zero && !previousZero && position > 1 && key)
            part += QStringLiteral("零");

        result.prepend(part);
        previousZero = zero;
    }
    result.replace(QStringLiteral("亿万"), QStringLiteral("亿"));
    if (amount < 0)
        result.prepend(QStringLiteral("负数:"));
    return result;
}
