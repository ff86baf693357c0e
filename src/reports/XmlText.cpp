#include "XmlText.h"

#include <algorithm>

// Most values hold nothing to escape: they are encoded in one piece and looked at once. The
// second byte of a GBK pair is 0x40 or above, so the bytes looked for always stand for themselves.
void AppendXmlText(QByteArray &out, Gbk::Writer &writer, QStringView value)
{
    const qsizetype at = out.size();
    writer.append(out, value);
    const auto special = [](char c) {
        return c == '&' || c == '<' || c == '>' || ForbiddenInXml(static_cast<unsigned char>(c));
    };
    const char *end = out.constData() + out.size();
    const char *found = std::find_if(out.constData() + at, end, special);
    if (found == end)
        return;
    const qsizetype first = found - out.constData();
    const QByteArray rest = out.mid(first);
    out.truncate(first);
    for (const char byte : rest) {
        if (byte == '&')
            out += "&amp;";
        else if (byte == '<')
            out += "&lt;";
        else if (byte == '>')
            out += "&gt;";
        else if (!ForbiddenInXml(static_cast<unsigned char>(byte)))
            out += byte;
    }
}
