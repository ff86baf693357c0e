#pragma once

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "reports/StringPool.h"

// The one worksheet of the monthly sales list as an Excel 97-2003 workbook (BIFF8 in an OLE2
// compound file): text cells (shared strings, Unicode), number cells, a formula with its
// computed value, thin black borders, and the title, headings, fonts, column widths and number
// formats of the template it starts from. Rows and columns count from 1, as the sheet shows them.
class XlsSheet final
{
public:
    // The sheet of the template file (template/机动车销售统一发票清单.vts); raises AppError with
    // the reason when the file cannot be read or is not a template.
    static XlsSheet FromTemplate(const QString &path);

    void SetText(int row, int column, QStringView text);
    void SetNumber(int row, int column, double value);
    // formula as Excel writes it without "=", e.g. "SUM(G4:G6)"; value is stored as its result.
    void SetFormula(int row, int column, const QString &formula, double value);
    // Thin black lines on every outer and inner edge of the range.
    void SetThinBorders(int firstRow, int firstColumn, int lastRow, int lastColumn);

    // The texts the sheet shows, row by row from row 1 (numbers in the column's number format,
    // formulas as their value), each row as wide as the widest.
    QList<QStringList> Cells() const;

    // The whole .xls file.
    QByteArray ToXls() const;

    // (implementation's data members follow)
private:
    enum class Align { General, Left, Centre, Right };
    enum class Kind { Blank, Text, Number, Formula };

    struct Font {
        QString name;
        int twips = 240; // height in 1/20 point
        bool bold = false;
    };
    // What a cell of the template or of the program carries besides its value; -1 and empty
    // mean "as its column has it".
    struct Look {
        int font = -1;
        Align align = Align::General;
        QString numberFormat;
    };
    struct Column {
        double width = 8.43; // in characters of the default font
        Look look;
    };
    struct Cell {
        Kind kind = Kind::Blank;
        int look = -1;    // in m_looks; -1: as its column has it
        int formula = -1; // in m_formulas
        int text = -1;    // in m_strings; -1 for an empty text
        double value = 0;
    };
    struct Range {
        int firstRow, firstColumn, lastRow, lastColumn;
        bool holds(int row, int column) const;
    };

    Cell &cellAt(int row, int column);
    // The cell if the sheet holds one there, else nullptr.
    const Cell *findCell(int row, int column) const;
    Look lookOf(int column, const Cell &cell) const;

    QString m_sheetName = QStringLiteral("Sheet1");
    // How Excel and its kin print the sheet: paper, orientation, pages wide (0: as many as needed).
    struct Page {
        int paper = 9; // A4
        bool landscape = false;
        int fitWidth = 0;
    } m_page;
    std::vector<Font> m_fonts{Font{}};
    std::map<int, Column> m_columns;
    std::map<int, double> m_rowHeights; // in points
    // Row by row, every row m_width cells wide: a month's list is ten thousand rows of the
    // template's seven columns, kept without an allocation per row.
    std::vector<Cell> m_cells;
    std::size_t m_width = 0;
    std::size_t m_rowCount = 0;
    StringPool m_strings; // the texts of the cells
    std::vector<Look> m_looks;
    std::vector<QByteArray> m_formulas; // each formula's tokens
    std::vector<Range> m_merges;
    std::vector<Range> m_borders;

    friend class XlsWriter;
};

// The texts of the first sheet of an .xls file as another reader (freexl) sees them, row by row
// from row 1; nothing when the file cannot be read. The report window shows what the file holds.
QList<QStringList> ReadXlsCells(const QString &path);
