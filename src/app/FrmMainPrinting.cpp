// The main window's printing of declaration forms: on demand for the selected invoice, and the
// automatic step that prints each newly issued invoice in turn.

#include "FrmMain.h"

#include "config/ErrorDisplay.h"
#include "config/MessageBoxes.h"
#include "config/ModalDialogs.h"
#include "config/Settings.h"
#include "db/InvoiceGridModel.h"
#include "db/InvoiceQuery.h"
#include "entry/DetailsPrompt.h"
#include "print/DeclarationPrinter.h"
#include "print/FrmAdjustPrint.h"
#include "print/FrmSelectPrinter.h"
#include "print/FrmSetPrintTime.h"
#include "print/Printers.h"

#include <QTableView>
#include <QTimer>

namespace {

using Col = InvoiceGridModel::ColumnIndex;

// Grid columns of the five buyer values, and their print record entries.
struct BuyerCell {
    int column;
    PrintRecord::Field field;
};
const BuyerCell BuyerCells[] = {{Col::colDocument, PrintRecord::zjmc},
                                {4, PrintRecord::lxdh},
                                {5, PrintRecord::yzbm},
                                {6, PrintRecord::dz},
                                {Col::colDisplacement, PrintRecord::pql}};

QString answerFor(const DetailsAnswer &answer, PrintRecord::Field field)
{
    switch (field) {
    case PrintRecord::zjmc:
        return answer.documentType;
    case PrintRecord::lxdh:
        return answer.telephone;
    case PrintRecord::yzbm:
        return answer.postcode;
    case PrintRecord::dz:
        return answer.address;
    default:
        return answer.displacement;
    }
}

} // namespace

DetailsPrompt &TFrmMain::Prompt()
{
    if (!m_detailsPrompt) {
        m_ownDetailsPrompt = std::make_unique<DialogDetailsPrompt>(*m_jdc);
        m_detailsPrompt = m_ownDetailsPrompt.get();
    }
    return *m_detailsPrompt;
}

DetailsRequest TFrmMain::RowDetailsRequest(int row) const
{
    const auto cell = [this, row](int column) { return m_gridModel->Cell(row, column); };
    DetailsRequest request;
    request.invoiceNumber = cell(Col::colInvoiceNumber);
    request.invoiceCode = cell(Col::colInvoiceCode);
    if (!cell(Col::colDocument).isEmpty()) {
        request.documentType = cell(Col::colDocument);
        request.telephone = cell(4);
        request.postcode = cell(5);
        request.address = cell(6);
        request.displacement = cell(Col::colDisplacement);
    }
    return request;
}

void TFrmMain::WriteDetailsToRow(int row, const DetailsAnswer &answer)
{
    for (const BuyerCell &buyer : BuyerCells)
        m_gridModel->SetCell(row, buyer.column, answerFor(answer, buyer.field));
}

bool TFrmMain::NoPrinter()
{
    if (!m_printers->Installed().isEmpty())
        return false;
    ShowInfo(QStringLiteral("没有可使用的打印机,请先安装打印机！"));
    return true;
}

void TFrmMain::btnPrtClick()
{
    if (AppSettings().SBType == BarcodeDeclaration)
        PrintSelectedDeclaration();
    else
        ManualUpload();
}

void TFrmMain::btnPrtAdjustClick()
{
    ShowModalCentered<TFrmAdjustPrint>();
}

void TFrmMain::N13Click()
{
    EditPrintInterval(*m_printTimer, m_itemAutoPrint->isChecked());
}

bool TFrmMain::ChooseDeclarationPrinter()
{
    if (NoPrinter())
        return false;
    auto *dialog = new TfrmSelectPrinter(m_printers->Installed(), m_printers->Current());
    QString chosen;
    // The dialog is gone once it has been shown: take the choice as it closes.
    connect(dialog, &QDialog::accepted, dialog, [&chosen, dialog] { chosen = dialog->ChosenPrinter(); });
    if (ShowModalCentered(dialog) != QDialog::Accepted)
        return false;
    m_printers->SetCurrent(chosen);
    return true;
}

void TFrmMain::PrintSelectedDeclaration()
{
    if (NoPrinter())
        return;
    const QModelIndex current = m_dsGrid1->currentIndex();
    if (!current.isValid() || m_gridModel->rowCount() == 0) {
        ShowWarning(QStringLiteral("没有要打印的信息！"));
        return;
    }
    const int row = current.row();
    const std::optional<DetailsAnswer> answer = Prompt().Ask(RowDetailsRequest(row));
    if (!answer)
        return;
    WriteDetailsToRow(row, *answer);

    m_printRecord.Reset();
    for (int field = 0; field < PrintRecord::FieldCount; ++field)
        m_printRecord.SetValue(PrintRecord::Field(field), m_gridModel->Cell(row, field + 1).trimmed());
    for (const BuyerCell &buyer : BuyerCells)
        m_printRecord.SetValue(buyer.field, answerFor(*answer, buyer.field));

    if (!ChooseDeclarationPrinter())
        return;
    if (PrintDeclaration(m_printRecord.Values(), PrintRecord::FieldNames(), *m_printers, m_barcode.get()))
        ShowInfo(QStringLiteral("打印车辆基本信息表成功！"));
    else
        ShowWarning(QStringLiteral("打印车辆基本信息表失败，请重新打印！"));
}

void TFrmMain::AutoPrintNext()
{
    m_printTimer->stop();
    // An error stops this step, not the automatic printing: the same invoice comes back at the
    // next tick.
    RunGuarded([this] { AutoPrintStep(); });
    m_printTimer->start();
}

void TFrmMain::AutoPrintStep()
{
    if (NoPrinter())
        return;
    if (!FetchNextPrintRecord(*m_jdc, ReadEndTime(*m_clock), m_printRecord, m_pendingBookmark))
        return;

    DetailsRequest request;
    request.invoiceNumber = m_printRecord.Value(PrintRecord::fphm);
    request.invoiceCode = m_printRecord.Value(PrintRecord::fpdm);
    request.documentType = m_printRecord.Value(PrintRecord::zjmc);
    request.telephone = m_printRecord.Value(PrintRecord::lxdh);
    request.postcode = m_printRecord.Value(PrintRecord::yzbm);
    request.address = m_printRecord.Value(PrintRecord::dz);
    request.displacement = m_printRecord.Value(PrintRecord::pql);
    const std::optional<DetailsAnswer> answer = Prompt().Ask(request);
    if (!answer)
        return;
    for (const BuyerCell &buyer : BuyerCells)
        m_printRecord.SetValue(buyer.field, answerFor(*answer, buyer.field));
    RefreshGrid();

    if (PrintDeclaration(m_printRecord.Values(), PrintRecord::FieldNames(), *m_printers, m_barcode.get())) {
        ShowInfo(QStringLiteral("打印车辆基本信息表成功！"));
        WriteEndTime(m_pendingBookmark);
        m_pendingBookmark.clear();
    } else {
        ShowWarning(QStringLiteral("打印车辆基本信息表失败，请重新打印！"));
    }
}
