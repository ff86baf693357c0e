// The main window's upload of declaration records to the tax authority's server: on demand for
// the selected invoice, and the automatic step that uploads each newly issued invoice in turn.

#include "FrmMain.h"

#include "config/ErrorDisplay.h"
#include "config/MessageBoxes.h"
#include "config/Settings.h"
#include "db/BuyerDetails.h"
#include "db/InvoiceGridModel.h"
#include "db/InvoiceQuery.h"
#include "db/JdcConnection.h"
#include "db/SqlDialect.h"
#include "reports/TaxML.h"
#include "upload/MyIdHttp.h"

#include <QTableView>
#include <QTimer>

namespace {
const QString ServerAddressError = QStringLiteral("服务器地址错误，请检查服务器地址！");
}

std::pair<bool, QString> TFrmMain::UploadInvoice(const QString &invoiceCode, const QString &invoiceNumber)
{
    const InvoiceTaxML record = MakeInvoiceTaxML(*m_jdc, invoiceCode, invoiceNumber);
    if (record.packed.isEmpty())
        return {false, QString()};
    const SettingsValues &settings = AppSettings();
    const QString url = settings.AuthenServer + QLatin1Char('/') + settings.UploadAction;
    if (!TMyIdHttp::CheckUrl(url))
        return {false, ServerAddressError};

    TMyIdHttp http;
    http.Execute(url, {QStringLiteral("NSRSBH=") + Seller().SellerTaxNo, QStringLiteral("PASSWORD=") + settings.AuthenPwd,
                       QStringLiteral("SWJGDM=") + Seller().TaxAuthCode,
                       QStringLiteral("LENGTH=") + QString::number(record.length), QStringLiteral("Record_NUM=1"),
                       QStringLiteral("RZDATA=") + record.packed});
    if (http.ResultValue != QLatin1String("0"))
        return {false, http.ResultMessage};
    m_jdc->Execute(QStringLiteral("update Kerrowvantis set BZ='1' where jdhm=") + QuotedSql(invoiceNumber)
                   + QStringLiteral(" and jddm=") + QuotedSql(invoiceCode));
    return {true, http.ResultMessage};
}

bool TFrmMain::SelectedInvoice(QString *invoiceCode, QString *invoiceNumber)
{
    const QModelIndex current = m_dsGrid1->currentIndex();
    if (!current.isValid() || m_gridModel->rowCount() == 0) {
        ShowWarning(QStringLiteral("没有要上传的信息！"));
        return false;
    }
    *invoiceNumber = m_gridModel->Cell(current.row(), InvoiceGridModel::colInvoiceNumber);
    *invoiceCode = m_gridModel->Cell(current.row(), InvoiceGridModel::colInvoiceCode);
    return true;
}

void TFrmMain::EnsureBuyerRow(const QString &invoiceCode, const QString &invoiceNumber)
{
    // The uploaded mark lives in the buyer-details row.
    if (!BuyerDetailsExist(*m_jdc, invoiceNumber, invoiceCode))
        InsertBuyerDetails(*m_jdc, invoiceNumber, invoiceCode, {});
}

void TFrmMain::UploadSelected()
{
    QString code;
    QString number;
    if (!SelectedInvoice(&code, &number))
        return;
    const auto [accepted, message] = UploadInvoice(code, number);
    if (!accepted) {
        ShowWarning(QStringLiteral("上传失败：原因：") + message);
        return;
    }
    RefreshGrid(code, number);
    ShowInfo(message);
}

void TFrmMain::ManualUpload()
{
    QString code;
    QString number;
    if (!SelectedInvoice(&code, &number))
        return;
    RefreshGrid(code, number);
    if (AppSettings().ShowInput) {
        const int row = m_dsGrid1->currentIndex().row();
        const std::optional<DetailsAnswer> answer = Prompt().Ask(RowDetailsRequest(row));
        if (!answer)
            return;
        WriteDetailsToRow(row, *answer);
    } else {
        EnsureBuyerRow(code, number);
    }
    UploadSelected();
}

void TFrmMain::AutoUploadStep()
{
    m_printTimer->stop();
    // A database error stops this tick only: the invoice comes back at the next one.
    RunGuarded([this] { AutoUploadOnce(); });
    m_printTimer->start();
}

void TFrmMain::AutoUploadOnce()
{
    const NewInvoice invoice = FindNextNewInvoice(*m_jdc, ReadEndTime(*m_clock), m_printRecord);
    if (!invoice.found)
        return;
    RefreshGrid(invoice.invoiceCode, invoice.invoiceNumber);

    if (AppSettings().ShowInput) {
        DetailsRequest request;
        request.invoiceCode = invoice.invoiceCode;
        request.invoiceNumber = invoice.invoiceNumber;
        request.documentType = invoice.documentType;
        request.telephone = invoice.telephone;
        request.postcode = invoice.postcode;
        request.address = invoice.address;
        request.displacement = invoice.displacement;
        if (!Prompt().Ask(request))
            return;
    } else {
        EnsureBuyerRow(invoice.invoiceCode, invoice.invoiceNumber);
    }

    const auto [accepted, message] = UploadInvoice(invoice.invoiceCode, invoice.invoiceNumber);
    if (!accepted) {
        ShowWarning(message);
        return;
    }
    RefreshGrid(invoice.invoiceCode, invoice.invoiceNumber);
    ShowInfo(message);
    WriteEndTime(invoice.issueTime);
}
