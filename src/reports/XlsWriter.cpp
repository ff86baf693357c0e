// The BIFF8 workbook stream of an XlsSheet: the workbook globals, then the one worksheet.
// Each record is its id and a payload built by one small function; the layout follows
// Microsoft's [MS-XLS].

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

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
    WsBool = 0x0081,
    BoundSheet = 0x0085,
    Country = 0x008C,
    Setup = 0x00A1,
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
constexpr int MaxColumns = 256;

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

void appendHeader(QByteArray &stream, quint16 id, qsizetype size)
{
    Q_ASSERT(size <= MaxPayload);
    char header[4];
    qToLittleEndian(id, header);
    qToLittleEndian(quint16(size), header + 2);
    stream.append(header, 4);
}

void append(QByteArray &stream, quint16 id, const QByteArray &payload)
{
    appendHeader(stream, id, payload.size());
    stream.append(payload);
}

void append(QByteArray &stream, quint16 id, const Payload &payload)
{
    append(stream, id, payload.data());
}

// A record of a few fields assembled in place: the cell records, thousands to a sheet.
class SmallRecord final
{
public:
    explicit SmallRecord(quint16 id) { qToLittleEndian(id, m_bytes); }
    SmallRecord &u16(int value) { return raw(quint16(value)); }
    SmallRecord &u32(quint32 value) { return raw(value); }
    SmallRecord &f64(double value) { return raw(value); }
    void appendTo(std::string &stream)
    {
        qToLittleEndian(quint16(m_size - 4), m_bytes + 2);
        stream.append(m_bytes, std::size_t(m_size));
    }

private:
    template<typename T>
    SmallRecord &raw(T value)
    {
        Q_ASSERT(m_size + int(sizeof(T)) <= int(sizeof m_bytes));
        qToLittleEndian(value, m_bytes + m_size);
        m_size += int(sizeof(T));
        return *this;
    }
    char m_bytes[32];
    int m_size = 4;
};

// Text as BIFF8 keeps it: one byte a character when every character fits, else UTF-16LE.
bool fitsOneByte(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
}

void appendCharacters(QByteArray &out, QStringView text, bool oneByte)
{
    const qsizetype at = out.size();
    out.resize(at + text.size() * (oneByte ? 1 : 2));
    char *to = out.data() + at;
    for (const QChar c : text) {
        if (oneByte) {
            *to++ = char(c.unicode());
        } else {
            qToLittleEndian(c.unicode(), to);
            to += 2;
        }
    }
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
    out.u8(oneByte ? 0 : 1);
    QByteArray bytes = out.data();
    appendCharacters(bytes, text, oneByte);
    return bytes;
}

// The shared strings: SST with CONTINUE records where it passes the record limit, and the
// EXTSST index of every eighth (or more) string. A string's header never splits; where its
// characters run on, the CONTINUE record starts with the option byte again. Records are
// written straight into the stream and their size filled in when they close.
void appendStrings(QByteArray &stream, const std::vector<QStringView> &strings, quint32 references)
{
    const int perBucket = std::max(8, int(strings.size() / 128 + 1));
    Payload index;
    index.u16(perBucket);

    qsizetype recordStart = 0; // where the open record's payload starts
    auto open = [&](quint16 id) {
        appendHeader(stream, id, 0);
        recordStart = stream.size();
    };
    auto close = [&] {
        Q_ASSERT(stream.size() - recordStart <= MaxPayload);
        qToLittleEndian(quint16(stream.size() - recordStart), stream.data() + recordStart - 2);
    };
    auto used = [&] { return stream.size() - recordStart; };

    open(Sst);
    char counts[8];
    qToLittleEndian(references, counts);
    qToLittleEndian(quint32(strings.size()), counts + 4);
    stream.append(counts, 8);
    for (std::size_t i = 0; i < strings.size(); ++i) {
        const QStringView text = strings[i];
        const bool oneByte = fitsOneByte(text);
        const int unit = oneByte ? 1 : 2;
        if (used() + 3 + (text.isEmpty() ? 0 : unit) > MaxPayload) {
            close();
            open(Continue);
        }
        if (i % std::size_t(perBucket) == 0)
            index.u32(quint32(stream.size())).u16(int(4 + used())).u16(0);
        char header[3];
        qToLittleEndian(quint16(text.size()), header);
        header[2] = char(oneByte ? 0 : 1);
        stream.append(header, 3);
        qsizetype done = 0;
        while (true) {
            const qsizetype room = (MaxPayload - used()) / unit;
            const qsizetype count = std::min(room, text.size() - done);
            appendCharacters(stream, text.mid(done, count), oneByte);
            done += count;
            if (done == text.size())
                break;
            close();
            open(Continue);
            stream.append(char(oneByte ? 0 : 1));
        }
    }
    close();
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
    using Cell = XlsSheet::Cell;
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
    // One cell record: a cell of the sheet, or a blank one that carries a border.
    struct Placed {
        int column;
        Kind kind;
        bool border;
        const Cell *cell;
    };

    static int horizontal(Align align);
    int formatOf(const QString &format);
    int xfOf(const XlsSheet::Look &look, bool border);
    int cellXf(int column, const Cell &cell, bool border);
    int stringOf(int sheetString);
    bool bordered(int row, int column) const;
    void placeRow(int row, std::vector<Placed> &placed) const;
    QByteArray globals(quint32 &sheetOffsetAt);
    QByteArray worksheet();

    const XlsSheet &m_sheet;
    QStringList m_formats;
    std::map<XfKey, int> m_xfIndex;
    std::vector<XfKey> m_xfs;
    // The XF of a cell without a look of its own, by column and border; 0 while not yet known.
    std::vector<int> m_plainXfs = std::vector<int>(2 * (MaxColumns + 1), 0);
    // The shared strings are the sheet's texts that cells show, in the order first shown.
    std::vector<QStringView> m_strings;
    std::vector<int> m_stringIndex; // by the sheet's string; -1 while not shown

    quint32 m_stringReferences = 0;
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

int XlsWriter::cellXf(int column, const Cell &cell, bool border)
{
    if (cell.look >= 0)
        return xfOf(m_sheet.lookOf(column, cell), border);
    int &known = m_plainXfs[std::size_t(2 * column + (border ? 1 : 0))];
    if (known == 0)
        known = xfOf(m_sheet.lookOf(column, cell), border);
    return known;
}

int XlsWriter::stringOf(int sheetString)
{
    ++m_stringReferences;
    int &index = m_stringIndex[std::size_t(sheetString)];
    if (index < 0) {
        index = int(m_strings.size());
        m_strings.push_back(m_sheet.m_strings.At(sheetString));
    }
    return index;
}

bool XlsWriter::bordered(int row, int column) const
{
    return std::any_of(m_sheet.m_borders.begin(), m_sheet.m_borders.end(),
                       [&](const XlsSheet::Range &range) { return range.holds(row, column); });
}

// The records of one row, left to right: every cell with a value, a look of its own or a
// border, and a blank one wherever a bordered range has no cell.
void XlsWriter::placeRow(int row, std::vector<Placed> &placed) const
{
    static const Cell Empty;
    placed.clear();
    int width = std::size_t(row) <= m_sheet.m_rowCount ? int(m_sheet.m_width) : 0;
    for (const XlsSheet::Range &range : m_sheet.m_borders) {
        if (row >= range.firstRow && row <= range.lastRow)
            width = std::max(width, range.lastColumn);
    }
    for (int column = 1; column <= width; ++column) {
        const Cell *cell = m_sheet.findCell(row, column);
        if (!cell)
            cell = &Empty;
        Kind kind = cell->kind;
        if (kind == Kind::Text && cell->text < 0)
            kind = Kind::Blank; // Excel itself keeps an empty text as a blank cell
        const bool border = bordered(row, column);
        if (kind == Kind::Blank && cell->look < 0 && !border)
            continue;
        placed.push_back({column, kind, border, cell});
    }
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
    // Flags fWin and fWinAny: last saved on, and ever edited on, Windows. Version 6 is BIFF8.
    return Payload().u16(0x0600).u16(type).u16(0x0DBB).u16(0x07CC).u32(0x00000009).u32(0x0006).data();
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
    out.reserve(qsizetype(m_sheet.m_cells.size()) * 16 + 1024);
    m_stringIndex.assign(std::size_t(m_sheet.m_strings.Size()), -1);
    append(out, Bof, bof(0x0010));
    // Excel's usual sheet options, with "fit to pages" when the template asks for a width.
    const XlsSheet::Page &page = m_sheet.m_page;
    append(out, WsBool, Payload().u16(0x04C1 | (page.fitWidth > 0 ? 0x0100 : 0)));
    append(out, Setup, Payload().u16(page.paper).u16(100).u16(1).u16(page.fitWidth).u16(0)
                           .u16(page.landscape ? 0 : 0x0002) // fPortrait; fNoPls clear: these settings hold
                           .u16(600).u16(600).f64(0.5).f64(0.5).u16(1));
    static const Cell Empty;
    for (const auto &[column, entry] : m_sheet.m_columns) {
        const int width = std::clamp(qRound(entry.width * 256), 0, 0xFFFF);
        append(out, ColInfo, Payload().u16(column - 1).u16(column - 1).u16(width).u16(cellXf(column, Empty, false)).u16(0).u16(0));
    }

    int lastRow = int(m_sheet.m_rowCount);
    for (const XlsSheet::Range &range : m_sheet.m_borders)
        lastRow = std::max(lastRow, range.lastRow);
    if (!m_sheet.m_rowHeights.empty())
        lastRow = std::max(lastRow, m_sheet.m_rowHeights.rbegin()->first);

    // The extent of the cell records, known only once they are written: filled in then.
    const qsizetype dimensionsAt = out.size() + 4;
    append(out, Dimensions, Payload().u32(0).u32(0).u16(0).u16(0).u16(0));
    int firstPlacedRow = 0;
    int lastPlacedRow = 0;
    int firstPlacedColumn = MaxColumns;
    int lastPlacedColumn = 0;

    // Blocks of 32 rows: their ROW records, then their cells; tens of thousands of small
    // records, gathered where an append costs no more than its copy.
    std::string records;
    records.reserve(m_sheet.m_cells.size() * 16);
    std::vector<std::vector<Placed>> block(RowsPerBlock);
    for (int blockFirst = 1; blockFirst <= lastRow; blockFirst += RowsPerBlock) {
        for (int i = 0; i < RowsPerBlock; ++i) {
            const int row = blockFirst + i;
            std::vector<Placed> &cells = block[std::size_t(i)];
            placeRow(row, cells);
            const auto height = m_sheet.m_rowHeights.find(row);
            const bool custom = height != m_sheet.m_rowHeights.end();
            if (cells.empty() && !custom)
                continue;
            const int twips = custom ? qRound(height->second * 20) : 0x00FF;
            const int first = cells.empty() ? 0 : cells.front().column - 1;
            const int last = cells.empty() ? 0 : cells.back().column;
            SmallRecord(Row).u16(row - 1).u16(first).u16(last).u16(twips).u16(0).u16(0)
                .u32(0x000F0100 | (custom ? 0x40 : 0)).appendTo(records);
            if (!cells.empty()) {
                if (firstPlacedRow == 0)
                    firstPlacedRow = row;
                lastPlacedRow = row;
                firstPlacedColumn = std::min(firstPlacedColumn, cells.front().column);
                lastPlacedColumn = std::max(lastPlacedColumn, cells.back().column);
            }
        }
        for (int i = 0; i < RowsPerBlock; ++i) {
            const int row = blockFirst + i;
            for (const Placed &placed : block[std::size_t(i)]) {
                const int xf = cellXf(placed.column, *placed.cell, placed.border);
                switch (placed.kind) {
                case Kind::Blank:
                    SmallRecord(Blank).u16(row - 1).u16(placed.column - 1).u16(xf).appendTo(records);
                    break;
                case Kind::Text:
                    SmallRecord(LabelSst).u16(row - 1).u16(placed.column - 1).u16(xf)
                        .u32(quint32(stringOf(placed.cell->text))).appendTo(records);
                    break;
                case Kind::Number:
                    SmallRecord(Number).u16(row - 1).u16(placed.column - 1).u16(xf).f64(placed.cell->value).appendTo(records);
                    break;
                case Kind::Formula: {
                    // Recalculated on opening, so a reader that calculates never trusts a stale value.
                    const QByteArray &parsed = m_sheet.m_formulas[std::size_t(placed.cell->formula)];
                    QByteArray record;
                    append(record, Formula,
                           Payload().u16(row - 1).u16(placed.column - 1).u16(xf).f64(placed.cell->value).u16(0x0001)
                               .u32(0).u16(int(parsed.size())).bytes(parsed));
                    records.append(record.constData(), std::size_t(record.size()));
                    break;
                }
                }
            }
        }
    }
    out.append(records.data(), qsizetype(records.size()));
    if (lastPlacedRow > 0) {
        const QByteArray dimensions = Payload().u32(quint32(firstPlacedRow - 1)).u32(quint32(lastPlacedRow))
                                          .u16(firstPlacedColumn - 1).u16(lastPlacedColumn).u16(0).data();
        std::copy(dimensions.begin(), dimensions.end(), out.begin() + dimensionsAt);
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
    // The sheet first: its LABELSST records number the shared strings the globals then hold.
    const QByteArray sheet = worksheet();
    quint32 sheetOffsetAt = 0;
    QByteArray stream = globals(sheetOffsetAt);
    qToLittleEndian(quint32(stream.size()), stream.data() + sheetOffsetAt);
    stream.reserve(stream.size() + sheet.size());
    return stream.append(sheet);
}

QByteArray XlsSheet::ToXls() const
{
    if (m_merges.size() > 1026)
        throw AppError(QStringLiteral("合并的单元格太多"));
    return CompoundFile(QStringLiteral("Workbook"), XlsWriter(*this).workbook());
}
