#pragma once

#include "DeclarationSeams.h"
#include "db/PrintRecord.h"

#include <memory>

class FormPreview;
class PrinterChoice;
class Printers;
class TPDF417BarCode;

// Barcode declaration: the declaration form of the selected invoice on demand, and one step of
// the automatic printing of newly issued invoices, one invoice per step in issue-time order.
class PrintFlow final
{
public:
    // barcode is the binding start-up makes (or leaves empty) after the flow exists.
    PrintFlow(const DeclarationSeams &seams, Printers &printers, PrinterChoice &choice,
              const std::unique_ptr<TPDF417BarCode> &barcode);
    PrintFlow(const PrintFlow &) = delete;
    PrintFlow &operator=(const PrintFlow &) = delete;

    void PrintSelectedDeclaration();
    // "打印预览": the selected invoice's form after the same details dialog, in the preview,
    // from which it may be printed. Needs no printer; never moves the bookmark.
    void PreviewSelectedDeclaration(FormPreview &preview);
    // One step; the caller keeps the polling timer stopped while it runs. The bookmark moves
    // as soon as the form went to the printer; a cancelled dialog or a failed print brings the
    // same invoice back at the next step.
    void AutoPrintNext();
    // Lets the operator pick the printer; false when there is none or the choice was cancelled.
    bool ChooseDeclarationPrinter();
    // Prints one declaration form on the chosen printer, warning when it could not; true when
    // the form was printed. The manual invoice entry prints its record through this.
    bool PrintForm(const QStringList &values);

    const PrintRecord &CurrentRecord() const { return m_record; }

private:
    bool NoPrinter();
    // The details of the selected row asked and the current record made from it; false when
    // there is no row (said so) or the dialog was cancelled.
    bool AskForSelectedRecord();
    // Prints the current record, warning when it could not; true when the form was printed.
    bool PrintCurrentRecord();

    DeclarationSeams m_seams;
    Printers &m_printers;
    PrinterChoice &m_choice;
    const std::unique_ptr<TPDF417BarCode> &m_barcode;
    PrintRecord m_record;
};
