#pragma once

#include "DeclarationPrinter.h"
#include "FormPreview.h"

#include <memory>

class Printers;
class QPrinter;
class TPDF417BarCode;

// Paints one declaration form on a printer the caller made (the preview's, or the printer it
// prints on from there), through the same drawing and checks as every printed form.
PrintOutcome PaintDeclaration(QPrinter &printer, const QStringList &values, const QStringList &names,
                              const Printers &printers, const TPDF417BarCode *barcode);

// Qt's print preview of the form on the current printer's page (the template's paper, the
// operator's offsets, the barcode), from which the operator may print it.
class DialogFormPreview final : public FormPreview
{
public:
    DialogFormPreview(Printers &printers, const std::unique_ptr<TPDF417BarCode> &barcode);
    void Show(const QStringList &values, const QStringList &names) override;

private:
    Printers &m_printers;
    const std::unique_ptr<TPDF417BarCode> &m_barcode;
};
