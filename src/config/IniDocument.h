#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The bytes of a Windows profile (INI) file, read and changed the way the Windows profile
// functions do: section and key names compare without regard to case, the first section and
// the first key of a name win, blanks around names and values are dropped, lines that are
// neither sections nor key=value are kept but mean nothing. Changing a value rewrites that one
// line; every other byte of the file stays as it was.
//
// Text is GBK. A file that starts with a UTF-8 byte-order mark is read and written as UTF-8,
// so that a file saved that way by an editor keeps its encoding.
class IniDocument final
{
public:
    // Longest value read, in bytes; longer values are cut at a character boundary.
    static constexpr qsizetype MaxValueBytes = 2047;

    explicit IniDocument(const QByteArray &bytes = {});

    std::optional<QString> value(const QString &section, const QString &key) const;
    void setValue(const QString &section, const QString &key, const QString &value);

    const QByteArray &bytes() const { return m_bytes; }

private:
    struct Line {
        enum Kind { Other, Section, Key };
        Kind kind = Other;
        qsizetype start = 0; // first byte of the line
        qsizetype end = 0;   // first byte of the line break (or end of file)
        qsizetype next = 0;  // first byte of the following line
        QString name;        // section or key name, trimmed
        QByteArray valueBytes;
    };

    void parse();
    QByteArray encode(const QString &text) const;
    QString decode(const QByteArray &bytes) const;
    QByteArray lineBreak() const;
    qsizetype findSection(const QString &section) const;
    qsizetype findKey(qsizetype sectionLine, const QString &key) const;

    QByteArray m_bytes;
    bool m_utf8 = false;
    QList<Line> m_lines;
};
