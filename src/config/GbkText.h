#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>
#include <QStringView>

// The program's one code page. Text is QString inside and GBK bytes wherever bytes matter.
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

// Writes many pieces of text into one GBK buffer, each as encode() would write it, for long
// documents: ASCII pieces are copied as they stand and one converter serves all the others.
class Writer final
{
public:
    Writer();
    void append(QByteArray &out, QStringView text);

private:
    QStringEncoder m_encoder;
};

} // namespace Gbk
