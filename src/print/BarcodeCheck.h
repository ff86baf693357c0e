#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Reads a declaration form's barcode back before paper is used: the symbol as the form places
// it, white paper around it, read with zxing-cpp. Empty when it reads back as exactly the
// payload; else why not, for the operator.
QString BarcodeCheckFailure(const QImage &symbol, const QByteArray &payload);
