#include "GbkText.h"

#include "GbkCodec.h"
#include "GbkRuns.h"

#include <QStringList>

#include <algorithm>

namespace Gbk {

namespace {

bool opensPair(char c)
{
    return GbkRuns::isLead(static_cast<unsigned char>(c));
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

// Characters GBK lacks that ICU's converter leaves out instead of writing "?": Unicode's
// default-ignorable ones of the BMP (soft hyphen, zero-width and direction marks, variation
// selectors, the byte-order mark). Code page 936 writes "?" for them.
bool isIgnorable(char16_t c)
{
    if (c < 0x00AD || (c > 0x3164 && c < 0xFE00))
        return false;
    return c == 0x00AD || c == 0x034F || c == 0x061C || c == 0x115F || c == 0x1160 || c == 0x17B4 || c == 0x17B5
        || (c >= 0x180B && c <= 0x180F) || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2060 && c <= 0x206F) || c == 0x3164 || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF
        || c == 0xFFA0 || (c >= 0xFFF0 && c <= 0xFFF8);
}

bool needsCleaning(QStringView text)
{
    const char16_t *units = text.utf16();
    return std::any_of(units, units + text.size(), [](char16_t c) { return QChar::isSurrogate(c) || isIgnorable(c); });
}

// What the converters would each treat their own way is made one "?" here, before any of them
// sees it: GBK holds no character beyond the BMP, a surrogate without its partner is no
// character (one converter holds a lone half back for the next piece, another writes "??" for
// a pair), and a default-ignorable character is left out by one and "?" in the other.
QString cleaned(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!QChar::isSurrogate(c) && !isIgnorable(c)) {
            result += QChar(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        result += QLatin1Char('?');
    }
    return result;
}

// Appends the GBK bytes of text, cleaned already.
void encodeCleanInto(GbkCodec::Encoder &encoder, QByteArray &out, QStringView text)
{
    const qsizetype at = out.size();
    const auto length = static_cast<std::size_t>(text.size());
    out.resize(at + static_cast<qsizetype>(encoder.requiredSpace(length)));
    const std::size_t written = encoder.encode(text.utf16(), length, out.data() + at);
    out.truncate(at + static_cast<qsizetype>(written));
}

QString hexOf(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QStringLiteral("（无）") : QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString unitsOf(const QString &text)
{
    QStringList units;
    for (const QChar c : text)
        units << QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    return units.isEmpty() ? QStringLiteral("（无）") : units.join(QLatin1Char(' '));
}

// Appends the GBK bytes of text, cleaning it first when any unit from checkFrom on needs it.
void encodeInto(GbkCodec::Encoder &encoder, QByteArray &out, QStringView text, qsizetype checkFrom = 0)
{
    if (needsCleaning(text.sliced(checkFrom)))
        encodeCleanInto(encoder, out, cleaned(text));
    else
        encodeCleanInto(encoder, out, text);
}

} // namespace

QByteArray encode(const QString &text)
{
    QByteArray out;
    GbkCodec::Encoder encoder;
    encodeInto(encoder, out, text);
    return out;
}

bool holds(const QString &text)
{
    return decode(encode(text)) == text;
}

void Writer::append(QByteArray &out, QStringView text)
{
    const char16_t *units = text.utf16();
    const qsizetype length = text.size();
    qsizetype ascii = 0;
    while (ascii < length && units[ascii] < 0x80)
        ++ascii;
    if (ascii == length) {
        const qsizetype at = out.size();
        out.resize(at + length);
        std::copy(units, units + length, out.data() + at);
        return;
    }
    encodeInto(m_encoder, out, text, ascii);
}

QString decode(const QByteArray &bytes)
{
    // A lead byte at the very end is a bad character too; a converter would hold it back.
    const bool cutLead = !bytes.isEmpty() && startsLead(bytes, bytes.size() - 1);
    const auto length = static_cast<std::size_t>(bytes.size() - (cutLead ? 1 : 0));
    GbkCodec::Decoder decoder;
    QString text(static_cast<qsizetype>(decoder.requiredSpace(length)) + 1, Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    std::size_t written = decoder.decode(bytes.constData(), length, out);
    if (cutLead)
        out[written++] = QChar::ReplacementCharacter;
    text.truncate(static_cast<qsizetype>(written));
    return text;
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

QString CheckConversions(EncodeFunction encodeText, DecodeFunction decodeBytes)
{
    const QString failed = QStringLiteral("本机的 GBK 编码转换不能用，程序无法运行：");
    // The title of the form the program prints, and its bytes in every GBK table.
    const QString title = QStringLiteral("机动车销售统一发票");
    const QByteArray titleBytes("\xBB\xFA\xB6\xAF\xB3\xB5\xCF\xFA\xCA\xDB\xCD\xB3\xD2\xBB\xB7\xA2\xC6\xB1");
    if (const QByteArray bytes = encodeText(title); bytes != titleBytes)
        return failed + QStringLiteral("“%1”编码为 %2，应为 %3").arg(title, hexOf(bytes), hexOf(titleBytes));
    if (const QString text = decodeBytes(titleBytes); text != title)
        return failed + QStringLiteral("%1 解码为 %2，应为“%3”").arg(hexOf(titleBytes), unitsOf(text), title);
    // A character GBK lacks is one "?", not a look-alike and not dropped.
    const QString lacking = QStringLiteral("\u0E01");
    if (const QByteArray bytes = encodeText(lacking); bytes != "?")
        return failed + QStringLiteral("GBK 没有的字符 U+0E01 编码为 %1，应为 3F（“?”）").arg(hexOf(bytes));
    // A lead byte without its trail byte is U+FFFD, and the byte after it stands for itself.
    const QByteArray broken("\x81\x30", 2);
    if (const QString text = decodeBytes(broken); text != QStringLiteral("\uFFFD0"))
        return failed + QStringLiteral("%1 解码为 %2，应为 U+FFFD U+0030").arg(hexOf(broken), unitsOf(text));
    return {};
}

QString SelfCheck()
{
    return CheckConversions(&encode, &decode);
}

} // namespace Gbk
