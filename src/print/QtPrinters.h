#pragma once

#include "Printers.h"

#include <QPrinter>

#include <functional>

// The paper and orientation a form asks for, on the printer.
void ApplyPageRequest(QPrinter &printer, const PageRequest &page);
// One page on a QPrinter. prepare chooses the printer (or the file) before the paper is set,
// since choosing a printer resets the page layout to its own; it raises AppError when the printer
// cannot be used. The second form prints on a printer that belongs to someone else (a preview's).
class QPrinterJob final : public PrintJob
{
public:
    QPrinterJob(const PageRequest &page, const std::function<void(QPrinter &)> &prepare);
    QPrinterJob(QPrinter &printer, const PageRequest &page);

    QPaintDevice &Device() override { return m_printer; }
    int DpiX() const override { return m_printer.logicalDpiX(); }
    int DpiY() const override { return m_printer.logicalDpiY(); }
    int PhysicalTopOffset() const override;
    QSize PrintableSize() const override;

private:
    std::unique_ptr<QPrinter> m_own;
    QPrinter &m_printer;
};

// The desktop's printers through Qt's print support.
class QtPrinters final : public Printers
{
public:
    QStringList Installed() const override;
    QString Current() const override;
    void SetCurrent(const QString &name) override;
    std::unique_ptr<PrintJob> Begin(const PageRequest &page) override;

private:
    QString m_current; // empty: the desktop's default printer
};
