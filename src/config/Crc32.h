#pragma once

#include <QByteArray>
#include <QString>

// CRC-32 (ISO-HDLC, as zlib and gzip) written as an unsigned decimal number.
class TCRC32 final
{
public:
    QString CrcText(const QByteArray &bytes) const;
};

inline QString CrcText(const QByteArray &bytes)
{
    return TCRC32().CrcText(bytes);
}
