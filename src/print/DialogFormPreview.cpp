#include "DialogFormPreview.h"

#include "Printers.h"
#include "QtPrinters.h"
#include "config/MessageBoxes.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

// The printers' names as they stand, every job on the one printer given.
class PrintersOn final : public Printers
{
public:
    PrintersOn(QPrinter &printer, const Printers &names)
        : m_printer(printer)
        , m_names(names)
    {
    }
    QStringList Installed() const override { return m_names.Installed(); }
    QString Current() const override { return m_names.Current(); }
    void SetCurrent(const QString &) override {}
    std::unique_ptr<PrintJob> Begin(const PageRequest &page) override
    {
        return std::make_unique<QPrinterJob>(m_printer, page);
    }

private:
    QPrinter &m_printer;
    const Printers &m_names;
};

} // namespace

PrintOutcome PaintDeclaration(QPrinter &printer, const QStringList &values, const QStringList &names,
                              const Printers &printers, const TPDF417BarCode *barcode)
{
    PrintersOn on(printer, printers);
    return PrintDeclaration(values, names, on, barcode);
}

DialogFormPreview::DialogFormPreview(Printers &printers, const std::unique_ptr<TPDF417BarCode> &barcode)
    : m_printers(printers)
    , m_barcode(barcode)
{
}

void DialogFormPreview::Show(const QStringList &values, const QStringList &names)
{
    QPrinter printer(QPrinter::HighResolution);
    const QString current = m_printers.Current();
    if (!current.isEmpty())
        printer.setPrinterName(current);
    // The template's paper before the preview lays out its pages.
    const std::optional<PageRequest> page = DeclarationPage();
    if (!page) {
        ShowWarning(PrintFailureText({PrintOutcome::TemplateNotLoaded, {}}));
        return;
    }
    ApplyPageRequest(printer, *page);
    // A barcode that would be refused is said before the preview, not as a blank page.
    PrintOutcome outcome;
    if (DeclarationBarcode(values, printer.logicalDpiX(), printer.logicalDpiY(), m_barcode.get(), &outcome).isNull()) {
        ShowWarning(PrintFailureText(outcome));
        return;
    }
    QPrintPreviewDialog dialog(&printer);
    dialog.setWindowTitle(QStringLiteral("打印预览"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter *target) {
        PaintDeclaration(*target, values, names, m_printers, m_barcode.get());
    });
    dialog.exec();
}
