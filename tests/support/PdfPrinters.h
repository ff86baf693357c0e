#pragma once

#include "print/Printers.h"

// A printer for the tests that writes each page into a PDF file through the program's own
// QPrinter job, as the print path through CUPS does.
class PdfPrinters final : public Printers
{
public:
    explicit PdfPrinters(const QString &outputFile, int dpi = 600)
        : m_outputFile(outputFile)
        , m_dpi(dpi)
    {
    }

    QStringList Installed() const override { return {QStringLiteral("PDF")}; }
    QString Current() const override { return QStringLiteral("PDF"); }
    void SetCurrent(const QString &) override {}
    std::unique_ptr<PrintJob> Begin(const PageRequest &page) override;

private:
    QString m_outputFile;
    int m_dpi;
};
