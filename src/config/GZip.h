#pragma once

#include <QByteArray>

// One gzip member of the bytes: the fixed ten-byte header (no name, time 0, OS 0), zlib's raw
// deflate at level 6 with memory level 9, then CRC-32 and length, little-endian.
QByteArray GZipCompress(const QByteArray &bytes);
