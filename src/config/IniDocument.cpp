#include "IniDocument.h"

#include "GbkText.h"

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray trimmedBlanks(const QByteArray &bytes)
{
    qsizetype from = 0;
    qsizetype to = bytes.size();
    while (from < to && isBlank(bytes[from]))
        ++from;
    while (to > from && isBlank(bytes[to - 1]))
        --to;
    return bytes.mid(from, to - from);
}

// The longest leading part of UTF-8 bytes, at most maxBytes long, that ends on a character.
QByteArray truncatedUtf8(const QByteArray &bytes, qsizetype maxBytes)
{
    if (bytes.size() <= maxBytes)
        return bytes;
    qsizetype cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    return bytes.left(cut);
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

IniDocument::IniDocument(const QByteArray &bytes)
    : m_bytes(bytes)
{
    parse();
}

QByteArray IniDocument::encode(const QString &text) const
{
    return m_utf8 ? text.toUtf8() : Gbk::encode(text);
}

QString IniDocument::decode(const QByteArray &bytes) const
{
    return m_utf8 ? QString::fromUtf8(bytes) : Gbk::decode(bytes);
}

void IniDocument::parse()
{
    m_lines.clear();
    m_utf8 = m_bytes.startsWith(Utf8Bom);
    qsizetype pos = m_utf8 ? Utf8Bom.size() : 0;
    while (pos < m_bytes.size()) {
        Line line;
        line.start = pos;
        qsizetype end = pos;
        while (end < m_bytes.size() && m_bytes[end] != '\n' && m_bytes[end] != '\r')
            ++end;
        line.end = end;
        if (end < m_bytes.size() && m_bytes[end] == '\r')
            ++end;
        if (end < m_bytes.size() && m_bytes[end] == '\n')
            ++end;
        line.next = end;
        pos = end;

        const QByteArray text = trimmedBlanks(m_bytes.mid(line.start, line.end - line.start));
        if (text.startsWith('[')) {
            const qsizetype close = text.indexOf(']');
            line.kind = Line::Section;
            line.name = decode(trimmedBlanks(text.mid(1, close < 0 ? -1 : close - 1)));
        } else if (const qsizetype eq = text.indexOf('='); eq >= 0) {
            line.kind = Line::Key;
            line.name = decode(trimmedBlanks(text.left(eq)));
            line.valueBytes = trimmedBlanks(text.mid(eq + 1));
        }
        m_lines.append(line);
    }
}

qsizetype IniDocument::findSection(const QString &section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Line::Section && sameName(m_lines[i].name, section))
            return i;
    }
    return -1;
}

qsizetype IniDocument::findKey(qsizetype sectionLine, const QString &key) const
{
    for (qsizetype i = sectionLine + 1; i < m_lines.size() && m_lines[i].kind != Line::Section; ++i) {
        if (m_lines[i].kind == Line::Key && sameName(m_lines[i].name, key))
            return i;
    }
    return -1;
}

std::optional<QString> IniDocument::value(const QString &section, const QString &key) const
{
    const qsizetype sectionLine = findSection(section);
    if (sectionLine < 0)
        return std::nullopt;
    const qsizetype keyLine = findKey(sectionLine, key);
    if (keyLine < 0)
        return std::nullopt;
    const QByteArray &raw = m_lines[keyLine].valueBytes;
    return decode(m_utf8 ? truncatedUtf8(raw, MaxValueBytes) : Gbk::truncated(raw, MaxValueBytes));
}

QByteArray IniDocument::lineBreak() const
{
    if (m_bytes.contains("\r\n") || !m_bytes.contains('\n'))
        return QByteArrayLiteral("\r\n");
    return QByteArrayLiteral("\n");
}

void IniDocument::setValue(const QString &section, const QString &key, const QString &value)
{
    // A line break inside a value would end the line and corrupt the file.
    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray eol = lineBreak();
    const qsizetype sectionLine = findSection(section);

    if (sectionLine < 0) {
        if (m_bytes.isEmpty() && m_utf8)
            m_bytes = Utf8Bom;
        if (!m_lines.isEmpty() && m_lines.last().next == m_lines.last().end)
            m_bytes += eol;
        m_bytes += '[' + encode(section) + ']' + eol + encode(key) + '=' + encode(oneLine) + eol;
    } else if (const qsizetype keyLine = findKey(sectionLine, key); keyLine >= 0) {
        const Line &line = m_lines[keyLine];
        const QByteArray lineText = m_bytes.mid(line.start, line.end - line.start);
        const QByteArray keyText = trimmedBlanks(lineText.left(lineText.indexOf('=')));
        m_bytes.replace(line.start, line.end - line.start, keyText + '=' + encode(oneLine));
    } else {
        // After the last non-blank line of the section.
        qsizetype last = sectionLine;
        for (qsizetype i = sectionLine + 1; i < m_lines.size() && m_lines[i].kind != Line::Section; ++i) {
            if (!trimmedBlanks(m_bytes.mid(m_lines[i].start, m_lines[i].end - m_lines[i].start)).isEmpty())
                last = i;
        }
        const Line &after = m_lines[last];
        QByteArray insert = encode(key) + '=' + encode(oneLine) + eol;
        if (after.next == after.end)
            insert.prepend(eol);
        m_bytes.insert(after.next, insert);
    }
    parse();
}
