#include "Crc32.h"

#include <zlib.h>

QString TCRC32::CrcText(const QByteArray &bytes) const
{
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(bytes.constData()),
                            static_cast<uInt>(bytes.size()));
    return QString::number(static_cast<quint32>(crc));
}
