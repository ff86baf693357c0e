#include "GbkText.h"

#include <QStringDecoder>

namespace Gbk {

namespace {
constexpr char CodecName[] = "GBK";

bool opensPair(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x81 && b <= 0xFE;
}

// True when the byte at index begins a character, walking from the start; a lead byte at the
// end counts.
bool startsLead(const QByteArray &bytes, qsizetype index)
{
    qsizetype i = 0;
    while (i < index)
        i += opensPair(bytes.at(i)) ? 2 : 1;
    return i == index && opensPair(bytes.at(index));
}

// The converter holds back a surrogate without its partner; make it a "?" of its own.
QString withoutLoneSurrogates(QStringView text)
{
    QString result = text.toString();
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (result[i].isHighSurrogate() && i + 1 < result.size() && result[i + 1].isLowSurrogate())
            ++i;
        else if (result[i].isSurrogate())
            result[i] = QLatin1Char('?');
    }
    return result;
}

} // namespace

QByteArray encode(const QString &text)
{
    // The ICU converter behind Qt's "GBK" writes "?" for each character it cannot map.
    QStringEncoder encoder(CodecName);
    return encoder.encode(withoutLoneSurrogates(text));
}

bool holds(const QString &text)
{
    return decode(encode(text)) == text;
}

Writer::Writer()
    : m_encoder(CodecName)
{
}

void Writer::append(QByteArray &out, QStringView text)
{
    const qsizetype at = out.size();
    bool ascii = true;
    bool surrogates = false;
    for (const QChar c : text) {
        ascii = ascii && c.unicode() < 0x80;
        surrogates = surrogates || c.isSurrogate();
    }
    if (ascii) {
        out.resize(at + text.size());
        char *to = out.data() + at;
        for (const QChar c : text)
            *to++ = char(c.unicode());
        return;
    }
    // Whole pairs only: a surrogate held back in the converter would come out with a later piece.
    const QString checked = surrogates ? withoutLoneSurrogates(text) : QString();
    const QStringView piece = surrogates ? QStringView(checked) : text;
    out.resize(at + m_encoder.requiredSpace(piece.size()));
    char *end = m_encoder.appendToBuffer(out.data() + at, piece);
    out.resize(end - out.constData());
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder decoder(CodecName);
    // The converter holds back a lead byte at the very end; it is a bad character too.
    if (!bytes.isEmpty() && startsLead(bytes, bytes.size() - 1))
        return decoder.decode(bytes.chopped(1)) + QChar(QChar::ReplacementCharacter);
    return decoder.decode(bytes);
}

qsizetype byteLength(const QString &text)
{
    return encode(text).size();
}

bool isLeadByte(const QByteArray &bytes, qsizetype index)
{
    return index >= 0 && index + 1 < bytes.size() && startsLead(bytes, index);
}

QByteArray truncated(const QByteArray &bytes, qsizetype maxBytes)
{
    if (bytes.size() <= maxBytes)
        return bytes;
    if (maxBytes <= 0)
        return {};
    return bytes.left(isLeadByte(bytes, maxBytes - 1) ? maxBytes - 1 : maxBytes);
}

} // namespace Gbk
