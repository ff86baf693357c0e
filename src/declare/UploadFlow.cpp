#include "UploadFlow.h"

#include "Bookmark.h"
#include "BuyerEntries.h"
#include "InvoiceList.h"
#include "config/Clock.h"
#include "config/MessageBoxes.h"
#include "config/Settings.h"
#include "db/BuyerDetails.h"
#include "db/InvoiceGridModel.h"
#include "db/InvoiceQuery.h"
#include "db/PrintRecord.h"
#include "reports/TaxML.h"
#include "upload/MyIdHttp.h"
#include "upload/UploadJournal.h"

namespace {
const QString NothingToUpload = QStringLiteral("没有要上传的信息！");
}

UploadFlow::UploadFlow(const DeclarationSeams &seams)
    : m_seams(seams)
{
}

std::pair<bool, QString> UploadFlow::UploadInvoice(const QString &invoiceCode, const QString &invoiceNumber,
                                                   const std::function<void()> &accepted)
{
    const InvoiceTaxML record = MakeInvoiceTaxML(m_seams.connection, invoiceCode, invoiceNumber);
    if (record.packed.isEmpty())
        return {false, QString()};
    const SettingsValues &settings = AppSettings();
    const QString url = settings.AuthenServer + QLatin1Char('/') + settings.UploadAction;
    if (!TMyIdHttp::CheckUrl(url))
        return {false, QStringLiteral("服务器地址错误，请检查服务器地址！")};

    TMyIdHttp http;
    const QDateTime begun = m_seams.clock.now();
    http.Execute(url, {QStringLiteral("NSRSBH=") + Seller().SellerTaxNo, QStringLiteral("PASSWORD=") + settings.AuthenPwd,
                       QStringLiteral("SWJGDM=") + Seller().TaxAuthCode,
                       QStringLiteral("LENGTH=") + QString::number(record.length), QStringLiteral("Record_NUM=1"),
                       QStringLiteral("RZDATA=") + record.packed});
    JournalExchange(JournalEntryOf(QStringLiteral("上传"), invoiceCode, invoiceNumber, http, begun));
    if (http.ResultValue != QLatin1String("0"))
        return {false, http.ResultMessage};
    if (accepted)
        accepted();
    MarkUploaded(m_seams.connection, invoiceCode, invoiceNumber);
    return {true, http.ResultMessage};
}

bool UploadFlow::SelectedInvoice(QString *invoiceCode, QString *invoiceNumber)
{
    const InvoiceGridModel &rows = m_seams.list.Rows();
    const int row = m_seams.list.CurrentRow();
    if (row < 0 || row >= rows.rowCount()) {
        ShowWarning(NothingToUpload);
        return false;
    }
    *invoiceNumber = rows.Cell(row, InvoiceGridModel::colInvoiceNumber);
    *invoiceCode = rows.Cell(row, InvoiceGridModel::colInvoiceCode);
    return true;
}

void UploadFlow::EnsureBuyerRow(const QString &invoiceCode, const QString &invoiceNumber)
{
    // The uploaded mark lives in the buyer-details row.
    if (!BuyerDetailsExist(m_seams.connection, invoiceNumber, invoiceCode))
        InsertBuyerDetails(m_seams.connection, invoiceNumber, invoiceCode, {});
}

void UploadFlow::UploadListed(const QString &invoiceCode, const QString &invoiceNumber)
{
    const auto [accepted, message] = UploadInvoice(invoiceCode, invoiceNumber);
    if (!accepted) {
        ShowWarning(QStringLiteral("上传失败：原因：") + message);
        return;
    }
    m_seams.list.Refresh(invoiceCode, invoiceNumber);
    ShowInfo(message);
}

void UploadFlow::ManualUpload()
{
    QString code;
    QString number;
    if (!SelectedInvoice(&code, &number))
        return;
    // From here on the invoice is the one remembered, wherever the fresh list puts it; when the
    // filters no longer list it, it is not uploaded.
    m_seams.list.Refresh(code, number);
    InvoiceGridModel &rows = m_seams.list.Rows();
    const int row = rows.FindInvoice(code, number);
    if (row < 0) {
        ShowWarning(NothingToUpload);
        return;
    }
    if (AppSettings().ShowInput) {
        const std::optional<BuyerDetails> answer = m_seams.prompt.Ask(DetailsRequestFor(rows, row));
        if (!answer)
            return;
        SetBuyer(rows, row, *answer);
    } else {
        EnsureBuyerRow(code, number);
    }
    UploadListed(code, number);
}

void UploadFlow::AutoUploadStep()
{
    PrintRecord invoice;
    IssueBookmark next;
    if (!FindNextNewInvoice(m_seams.connection, ReadBookmark(m_seams.clock), invoice, next))
        return;
    const QString &code = next.invoiceCode;
    const QString &number = next.invoiceNumber;
    m_seams.list.Refresh(code, number);

    if (AppSettings().ShowInput) {
        if (!m_seams.prompt.Ask(DetailsRequestFor(invoice)))
            return;
    } else {
        EnsureBuyerRow(code, number);
    }

    // Accepted: whatever happens next, this invoice is not sent again.
    const auto [accepted, message] = UploadInvoice(code, number, [&next] { WriteBookmark(next); });
    if (!accepted) {
        ShowWarning(message);
        return;
    }
    m_seams.list.Refresh(code, number);
    ShowInfo(message);
}
