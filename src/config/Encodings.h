#pragma once

#include <QByteArray>
#include <QString>

// Two upper-case hexadecimal digits per byte, no separators.
QString HexEncode(const QByteArray &bytes);

// Pairs of hexadecimal digits (either case) from the start; an odd last digit is a byte of
// its own. A pair that is not hexadecimal raises EConvertError.
QByteArray HexDecode(const QString &text);

// RFC 4648 Base64, standard alphabet, "=" padding, no line breaks.
QString Base64Encode(const QByteArray &bytes);

// Decodes whole groups of four characters from the start and ignores what follows the last
// whole group. "=" in the third place ends the group after one byte, in the fourth place after
// two. A character outside the alphabet counts as zero bits.
QByteArray Base64Decode(const QString &text);
