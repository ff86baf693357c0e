#include "QtPrinters.h"

#include "config/AppError.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinterInfo>

void ApplyPageRequest(QPrinter &printer, const PageRequest &page)
{
    if (page.widthMm > 0 && page.heightMm > 0)
        printer.setPageSize(QPageSize(QSizeF(page.widthMm, page.heightMm), QPageSize::Millimeter, QString(),
                                      QPageSize::ExactMatch));
    if (page.printWay == QLatin1String("0"))
        printer.setPageOrientation(QPageLayout::Portrait);
    else if (page.printWay == QLatin1String("1"))
        printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(page.jobName.isEmpty() ? QStringLiteral("Kerrowvantis") : page.jobName);
}

QPrinterJob::QPrinterJob(const PageRequest &page, const std::function<void(QPrinter &)> &prepare)
    : m_own(std::make_unique<QPrinter>(QPrinter::HighResolution))
    , m_printer(*m_own)
{
    prepare(m_printer);
    ApplyPageRequest(m_printer, page);
}

QPrinterJob::QPrinterJob(QPrinter &printer, const PageRequest &page)
    : m_printer(printer)
{
    ApplyPageRequest(m_printer, page);
}

int QPrinterJob::PhysicalTopOffset() const
{
    return qRound(m_printer.pageRect(QPrinter::DevicePixel).top() - m_printer.paperRect(QPrinter::DevicePixel).top());
}

QSize QPrinterJob::PrintableSize() const
{
    return m_printer.pageRect(QPrinter::DevicePixel).size().toSize();
}

QStringList QtPrinters::Installed() const
{
    return QPrinterInfo::availablePrinterNames();
}

QString QtPrinters::Current() const
{
    return CurrentPrinterName(m_current, QPrinterInfo::defaultPrinterName(), Installed());
}

void QtPrinters::SetCurrent(const QString &name)
{
    m_current = name;
}

std::unique_ptr<PrintJob> QtPrinters::Begin(const PageRequest &page)
{
    const QString name = Current();
    return std::make_unique<QPrinterJob>(page, [&name](QPrinter &printer) {
        printer.setPrinterName(name);
        if (!printer.isValid())
            throw AppError(QStringLiteral("打印机不可用：%1").arg(name));
    });
}
