#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>

// A PDF417 symbol as zxing-cpp, a reader that is not ours, finds it on an image.
struct PdfSymbol {
    QByteArray bytes;
    QRect box;
};
QList<PdfSymbol> PdfSymbolsOn(const QImage &image, bool tryHarder = false);
