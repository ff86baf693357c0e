#pragma once

#include <QDate>
#include <QString>

class TJdcConnection;
class XlsSheet;
struct SellerValues;

// The monthly sales invoice list, "机动车销售统一发票清单": last month's invoices, issued or voided,
// filled into the template's sheet and saved as an Excel 97-2003 workbook.

// The first day of the month the list is made for: the month before today's.
QDate SaleReportMonth(const QDate &today);

// The seller's name, the month as "yyyy年MM月" and "机动车销售统一发票清单.xls", made a safe
// file name (TUtil::SafeFileName); blanks around the seller's name are kept, as the window shows it.
QString SaleReportName(const QString &sellerName, const QDate &month);

// The folder without the blanks around it and with a trailing separator.
QString SaleReportFolder(const QString &folder);

// Where the month's list is in folder: SaleReportFolder, and the name
// without the blanks around it. The window and kerrowvantis-report both look there, so a list
// made by one is the list the other finds.
QString SaleReportPath(const QString &folder, const QString &sellerName, const QDate &month);

// The template file in the program folder (AppDir).
QString SaleReportTemplatePath();

// The template's sheet filled with the month's invoices: seller, taxpayer number and month in
// row 2, one row per invoice from row 4 (nine numbered empty rows when there is none), the
// total row with its SUM formula, and thin lines around and inside the table. Raises AppError.
XlsSheet MakeSaleSheet(TJdcConnection &connection, const QString &templatePath, const QDate &month,
                       const SellerValues &seller);

// Writes the month's list as path through a temporary file beside it, so that a failure leaves
// the earlier report as it was. Raises AppError with the reason.
void WriteSaleReport(TJdcConnection &connection, const QString &templatePath, const QString &path, const QDate &month,
                     const SellerValues &seller);
