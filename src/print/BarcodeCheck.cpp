#include "BarcodeCheck.h"

#include <QPainter>

#include <optional>

#include <ZXing/ReadBarcode.h>

namespace {

// The quiet zone the page gives the symbol, in pixels of the symbol's own resolution.
constexpr int Margin = 40;

std::optional<QByteArray> read(const QImage &grey, bool pure)
{
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                                static_cast<int>(grey.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::PDF417);
    // A symbol of our own drawing stands straight and alone: the pure reading is the quick one.
    hints.setIsPure(pure);
    hints.setTryRotate(false);
    const ZXing::Result result = ZXing::ReadBarcode(view, hints);
    if (!result.isValid())
        return std::nullopt;
    const auto &bytes = result.bytes();
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

} // namespace

QString BarcodeCheckFailure(const QImage &symbol, const QByteArray &payload)
{
    QImage page(symbol.width() + 2 * Margin, symbol.height() + 2 * Margin, QImage::Format_Grayscale8);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.drawImage(Margin, Margin, symbol);
    }
    std::optional<QByteArray> found = read(page, true);
    if (!found)
        found = read(page, false);
    if (!found)
        return QStringLiteral("条码无法识读");
    if (*found != payload)
        return QStringLiteral("识读出的条码内容与申报数据不符");
    return {};
}
