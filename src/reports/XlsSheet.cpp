#include "XlsSheet.h"

#include <algorithm>
#include <tuple>

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtEndian>

#include "config/AppError.h"
#include "config/GbkText.h"
#include "reports/CompoundFile.h"
#include "reports/XlsFormula.h"

namespace {

constexpr int MaxRows = 65536;
constexpr int MaxColumns = 256;

QString general()
{
    return QStringLiteral("General");
}

// The shortest decimal text that reads back as the same number, never in exponent form.
QString shortestDecimal(double value)
{
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

// The number as a format such as "0", "0.00", "#,##0" or "#,##0.00" shows it; other formats
// show it in general form.
QString formattedNumber(double value, const QString &format)
{
    const QString section = format.section(QLatin1Char(';'), 0, 0);
    static const QRegularExpression plain(QStringLiteral("^[#0,]*0(\\.(0+))?$"));
    const QRegularExpressionMatch match = plain.match(section);
    if (!match.hasMatch())
        return shortestDecimal(value);
    QLocale locale(QLocale::C);
    locale.setNumberOptions(section.contains(QLatin1Char(',')) ? QLocale::NumberOptions()
                                                               : QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', int(match.capturedLength(2)));
}

QString columnLetters(int column)
{
    QString letters;
    for (; column > 0; column = (column - 1) / 26)
        letters.prepend(QChar(u'A' + (column - 1) % 26));
    return letters;
}

void checkPosition(int row, int column)
{
    if (row < 1 || row > MaxRows || column < 1 || column > MaxColumns)
        throw AppError(QStringLiteral("单元格 (%1, %2) 超出工作表的范围").arg(row).arg(column));
}

} // namespace

bool XlsSheet::Range::holds(int row, int column) const
{
    return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
}

XlsSheet::Cell &XlsSheet::cellAt(int row, int column)
{
    checkPosition(row, column);
    const auto r = std::size_t(row);
    const auto c = std::size_t(column);
    if (c > m_width) {
        // Laid out again, wider: the template sets the width before the data come.
        std::vector<Cell> wider(m_rowCount * c);
        for (std::size_t i = 0; i < m_rowCount; ++i)
            std::copy_n(m_cells.begin() + std::ptrdiff_t(i * m_width), m_width, wider.begin() + std::ptrdiff_t(i * c));
        m_cells.swap(wider);
        m_width = c;
    }
    if (r > m_rowCount) {
        m_rowCount = r;
        m_cells.resize(m_rowCount * m_width);
    }
    return m_cells[(r - 1) * m_width + c - 1];
}

const XlsSheet::Cell *XlsSheet::findCell(int row, int column) const
{
    if (row < 1 || column < 1 || std::size_t(row) > m_rowCount || std::size_t(column) > m_width)
        return nullptr;
    return &m_cells[(std::size_t(row) - 1) * m_width + std::size_t(column) - 1];
}

XlsSheet::Look XlsSheet::lookOf(int column, const Cell &cell) const
{
    Look look = cell.look < 0 ? Look{} : m_looks[std::size_t(cell.look)];
    const auto found = m_columns.find(column);
    if (found != m_columns.end()) {
        const Look &columnLook = found->second.look;
        if (look.font < 0)
            look.font = columnLook.font;
        if (look.align == Align::General)
            look.align = columnLook.align;
        if (look.numberFormat.isEmpty())
            look.numberFormat = columnLook.numberFormat;
    }
    if (look.font < 0)
        look.font = 0;
    if (look.numberFormat.isEmpty())
        look.numberFormat = general();
    return look;
}

void XlsSheet::SetText(int row, int column, QStringView text)
{
    if (text.size() > 32767)
        throw AppError(QStringLiteral("单元格 %1%2 的文字超过 32767 个字符").arg(columnLetters(column)).arg(row));
    Cell &cell = cellAt(row, column);
    cell.kind = Kind::Text;
    cell.text = text.isEmpty() ? -1 : m_strings.Add(text);
}

void XlsSheet::SetNumber(int row, int column, double value)
{
    Cell &cell = cellAt(row, column);
    cell.kind = Kind::Number;
    cell.value = value;
}

void XlsSheet::SetFormula(int row, int column, const QString &formula, double value)
{
    checkPosition(row, column);
    m_formulas.push_back(ParsedXlsFormula(formula));
    Cell &cell = cellAt(row, column);
    cell.kind = Kind::Formula;
    cell.value = value;
    cell.formula = int(m_formulas.size() - 1);
}

void XlsSheet::SetThinBorders(int firstRow, int firstColumn, int lastRow, int lastColumn)
{
    checkPosition(firstRow, firstColumn);
    checkPosition(lastRow, lastColumn);
    if (firstRow > lastRow || firstColumn > lastColumn)
        throw AppError(QStringLiteral("表格线的范围不对"));
    m_borders.push_back({firstRow, firstColumn, lastRow, lastColumn});
}

QList<QStringList> XlsSheet::Cells() const
{
    int rows = int(m_rowCount);
    int columns = int(m_width);
    for (const std::vector<Range> *ranges : {&m_borders, &m_merges}) {
        for (const Range &range : *ranges) {
            rows = std::max(rows, range.lastRow);
            columns = std::max(columns, range.lastColumn);
        }
    }
    QList<QStringList> shown(rows, QStringList(columns, QString()));
    for (std::size_t r = 0; r < m_rowCount; ++r) {
        for (std::size_t c = 0; c < m_width; ++c) {
            const Cell &cell = m_cells[r * m_width + c];
            QString &text = shown[qsizetype(r)][qsizetype(c)];
            switch (cell.kind) {
            case Kind::Text:
                if (cell.text >= 0)
                    text = m_strings.At(cell.text).toString();
                break;
            case Kind::Number:
            case Kind::Formula:
                text = formattedNumber(cell.value, lookOf(int(c + 1), cell).numberFormat);
                break;
            case Kind::Blank:
                break;
            }
        }
    }
    return shown;
}

// ---------------------------------------------------------------------------------------------
// The template: an XML document of our own, in GBK like every file the program reads.
//
//   <SheetTemplate sheet="Sheet1">
//     <Font id="normal" name="宋体" size="10.5"/>            the first font is the sheet's default
//     <Column ref="G" width="14" format="#,##0.00" align="right" font="normal"/>
//     <Row number="1" height="30"/>                          height in points
//     <Page orientation="landscape" fitWidth="1"/>            printed one page wide
//     <Merge range="A1:G1"/>
//     <Cell ref="A1" font="title" align="center">text</Cell>
//   </SheetTemplate>

namespace {

[[noreturn]] void notATemplate(const QString &path, const QString &reason)
{
    throw AppError(QStringLiteral("模板文件 %1 不能读取：%2").arg(path, reason));
}

} // namespace

XlsSheet XlsSheet::FromTemplate(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        notATemplate(path, file.errorString());
    // Decoded here, not by the XML reader, so that GBK needs no converter of the platform.
    QXmlStreamReader xml(Gbk::decode(file.readAll()));

    XlsSheet sheet;
    std::map<QString, int> fonts;
    bool hasDefaultFont = false;
    auto fail = [&](const QString &reason) {
        notATemplate(path, QStringLiteral("第 %1 行：%2").arg(xml.lineNumber()).arg(reason));
    };
    auto number = [&](const QString &name, double low, double high) {
        bool ok = false;
        const double value = xml.attributes().value(name).toDouble(&ok);
        if (!ok || value < low || value > high)
            fail(QStringLiteral("属性 %1 不对").arg(name));
        return value;
    };
    auto position = [&](const QString &text, int &row, int &column) {
        if (!ParseCellReference(text, row, column))
            fail(QStringLiteral("单元格 %1 不对").arg(text));
    };
    auto look = [&](Look &into) {
        const QXmlStreamAttributes attributes = xml.attributes();
        if (attributes.hasAttribute(QLatin1String("font"))) {
            const auto found = fonts.find(attributes.value(QLatin1String("font")).toString());
            if (found == fonts.end())
                fail(QStringLiteral("没有这个字体"));
            into.font = found->second;
        }
        static const std::pair<const char *, Align> Aligns[] = {
            {"general", Align::General}, {"left", Align::Left}, {"center", Align::Centre}, {"right", Align::Right}};
        if (attributes.hasAttribute(QLatin1String("align"))) {
            const QStringView align = attributes.value(QLatin1String("align"));
            const auto found = std::find_if(std::begin(Aligns), std::end(Aligns),
                                            [&](const auto &pair) { return align == QLatin1String(pair.first); });
            if (found == std::end(Aligns))
                fail(QStringLiteral("对齐方式 %1 不对").arg(align));
            into.align = found->second;
        }
        into.numberFormat = attributes.value(QLatin1String("format")).toString();
    };

    if (!xml.readNextStartElement() || xml.name() != QLatin1String("SheetTemplate"))
        fail(QStringLiteral("不是工作表模板"));
    const QString sheetName = xml.attributes().value(QLatin1String("sheet")).toString();
    if (!sheetName.isEmpty())
        sheet.m_sheetName = sheetName.left(31);
    while (xml.readNextStartElement()) {
        const QStringView element = xml.name();
        const QXmlStreamAttributes attributes = xml.attributes();
        if (element == QLatin1String("Font")) {
            Font font;
            font.name = attributes.value(QLatin1String("name")).toString();
            if (font.name.isEmpty() || font.name.size() > 31)
                fail(QStringLiteral("字体名称不对"));
            font.twips = qRound(number(QStringLiteral("size"), 1, 409) * 20);
            font.bold = attributes.value(QLatin1String("bold")) == QLatin1String("true");
            if (hasDefaultFont)
                sheet.m_fonts.push_back(font);
            else
                sheet.m_fonts[0] = font;
            hasDefaultFont = true;
            fonts[attributes.value(QLatin1String("id")).toString()] = int(sheet.m_fonts.size() - 1);
            xml.skipCurrentElement();
        } else if (element == QLatin1String("Column")) {
            int row = 0;
            int column = 0;
            position(attributes.value(QLatin1String("ref")).toString() + QLatin1Char('1'), row, column);
            Column &entry = sheet.m_columns[column];
            if (attributes.hasAttribute(QLatin1String("width")))
                entry.width = number(QStringLiteral("width"), 0, 255);
            look(entry.look);
            xml.skipCurrentElement();
        } else if (element == QLatin1String("Row")) {
            const int row = int(number(QStringLiteral("number"), 1, MaxRows));
            sheet.m_rowHeights[row] = number(QStringLiteral("height"), 0, 409);
            xml.skipCurrentElement();
        } else if (element == QLatin1String("Page")) {
            const QStringView orientation = attributes.value(QLatin1String("orientation"));
            if (!orientation.isEmpty() && orientation != QLatin1String("portrait") && orientation != QLatin1String("landscape"))
                fail(QStringLiteral("页面方向 %1 不对").arg(orientation));
            sheet.m_page.landscape = orientation == QLatin1String("landscape");
            if (attributes.hasAttribute(QLatin1String("fitWidth")))
                sheet.m_page.fitWidth = int(number(QStringLiteral("fitWidth"), 0, 255));
            xml.skipCurrentElement();
        } else if (element == QLatin1String("Merge")) {
            const QStringList ends = attributes.value(QLatin1String("range")).toString().split(QLatin1Char(':'));
            Range range{};
            if (ends.size() != 2)
                fail(QStringLiteral("合并范围不对"));
            position(ends[0], range.firstRow, range.firstColumn);
            position(ends[1], range.lastRow, range.lastColumn);
            if (range.firstRow > range.lastRow || range.firstColumn > range.lastColumn)
                fail(QStringLiteral("合并范围不对"));
            sheet.m_merges.push_back(range);
            xml.skipCurrentElement();
        } else if (element == QLatin1String("Cell")) {
            int row = 0;
            int column = 0;
            position(attributes.value(QLatin1String("ref")).toString(), row, column);
            Look cellLook;
            look(cellLook);
            Cell &cell = sheet.cellAt(row, column);
            if (cellLook.font >= 0 || cellLook.align != Align::General || !cellLook.numberFormat.isEmpty()) {
                cell.look = int(sheet.m_looks.size());
                sheet.m_looks.push_back(cellLook);
            }
            const QString text = xml.readElementText();
            cell.kind = text.isEmpty() ? Kind::Blank : Kind::Text;
            cell.text = text.isEmpty() ? -1 : sheet.m_strings.Add(text);
        } else {
            fail(QStringLiteral("不认识的元素 %1").arg(element));
        }
    }
    if (xml.hasError())
        fail(xml.errorString());
    if (!hasDefaultFont)
        fail(QStringLiteral("没有字体"));
    return sheet;
}
