#include "SaleReport.h"


#include "XlsSheet.h"
#include "config/AppError.h"
#include "config/Settings.h"
#include "config/Util.h"
#include "config/WholeFile.h"
#include "db/InvoiceQuery.h"
#include "db/OdbcCursor.h"

namespace {

// The list's columns B to F as the query gives them; G is the amount.
constexpr int TextColumns = 5;
constexpr int AmountColumn = 7;
constexpr int FirstDataRow = 4;
constexpr int EmptyRows = 9;

// The count as text in the buffer, without an allocation per row.
QStringView decimal(int count, char16_t (&buffer)[12])
{
    char16_t *end = buffer + 12;
    char16_t *at = end;
    do {
        *--at = char16_t(u'0' + count % 10);
        count /= 10;
    } while (count > 0);
    return QStringView(at, end);
}

QString monthText(const QDate &month)
{
    return month.toString(QStringLiteral("yyyy年MM月"));
}

} // namespace

QDate SaleReportMonth(const QDate &today)
{
    return QDate(today.year(), today.month(), 1).addMonths(-1);
}

QString SaleReportName(const QString &sellerName, const QDate &month)
{
    return TUtil::SafeFileName(sellerName + monthText(month) + QStringLiteral("机动车销售统一发票清单.xls"));
}

QString SaleReportFolder(const QString &folder)
{
    QString path = TUtil::TrimControls(folder).toString();
    TUtil::IncludePathDelimiter(path);
    return path;
}

QString SaleReportPath(const QString &folder, const QString &sellerName, const QDate &month)
{
    return SaleReportFolder(folder) + TUtil::TrimControls(SaleReportName(sellerName, month)).toString();
}

QString SaleReportTemplatePath()
{
    return AppSettings().AppDir + QStringLiteral("template/机动车销售统一发票清单.vts");
}

XlsSheet MakeSaleSheet(TJdcConnection &connection, const QString &templatePath, const QDate &month,
                       const SellerValues &seller)
{
    XlsSheet sheet = XlsSheet::FromTemplate(templatePath);
    sheet.SetText(2, 1, QStringLiteral("企业名称：") + seller.SellerName);
    sheet.SetText(2, 4, QStringLiteral("纳税人识别号：") + seller.SellerTaxNo);
    sheet.SetText(2, 6, QStringLiteral("所属期限：") + monthText(month));

    OdbcCursor rows(connection, QStringLiteral("select jddm,jdhm,cd,cpxh,cjhm,jshj from bdjdcxstyfp"
                                               " where (fpbz='0' or fpbz='2') and ")
                                    + IssuedInMonth(month) + QStringLiteral(" order by jddm,jdhm,kpsj"));
    rows.KeepNumberText(); // amounts are summed from the database's own digits
    int count = 0;
    qint64 totalCents = 0;
    while (rows.Next()) {
        const int row = FirstDataRow + count;
        ++count;
        char16_t number[12];
        sheet.SetText(row, 1, decimal(count, number));
        for (int column = 0; column < TextColumns; ++column)
            sheet.SetText(row, column + 2, TUtil::TrimControls(rows.Text(column)));
        const qint64 cents = InvoiceAmountCents(rows.Text(TextColumns), rows.Text(0), rows.Text(1));
        totalCents += cents;
        sheet.SetNumber(row, AmountColumn, double(cents) / 100.0);
    }
    if (count == 0) {
        for (; count < EmptyRows; ++count) {
            sheet.SetText(FirstDataRow + count, 1, QString::number(count + 1));
            for (int column = 2; column <= AmountColumn; ++column)
                sheet.SetText(FirstDataRow + count, column, QString());
        }
    }
    const int totalRow = FirstDataRow + count;
    sheet.SetText(totalRow, 1, QStringLiteral("合计"));
    sheet.SetFormula(totalRow, AmountColumn, QStringLiteral("SUM(G4:G%1)").arg(totalRow - 1), double(totalCents) / 100.0);
    sheet.SetThinBorders(FirstDataRow - 1, 1, totalRow, AmountColumn);
    return sheet;
}

void WriteSaleReport(TJdcConnection &connection, const QString &templatePath, const QString &path, const QDate &month,
                     const SellerValues &seller)
{
    const QByteArray bytes = MakeSaleSheet(connection, templatePath, month, seller).ToXls();
    if (const QString why = WriteWholeFile(path, bytes); !why.isEmpty())
        throw AppError(QStringLiteral("无法写入报表文件%1：%2").arg(path, why));
}
