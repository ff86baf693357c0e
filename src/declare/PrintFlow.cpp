#include "PrintFlow.h"

#include "Bookmark.h"
#include "BuyerEntries.h"
#include "InvoiceList.h"
#include "PrinterChoice.h"
#include "config/MessageBoxes.h"
#include "db/InvoiceGridModel.h"
#include "db/InvoiceQuery.h"
#include "print/DeclarationPrinter.h"
#include "print/FormPreview.h"
#include "print/PDF417BarCode.h"
#include "print/Printers.h"

PrintFlow::PrintFlow(const DeclarationSeams &seams, Printers &printers, PrinterChoice &choice,
                     const std::unique_ptr<TPDF417BarCode> &barcode)
    : m_seams(seams)
    , m_printers(printers)
    , m_choice(choice)
    , m_barcode(barcode)
{
}

bool PrintFlow::NoPrinter()
{
    if (!m_printers.Installed().isEmpty())
        return false;
    ShowInfo(QStringLiteral("没有可使用的打印机,请先安装打印机！"));
    return true;
}

bool PrintFlow::ChooseDeclarationPrinter()
{
    if (NoPrinter())
        return false;
    const std::optional<QString> chosen = m_choice.Choose(m_printers.Installed(), m_printers.Current());
    if (!chosen)
        return false;
    m_printers.SetCurrent(*chosen);
    return true;
}

bool PrintFlow::PrintCurrentRecord()
{
    return PrintForm(m_record.Values());
}

bool PrintFlow::PrintForm(const QStringList &values)
{
    // The form pairs each value with the record's field of its place; a shorter record (the
    // manual entry's 24) fills the first fields only.
    const PrintOutcome outcome = PrintDeclaration(values, PrintRecord::FieldNames(), m_printers, m_barcode.get());
    if (outcome.status == PrintOutcome::Printed)
        return true;
    ShowWarning(PrintFailureText(outcome));
    return false;
}

bool PrintFlow::AskForSelectedRecord()
{
    InvoiceGridModel &rows = m_seams.list.Rows();
    const int row = m_seams.list.CurrentRow();
    if (row < 0 || row >= rows.rowCount()) {
        ShowWarning(QStringLiteral("没有要打印的信息！"));
        return false;
    }
    const std::optional<BuyerDetails> answer = m_seams.prompt.Ask(DetailsRequestFor(rows, row));
    if (!answer)
        return false;
    SetBuyer(rows, row, *answer);
    m_record = RecordOfRow(rows, row);
    SetBuyer(m_record, *answer);
    return true;
}

void PrintFlow::PrintSelectedDeclaration()
{
    if (NoPrinter() || !AskForSelectedRecord() || !ChooseDeclarationPrinter())
        return;
    if (PrintCurrentRecord())
        ShowInfo(QStringLiteral("打印车辆基本信息表成功！"));
}

void PrintFlow::PreviewSelectedDeclaration(FormPreview &preview)
{
    if (AskForSelectedRecord())
        preview.Show(m_record.Values(), PrintRecord::FieldNames());
}

void PrintFlow::AutoPrintNext()
{
    if (NoPrinter())
        return;
    IssueBookmark pending;
    QList<UnreadableIssueTime> unreadable;
    const bool found = FetchNextPrintRecord(m_seams.connection, m_seams.bookmark.Read(), m_record, pending, &unreadable);
    m_seams.bookmark.TellUnreadable(unreadable);
    if (!found)
        return;
    const std::optional<BuyerDetails> answer = m_seams.prompt.Ask(DetailsRequestFor(m_record));
    if (!answer)
        return;
    SetBuyer(m_record, *answer);
    m_seams.list.Refresh();

    if (!PrintCurrentRecord())
        return;
    // The form is on its way: whatever happens next, this invoice is not printed again.
    m_seams.bookmark.Advance(pending);
    m_seams.bookmark.Store();
    ShowInfo(QStringLiteral("打印车辆基本信息表成功！"));
}
