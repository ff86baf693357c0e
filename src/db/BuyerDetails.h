#pragma once

#include <QString>

class TJdcConnection;

// The buyer-details table Kerrowvantis: what the invoice lacks for the declaration, and the
// upload mark, one row per invoice (jddm, jdhm).

// Creates the table when the database has none (by any case of its name), else adds each of
// its eight columns that is missing, one statement each, in the table's column order.
void EnsureBuyerTable(TJdcConnection &connection);
// A new, empty table with its key (jddm, jdhm).
void CreateBuyerTable(TJdcConnection &connection);

bool BuyerDetailsExist(TJdcConnection &connection, const QString &invoiceNumber, const QString &invoiceCode);

// The buyer's declaration details of one invoice as the declaration details dialog takes and
// gives them. The displacement only travels with them: the table never stores it.
struct BuyerDetails {
    QString documentType; // zjlx
    QString telephone;    // lxdh
    QString postcode;     // yzbm
    QString address;      // lxdz
    QString displacement; // pql, carried for the caller
};

void InsertBuyerDetails(TJdcConnection &connection, const QString &invoiceNumber, const QString &invoiceCode,
                        const BuyerDetails &details);
void UpdateBuyerDetails(TJdcConnection &connection, const QString &invoiceNumber, const QString &invoiceCode,
                        const BuyerDetails &details);
// Updates the invoice's row when it has one, else adds it.
void StoreBuyerDetails(TJdcConnection &connection, const QString &invoiceNumber, const QString &invoiceCode,
                       const BuyerDetails &details);

// Marks the invoice uploaded (BZ '1'); an invoice without a row stays without one.
void MarkUploaded(TJdcConnection &connection, const QString &invoiceCode, const QString &invoiceNumber);
