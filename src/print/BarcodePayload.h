#pragma once

#include <QString>
#include <QStringList>

// The text the declaration form's PDF417 barcode encodes, from the print record's values:
// "#STARS#", the CRC-32 of the rest as decimal text, "^1^1^", the 24 fields each closed by "^"
// (engine number and total enciphered under the key "invoice code-invoice number"), "#END#".
QString BarcodePayload(const QStringList &values);
