#include "PdfPrinters.h"

#include "print/QtPrinters.h"

#include <QPageLayout>
#include <QPrinter>

std::unique_ptr<PrintJob> PdfPrinters::Begin(const PageRequest &page)
{
    const QString file = m_outputFile;
    const int dpi = m_dpi;
    return std::make_unique<QPrinterJob>(page, [&file, dpi](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setResolution(dpi);
        // Margins, so that the page has a physical top offset as a real printer's does.
        printer.setPageMargins(QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
    });
}
