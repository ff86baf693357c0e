#pragma once

#include "InvoicingSchema.h"

#include <QDateTime>
#include <QList>
#include <QString>

class TJdcConnection;

// Invented but realistic data for the demo database, the tests and the benchmarks. The same
// seed always gives the same rows.

// The one dealer of the demo database.
DemoSeller DemoSellerRow();

// count invoices of seller issued in [from, to], in increasing issue time (kpsj), numbered
// from firstNumber on; about one in twenty has fpbz '2'.
QList<DemoInvoice> GenerateDemoInvoices(int count, quint32 seed, const QDateTime &from, const QDateTime &to,
                                        const DemoSeller &seller, int firstNumber = 1);

// Inserts the invoices in one transaction.
void LoadDemoInvoices(TJdcConnection &connection, const QList<DemoInvoice> &invoices);

// Creates the buyer-details table where it is missing and fills in the details of the first
// count invoices in one transaction; about a third are marked uploaded (BZ '1').
void LoadDemoBuyerDetails(TJdcConnection &connection, const QList<DemoInvoice> &invoices, int count, quint32 seed);
