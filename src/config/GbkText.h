#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "GbkCodec.h"

// The program's one code page. Text is QString inside and GBK bytes wherever bytes matter.
// The converter is Qt's "GBK" (ICU) on Linux and the system's code page 936 on Windows.
namespace Gbk {

// GBK bytes of the text; every character GBK cannot hold becomes one "?".
QByteArray encode(const QString &text);

// Text of GBK bytes; byte sequences that are not GBK become U+FFFD.
QString decode(const QByteArray &bytes);

// True when every character of the text comes back from GBK as it went in.
bool holds(const QString &text);

// Number of bytes the text takes in GBK.
qsizetype byteLength(const QString &text);

// The longest leading part of the bytes, at most maxBytes long, that does not cut a
// two-byte character in half.
QByteArray truncated(const QByteArray &bytes, qsizetype maxBytes);

// True when bytes[index] opens a two-byte character (walking from the start).
bool isLeadByte(const QByteArray &bytes, qsizetype index);

// Empty when GBK conversion works here; otherwise why not, to show before anything else. The
// program and the report tool do not start without it.
QString SelfCheck();

// SelfCheck of any pair of conversions, so that the tests can make it fail.
using EncodeFunction = QByteArray (*)(const QString &);
using DecodeFunction = QString (*)(const QByteArray &);
QString CheckConversions(EncodeFunction encodeText, DecodeFunction decodeBytes);

// Writes many pieces of text into one GBK buffer, each as encode() would write it, for long
// documents: ASCII pieces are copied as they stand and one converter serves all the others.
class Writer final
{
public:
    void append(QByteArray &out, QStringView text);

private:
    GbkCodec::Encoder m_encoder;
};

} // namespace Gbk
