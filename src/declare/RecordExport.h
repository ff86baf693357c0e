#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "DeclarationSeams.h"

class FolderBrowser;
class PrintRecord;
struct SellerValues;

// "导出" in barcode declaration: the selected invoice with its buyer's details as a small text
// file another declaration program reads: the print record, "^", and the field names.

// taxAuthCode "_" sellerTaxNo "_" yyyyMMddHHmmsszzz ".dat", made a safe file name
// (TUtil::SafeFileName).
QString RecordExportName(const QString &taxAuthCode, const QString &sellerTaxNo, const QDateTime &now);

// The file's bytes: one line per entry, "^", one line per field name; GBK, each line ended by
// CR LF.
QByteArray RecordExportText(const PrintRecord &record);

// Asks for the folder and the details of the selected row, writes the details back into the
// row and the file into the folder, through a temporary file, so that a failed write leaves
// none, and says where it went ("导出成功：" and the path). The path written, or empty when
// there was no row or the operator cancelled. Raises AppError when the file cannot be written.
QString ExportRecord(const DeclarationSeams &seams, FolderBrowser &browser, const SellerValues &seller);
