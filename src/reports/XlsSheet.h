#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

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

    void SetText(int row, int column, const QString &text);
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
};

// The texts of the first sheet of an .xls file as another reader (freexl) sees them, row by row
// from row 1; nothing when the file cannot be read. The report window shows what the file holds.
QList<QStringList> ReadXlsCells(const QString &path);
