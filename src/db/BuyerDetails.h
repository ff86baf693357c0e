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

// The details of one invoice as the declaration details dialog takes them.
struct BuyerDetails {
    QString documentType; // zjlx
    QString postcode;     // yzbm
    QString address;      // lxdz
    QString telephone;    // lxdh
};

void InsertBuyerDetails(TJdcConnection &connection, const QString &invoiceNumber, const QString &invoiceCode,
                        const BuyerDetails &details);
void UpdateBuyerDetails(TJdcConnection &connection, const QString &invoiceNumber, const QString &invoiceCode,
                        const BuyerDetails &details);
