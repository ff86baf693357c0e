#include "QtPrinters.h"

#include "config/AppError.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

class PrinterJob final : public PrintJob
{
public:
    PrinterJob(const QString &printerName, const PageRequest &page)
        : m_printer(QPrinter::HighResolution)
    {
        m_printer.setPrinterName(printerName);
        if (!m_printer.isValid())
            throw AppError(QStringLiteral("打印机不可用：%1").arg(printerName));
        if (page.widthMm > 0 && page.heightMm > 0)
            m_printer.setPageSize(QPageSize(QSizeF(page.widthMm, page.heightMm), QPageSize::Millimeter,
                                            QString(), QPageSize::ExactMatch));
        if (page.printWay == QLatin1String("0"))
            m_printer.setPageOrientation(QPageLayout::Portrait);
        else if (page.printWay == QLatin1String("1"))
            m_printer.setPageOrientation(QPageLayout::Landscape);
        m_printer.setDocName(QStringLiteral("车辆基本信息表"));
    }

    QPaintDevice &Device() override { return m_printer; }
    int DpiX() const override { return m_printer.logicalDpiX(); }
    int DpiY() const override { return m_printer.logicalDpiY(); }
    int PhysicalTopOffset() const override
    {
        return qRound(m_printer.pageRect(QPrinter::DevicePixel).top() - m_printer.paperRect(QPrinter::DevicePixel).top());
    }
    QSize PrintableSize() const override { return m_printer.pageRect(QPrinter::DevicePixel).size().toSize(); }

private:
    QPrinter m_printer;
};

} // namespace

QStringList QtPrinters::Installed() const
{
    return QPrinterInfo::availablePrinterNames();
}

QString QtPrinters::Current() const
{
    return m_current.isEmpty() ? QPrinterInfo::defaultPrinterName() : m_current;
}

void QtPrinters::SetCurrent(const QString &name)
{
    m_current = name;
}

std::unique_ptr<PrintJob> QtPrinters::Begin(const PageRequest &page)
{
    return std::make_unique<PrinterJob>(Current(), page);
}
