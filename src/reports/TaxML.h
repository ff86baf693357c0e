#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

class TJdcConnection;
struct SellerValues;

// The tax authority's batch message for motor-vehicle sales invoices (taxML "plxxJdcxsfpMxxx",
// version SW5001-2005): one invoice packed for the upload, or a whole month for the electronic
// declaration archive. Both documents are GBK text with CR LF line ends; values are written
// without the control characters XML 1.0 forbids, so that every XML reader takes them.

// One invoice's message as the upload sends it.
struct InvoiceTaxML {
    bool found = false; // an invoice row matched
    QString packed;     // Base64 of the gzip member of the document; empty when none matched
    int length = -1;    // GBK bytes of the unpacked document; -1 when none matched
};

// The message of the invoice with that code (jddm) and number (jdhm), whatever its state flag.
// Database failures raise AppError.
InvoiceTaxML MakeInvoiceTaxML(TJdcConnection &connection, const QString &invoiceCode, const QString &invoiceNumber);

// True when the month of chosen is not later than the month of today.
bool SBSJMonthAllowed(const QDate &chosen, const QDate &today);

// "name(taxNo-yyyy-mm)", the name without characters of code 32 or less at either end, made a
// safe file name (TUtil::SafeFileName): the archive and its entry take it with ".zip" and ".xml".
QString SBSJBaseName(const QString &sellerName, const QString &sellerTaxNo, const QString &month);

// The month's document ("yyyy-mm"): every invoice of that month issued or voided with its
// buyer's details, as GBK bytes.
QByteArray MakeSBSJDocument(TJdcConnection &connection, const QString &month);

// Writes the month's archive into folder and returns its path. The archive holds the document
// deflated and encrypted with the password "taxNo-yyyy-mm". The document never touches the disk
// unencrypted, and an archive of the same name is replaced only by a complete new one. Raises
// AppError on any failure.
QString WriteSBSJArchive(TJdcConnection &connection, const QString &folder, const QDate &month,
                         const SellerValues &seller);
