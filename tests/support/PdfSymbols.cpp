#include "PdfSymbols.h"

#include <QPolygon>

#include <ZXing/ReadBarcode.h>

QList<PdfSymbol> PdfSymbolsOn(const QImage &image, bool tryHarder)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                                static_cast<int>(grey.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::PDF417);
    hints.setTryHarder(tryHarder);
    QList<PdfSymbol> symbols;
    for (const ZXing::Result &result : ZXing::ReadBarcodes(view, hints)) {
        const auto &bytes = result.bytes();
        const auto position = result.position();
        QPolygon corners;
        for (int i = 0; i < 4; ++i)
            corners << QPoint(position[i].x, position[i].y);
        symbols.append({QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size())),
                        corners.boundingRect()});
    }
    return symbols;
}
