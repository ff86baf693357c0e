#include "RecordExport.h"

#include "BuyerEntries.h"
#include "InvoiceList.h"
#include "config/AppError.h"
#include "config/Clock.h"
#include "config/GbkText.h"
#include "config/MessageBoxes.h"
#include "config/Settings.h"
#include "config/Util.h"
#include "config/WholeFile.h"
#include "db/InvoiceGridModel.h"
#include "db/InvoiceQuery.h"
#include "db/PrintRecord.h"
#include "reports/FolderBrowser.h"

#include <QDir>

QString RecordExportName(const QString &taxAuthCode, const QString &sellerTaxNo, const QDateTime &now)
{
    return TUtil::SafeFileName(taxAuthCode + QLatin1Char('_') + sellerTaxNo + QLatin1Char('_')
                               + now.toString(QStringLiteral("yyyyMMddHHmmsszzz")) + QStringLiteral(".dat"));
}

QByteArray RecordExportText(const PrintRecord &record)
{
    const QString lineEnd = QStringLiteral("\r\n");
    QString text;
    for (const QString &value : record.Values())
        text += value + lineEnd;
    text += QLatin1Char('^') + lineEnd;
    for (const QString &name : PrintRecord::FieldNames())
        text += name + lineEnd;
    return Gbk::encode(text);
}

QString ExportRecord(const DeclarationSeams &seams, FolderBrowser &browser, const SellerValues &seller)
{
    InvoiceGridModel &rows = seams.list.Rows();
    const int row = seams.list.CurrentRow();
    if (row < 0 || row >= rows.rowCount()) {
        ShowWarning(QStringLiteral("没有要导出的信息！"));
        return {};
    }
    const QString name = RecordExportName(seller.TaxAuthCode, seller.SellerTaxNo, seams.clock.now());
    QString folder = browser.BrowseFromLastFolder(QStringLiteral("请选择文件存储路径"));
    if (folder.isEmpty())
        return {};
    TUtil::IncludePathDelimiter(folder);
    const QString path = folder + name;

    const std::optional<BuyerDetails> answer = seams.prompt.Ask(DetailsRequestFor(rows, row));
    if (!answer)
        return {};
    SetBuyer(rows, row, *answer);
    PrintRecord record = RecordOfRow(rows, row);
    SetBuyer(record, *answer); // as typed, not trimmed
    // Raises, naming the invoice, for an amount the database holds as no number.
    InvoiceAmountCents(record.Value(PrintRecord::jshj), record.Value(PrintRecord::fpdm),
                       record.Value(PrintRecord::fphm));

    if (const QString why = WriteWholeFile(path, RecordExportText(record)); !why.isEmpty())
        throw AppError(QStringLiteral("不能写入文件 %1：%2").arg(QDir::toNativeSeparators(path), why));
    ShowInfo(QStringLiteral("导出成功：") + QDir::toNativeSeparators(path));
    return path;
}
