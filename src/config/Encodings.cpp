#include "Encodings.h"

#include "AppError.h"

namespace {

constexpr char Base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

int base64Value(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z')
        return u - u'A';
    if (u >= u'a' && u <= u'z')
        return u - u'a' + 26;
    if (u >= u'0' && u <= u'9')
        return u - u'0' + 52;
    if (u == u'+')
        return 62;
    if (u == u'/')
        return 63;
    return 0;
}

} // namespace

QString HexEncode(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QByteArray HexDecode(const QString &text)
{
    QByteArray bytes;
    bytes.reserve((text.size() + 1) / 2);
    for (qsizetype i = 0; i < text.size(); i += 2) {
        const QString pair = text.mid(i, 2);
        int value = 0;
        for (const QChar c : pair) {
            const int digit = hexValue(c);
            if (digit < 0)
                throw EConvertError(QStringLiteral("'$%1' is not a valid integer value").arg(pair));
            value = value * 16 + digit;
        }
        bytes.append(static_cast<char>(value));
    }
    return bytes;
}

QString Base64Encode(const QByteArray &bytes)
{
    QString text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (qsizetype i = 0; i < bytes.size(); i += 3) {
        const qsizetype n = std::min<qsizetype>(3, bytes.size() - i);
        quint32 group = 0;
        for (qsizetype k = 0; k < 3; ++k)
            group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (qsizetype k = 0; k < 4; ++k) {
            if (k <= n)
                text += QLatin1Char(Base64Alphabet[(group >> (18 - 6 * k)) & 0x3F]);
            else
                text += QLatin1Char('=');
        }
    }
    return text;
}

QByteArray Base64Decode(const QString &text)
{
    QByteArray bytes;
    const qsizetype groups = text.size() / 4;
    bytes.reserve(groups * 3);
    for (qsizetype g = 0; g < groups; ++g) {
        const QStringView four = QStringView(text).mid(g * 4, 4);
        quint32 group = 0;
        for (const QChar c : four)
            group = (group << 6) | static_cast<quint32>(base64Value(c));
        bytes.append(static_cast<char>(group >> 16));
        if (four[2] == QLatin1Char('='))
            continue;
        bytes.append(static_cast<char>(group >> 8));
        if (four[3] == QLatin1Char('='))
            continue;
        bytes.append(static_cast<char>(group));
    }
    return bytes;
}
