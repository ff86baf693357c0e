// The BIFF8 workbook stream of an XlsSheet: the workbook globals, then the one worksheet.
// Each record is its id and a payload built by one small function; the layout follows
// Microsoft's [MS-XLS].

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include <QHash>
#include <QtEndian>

#include "config/AppError.h"
#include "reports/CompoundFile.h"
#include "reports/XlsSheet.h"

namespace {

enum RecordId : quint16 {
    Formula = 0x0006,
    Eof = 0x000A,
    Precision = 0x000E,
    DateMode = 0x0022,
    Font = 0x0031,
    Continue = 0x003C,
    Window1 = 0x003D,
    CodePage = 0x0042,
    ColInfo = 0x007D,
    BoundSheet = 0x0085,
    Country = 0x008C,
    Xf = 0x00E0,
    MergeCells = 0x00E5,
    Sst = 0x00FC,
    LabelSst = 0x00FD,
    ExtSst = 0x00FF,
    Dimensions = 0x0200,
    Blank = 0x0201,
    Number = 0x0203,
    Row = 0x0208,
    Window2 = 0x023E,
    Style = 0x0293,
    Format = 0x041E,
    Bof = 0x0809,
};

constexpr int MaxPayload = 8224;
constexpr quint16 Utf16CodePage = 1200;
constexpr quint16 Black = 8;
constexpr quint8 ThinLine = 1;
constexpr int FirstCustomFormat = 164;
constexpr int StyleXfs = 15; // the sixteen XFs every workbook holds: 15 styles and one cell XF
constexpr int FirstCellXf = 16;
constexpr int RowsPerBlock = 32;
constexpr quint8 GbCharSet = 134;

class Payload final
{
public:
    Payload &u8(int value) { return raw(quint8(value)); }
    Payload &u16(int value) { return raw(quint16(value)); }
    Payload &u32(quint32 value) { return raw(value); }
    Payload &f64(double value) { return raw(value); }
    Payload &bytes(const QByteArray &value)
    {
        m_bytes.append(value);
        return *this;
    }
    Payload &zeros(int count) { return bytes(QByteArray(count, '\0')); }
    const QByteArray &data() const { return m_bytes; }

private:
    template<typename T>
    Payload &raw(T value)
    {
        char buffer[sizeof(T)];
        qToLittleEndian(value, buffer);
        m_bytes.append(buffer, sizeof(T));
        return *this;
    }
    QByteArray m_bytes;
};

void append(QByteArray &stream, quint16 id, const QByteArray &payload)
{
    Q_ASSERT(payload.size() <= MaxPayload);
    Payload header;
    header.u16(id).u16(int(payload.size()));
    stream.append(header.data()).append(payload);
}

void append(QByteArray &stream, quint16 id, const Payload &payload)
{
    append(stream, id, payload.data());
}

// Text as BIFF8 keeps it: one byte a character when every character fits, else UTF-16LE.
bool fitsOneByte(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
}

QByteArray characters(QStringView text, bool oneByte)
{
    Payload out;
    for (const QChar c : text) {
        if (oneByte)
            out.u8(c.unicode());
        else
            out.u16(c.unicode());
    }
    return out.data();
}

// ShortXLUnicodeString (8-bit length) or XLUnicodeString (16-bit length).
QByteArray unicodeString(const QString &text, bool shortLength)
{
    const bool oneByte = fitsOneByte(text);
    Payload out;
    if (shortLength)
        out.u8(int(text.size()));
    else
        out.u16(int(text.size()));
    out.u8(oneByte ? 0 : 1).bytes(characters(text, oneByte));
    return out.data();
}

// The shared strings: SST with CONTINUE records where it passes the record limit, and the
// EXTSST index of every eighth (or more) string. A string's header never splits; where its
// characters run on, the CONTINUE record starts with the option byte again.
void appendStrings(QByteArray &stream, const QStringList &strings, quint32 references)
{
    const int perBucket = std::max(8, int(strings.size() / 128 + 1));
    Payload index;
    index.u16(perBucket);

    quint16 id = Sst;
    Payload record;
    record.u32(references).u32(quint32(strings.size()));
    auto flush = [&] {
        append(stream, id, record);
        id = Continue;
        record = Payload();
    };
    for (qsizetype i = 0; i < strings.size(); ++i) {
        const QString &text = strings[i];
        const bool oneByte = fitsOneByte(text);
        const int unit = oneByte ? 1 : 2;
        if (record.data().size() + 3 + (text.isEmpty() ? 0 : unit) > MaxPayload)
            flush();
        if (i % perBucket == 0) {
            const int offset = int(4 + record.data().size());
            index.u32(quint32(stream.size() + offset)).u16(offset).u16(0);
        }
        record.u16(int(text.size())).u8(oneByte ? 0 : 1);
        qsizetype done = 0;
        while (true) {
            const qsizetype room = (MaxPayload - record.data().size()) / unit;
            const qsizetype count = std::min(room, text.size() - done);
            record.bytes(characters(QStringView(text).mid(done, count), oneByte));
            done += count;
            if (done == text.size())
                break;
            flush();
            record.u8(oneByte ? 0 : 1);
        }
    }
    flush();
    append(stream, ExtSst, index);
}

} // namespace

class XlsWriter final
{
public:
    explicit XlsWriter(const XlsSheet &sheet) : m_sheet(sheet) {}
    QByteArray workbook();

private:
    using Align = XlsSheet::Align;
    using Kind = XlsSheet::Kind;
    struct XfKey {
        int font;
        int format;
        Align align;
        bool border;
        bool operator<(const XfKey &other) const
        {
            return std::tie(font, format, align, border) < std::tie(other.font, other.format, other.align, other.border);
        }
    };
    // One record of the sheet's cells, after the bordered ranges filled the gaps.
    struct Placed {
        Kind kind;
        int xf;
        const XlsSheet::Cell *cell;
    };

    static int horizontal(Align align);
    int formatOf(const QString &format);
    int xfOf(const XlsSheet::Look &look, bool border);
    int stringOf(const QString &text);
    void placeCells();
    QByteArray globals(quint32 &sheetOffsetAt);
    QByteArray worksheet();

    const XlsSheet &m_sheet;
    QStringList m_formats;
    std::map<XfKey, int> m_xfIndex;
    std::vector<XfKey> m_xfs;
    QStringList m_strings;
    QHash<QString, int> m_stringIndex;
    quint32 m_stringReferences = 0;
    std::map<std::pair<int, int>, Placed> m_placed;
    std::map<int, int> m_columnXfs;
};

int XlsWriter::horizontal(Align align)
{
    switch (align) {
    case Align::General:
        break;
    case Align::Left:
        return 1;
    case Align::Centre:
        return 2;
    case Align::Right:
        return 3;
    }
    return 0;
}

int XlsWriter::formatOf(const QString &format)
{
    if (format.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        return 0;
    qsizetype found = m_formats.indexOf(format);
    if (found < 0) {
        found = m_formats.size();
        m_formats.append(format);
    }
    return FirstCustomFormat + int(found);
}

int XlsWriter::xfOf(const XlsSheet::Look &look, bool border)
{
    const XfKey style{look.font, formatOf(look.numberFormat), look.align, border};
    const auto [found, added] = m_xfIndex.emplace(style, FirstCellXf + int(m_xfs.size()));
    if (added)
        m_xfs.push_back(style);
    return found->second;
}

int XlsWriter::stringOf(const QString &text)
{
    ++m_stringReferences;
    const auto found = m_stringIndex.constFind(text);
    if (found != m_stringIndex.constEnd())
        return found.value();
    m_strings.append(text);
    return m_stringIndex[text] = int(m_strings.size() - 1);
}

void XlsWriter::placeCells()
{
    auto bordered = [&](int row, int column) {
        return std::any_of(m_sheet.m_borders.begin(), m_sheet.m_borders.end(),
                           [&](const XlsSheet::Range &range) { return range.holds(row, column); });
    };
    for (const auto &[position, cell] : m_sheet.m_cells) {
        const auto [row, column] = position;
        const bool border = bordered(row, column);
        Kind kind = cell.kind;
        if (kind == Kind::Text && cell.text.isEmpty())
            kind = Kind::Blank; // Excel itself keeps an empty text as a blank cell
        if (kind == Kind::Blank && !border && cell.look.font < 0 && cell.look.align == Align::General)
            continue;
        m_placed[position] = {kind, xfOf(m_sheet.lookOf(row, column, cell), border), &cell};
    }
    static const XlsSheet::Cell Empty;
    for (const XlsSheet::Range &range : m_sheet.m_borders) {
        for (int row = range.firstRow; row <= range.lastRow; ++row) {
            for (int column = range.firstColumn; column <= range.lastColumn; ++column) {
                if (!m_placed.count({row, column}))
                    m_placed[{row, column}] = {Kind::Blank, xfOf(m_sheet.lookOf(row, column, Empty), true), &Empty};
            }
        }
    }
    for (const auto &[column, entry] : m_sheet.m_columns)
        m_columnXfs[column] = xfOf(m_sheet.lookOf(1, column, Empty), false);
}

namespace {

// Excel's ifnt skips 4: the first four FONT records are 0 to 3, the next ones 5 and on.
int fontNumber(int font)
{
    return font == 0 ? 0 : font + 4;
}

QByteArray xfPayload(int font, int format, bool style, int horizontal, bool border)
{
    Payload xf;
    xf.u16(fontNumber(font)).u16(format);
    xf.u16(style ? 0xFFF5 : 0x0001); // locked; a style has no parent, a cell XF has style 0
    xf.u8(horizontal | 0x10); // vertically centred
    xf.u8(0).u8(0);
    xf.u8(style ? 0xF4 : 0xFC); // which attribute groups this XF sets
    const quint32 line = border ? ThinLine : 0;
    const quint32 colour = border ? Black : 0;
    xf.u32(line | line << 4 | line << 8 | line << 12 | colour << 16 | colour << 23);
    xf.u32(colour | colour << 7);
    xf.u16(0x40 | 0x41 << 7); // pattern colours: the system's foreground and background
    return xf.data();
}

QByteArray fontPayload(const QString &name, int twips, bool bold)
{
    Payload font;
    font.u16(twips).u16(bold ? 0x0001 : 0).u16(0x7FFF).u16(bold ? 700 : 400).u16(0).u8(0).u8(0);
    font.u8(fitsOneByte(name) ? 0 : GbCharSet).u8(0);
    return font.bytes(unicodeString(name, true)).data();
}

QByteArray bof(int type)
{
    return Payload().u16(0x0600).u16(type).u16(0x0DBB).u16(0x07CC).u32(0).u32(0x0006).data();
}

} // namespace

QByteArray XlsWriter::globals(quint32 &sheetOffsetAt)
{
    QByteArray out;
    append(out, Bof, bof(0x0005));
    append(out, CodePage, Payload().u16(Utf16CodePage));
    append(out, Window1, Payload().u16(0).u16(0).u16(0x3A5C).u16(0x23BE).u16(0x0038).u16(0).u16(0).u16(1).u16(0x0258));
    append(out, DateMode, Payload().u16(0));
    append(out, Precision, Payload().u16(1));

    const auto &fonts = m_sheet.m_fonts;
    for (int i = 0; i < 4; ++i)
        append(out, Font, fontPayload(fonts[0].name, fonts[0].twips, fonts[0].bold));
    for (size_t i = 1; i < fonts.size(); ++i)
        append(out, Font, fontPayload(fonts[i].name, fonts[i].twips, fonts[i].bold));

    for (qsizetype i = 0; i < m_formats.size(); ++i)
        append(out, Format, Payload().u16(FirstCustomFormat + int(i)).bytes(unicodeString(m_formats[i], false)));

    for (int i = 0; i < StyleXfs; ++i)
        append(out, Xf, xfPayload(0, 0, true, 0, false));
    append(out, Xf, xfPayload(0, 0, false, 0, false));
    for (const XfKey &style : m_xfs)
        append(out, Xf, xfPayload(style.font, style.format, false, horizontal(style.align), style.border));
    append(out, Style, Payload().u16(0x8000).u8(0).u8(0xFF)); // the built-in "Normal" on XF 0

    sheetOffsetAt = quint32(out.size() + 4);
    append(out, BoundSheet, Payload().u32(0).u8(0).u8(0).bytes(unicodeString(m_sheet.m_sheetName, true)));
    append(out, Country, Payload().u16(86).u16(86));
    appendStrings(out, m_strings, m_stringReferences);
    append(out, Eof, Payload());
    return out;
}

QByteArray XlsWriter::worksheet()
{
    QByteArray out;
    append(out, Bof, bof(0x0010));
    for (const auto &[column, entry] : m_sheet.m_columns) {
        const int width = std::clamp(qRound(entry.width * 256), 0, 0xFFFF);
        append(out, ColInfo, Payload().u16(column - 1).u16(column - 1).u16(width).u16(m_columnXfs[column]).u16(0).u16(0));
    }

    // Rows that hold records or a height of their own, with their first and last column.
    std::map<int, std::pair<int, int>> rows;
    for (const auto &[position, placed] : m_placed) {
        auto entry = rows.emplace(position.first, std::pair(position.second, position.second)).first;
        entry->second.first = std::min(entry->second.first, position.second);
        entry->second.second = std::max(entry->second.second, position.second);
    }
    for (const auto &[row, height] : m_sheet.m_rowHeights)
        rows.emplace(row, std::pair(1, 0));
    int firstColumn = 256;
    int lastColumn = 0;
    for (const auto &[position, placed] : m_placed) {
        firstColumn = std::min(firstColumn, position.second);
        lastColumn = std::max(lastColumn, position.second);
    }
    const int firstRow = m_placed.empty() ? 0 : m_placed.begin()->first.first;
    const int lastRow = m_placed.empty() ? 0 : m_placed.rbegin()->first.first;
    append(out, Dimensions,
           Payload().u32(m_placed.empty() ? 0 : quint32(firstRow - 1)).u32(quint32(lastRow))
               .u16(m_placed.empty() ? 0 : firstColumn - 1).u16(lastColumn).u16(0));

    // Blocks of 32 rows: their ROW records, then their cells.
    auto cell = m_placed.begin();
    for (auto row = rows.begin(); row != rows.end();) {
        const int block = (row->first - 1) / RowsPerBlock;
        for (; row != rows.end() && (row->first - 1) / RowsPerBlock == block; ++row) {
            const auto height = m_sheet.m_rowHeights.find(row->first);
            const bool custom = height != m_sheet.m_rowHeights.end();
            const int twips = custom ? qRound(height->second * 20) : 0x00FF;
            const auto [first, last] = row->second;
            append(out, Row, Payload().u16(row->first - 1).u16(first <= last ? first - 1 : 0).u16(first <= last ? last : 0)
                                 .u16(twips).u16(0).u16(0).u32(0x000F0100 | (custom ? 0x40 : 0)));
        }
        for (; cell != m_placed.end() && (cell->first.first - 1) / RowsPerBlock == block; ++cell) {
            const auto [position, placed] = *cell;
            Payload record;
            record.u16(position.first - 1).u16(position.second - 1).u16(placed.xf);
            switch (placed.kind) {
            case Kind::Blank:
                append(out, Blank, record);
                break;
            case Kind::Text:
                append(out, LabelSst, record.u32(quint32(stringOf(placed.cell->text))));
                break;
            case Kind::Number:
                append(out, Number, record.f64(placed.cell->value));
                break;
            case Kind::Formula:
                // Recalculated on opening, so a reader that calculates never trusts a stale value.
                record.f64(placed.cell->value).u16(0x0001).u32(0);
                append(out, Formula, record.u16(int(placed.cell->parsed.size())).bytes(placed.cell->parsed));
                break;
            }
        }
    }

    append(out, Window2, Payload().u16(0x06B6).u16(0).u16(0).u16(0x40).u16(0).u16(0).u16(0).u16(0).u16(0));
    if (!m_sheet.m_merges.empty()) {
        Payload merges;
        merges.u16(int(m_sheet.m_merges.size()));
        for (const XlsSheet::Range &range : m_sheet.m_merges)
            merges.u16(range.firstRow - 1).u16(range.lastRow - 1).u16(range.firstColumn - 1).u16(range.lastColumn - 1);
        append(out, MergeCells, merges);
    }
    append(out, Eof, Payload());
    return out;
}

QByteArray XlsWriter::workbook()
{
    placeCells();
    // The sheet first: its LABELSST records number the shared strings the globals then hold.
    const QByteArray sheet = worksheet();
    quint32 sheetOffsetAt = 0;
    QByteArray stream = globals(sheetOffsetAt);
    qToLittleEndian(quint32(stream.size()), stream.data() + sheetOffsetAt);
    return stream + sheet;
}

QByteArray XlsSheet::ToXls() const
{
    if (m_merges.size() > 1026)
        throw AppError(QStringLiteral("合并的单元格太多"));
    return CompoundFile(QStringLiteral("Workbook"), XlsWriter(*this).workbook());
}
