#include "TestPrinters.h"

#include "config/AppError.h"

namespace {

class ImageJob final : public PrintJob
{
public:
    ImageJob(ImagePrinters &owner, int dpi, int topOffset, const PageRequest &page)
        : m_owner(owner)
        , m_dpi(dpi)
        , m_topOffset(topOffset)
    {
        // A template without a paper size gets A4, as a printer would keep its own.
        const bool sized = page.widthMm > 0 && page.heightMm > 0;
        const bool landscape = page.printWay == QLatin1String("1");
        const int widthMm = !sized ? 210 : landscape ? page.heightMm : page.widthMm;
        const int heightMm = !sized ? 297 : landscape ? page.widthMm : page.heightMm;
        const QSize paper(qRound(widthMm * dpi / 25.4), qRound(heightMm * dpi / 25.4));
        // The printable area starts topOffset pixels below the paper's top edge.
        m_image = QImage(paper.width(), paper.height() - topOffset, QImage::Format_RGB32);
        m_image.fill(Qt::white);
        const int dotsPerMeter = qRound(dpi / 0.0254);
        m_image.setDotsPerMeterX(dotsPerMeter);
        m_image.setDotsPerMeterY(dotsPerMeter);
    }
    // A job nothing was painted on prints no page, as a printer's would.
    ~ImageJob() override
    {
        if (m_painted)
            m_owner.pages.append(m_image);
    }

    QPaintDevice &Device() override
    {
        m_painted = true;
        return m_image;
    }
    int DpiX() const override { return m_dpi; }
    int DpiY() const override { return m_dpi; }
    int PhysicalTopOffset() const override { return m_topOffset; }
    QSize PrintableSize() const override { return m_image.size(); }

private:
    ImagePrinters &m_owner;
    int m_dpi;
    int m_topOffset;
    QImage m_image;
    bool m_painted = false;
};

} // namespace

ImagePrinters::ImagePrinters(int dpi, int physicalTopOffset, const QStringList &installed)
    : m_dpi(dpi)
    , m_topOffset(physicalTopOffset)
    , m_installed(installed)
    , m_current(installed.value(0))
{
}

std::unique_ptr<PrintJob> ImagePrinters::Begin(const PageRequest &page)
{
    if (refuseNext) {
        refuseNext = false;
        throw AppError(QStringLiteral("打印机脱机"));
    }
    requests.append(page);
    printedOn.append(m_current);
    return std::make_unique<ImageJob>(*this, m_dpi, m_topOffset, page);
}
