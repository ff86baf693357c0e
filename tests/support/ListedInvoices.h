#pragma once

#include "db/InvoiceGridModel.h"
#include "db/InvoiceQuery.h"
#include "declare/InvoiceList.h"

#include <QDate>

class TJdcConnection;

// The invoice list of the flows without a window: one day's invoices, the filters set by the
// test, a current row the test may move. A refresh from the given count on raises, as a
// database that went away would.
class ListedInvoices final : public InvoiceList
{
public:
    ListedInvoices(TJdcConnection &connection, const QDate &day);

    InvoiceGridModel &Rows() override { return model; }
    int CurrentRow() const override { return current; }
    void Refresh(const QString &invoiceCode = {}, const QString &invoiceNumber = {}) override;

    InvoiceFilter filter;
    InvoiceGridModel model;
    int current = -1;
    int refreshes = 0;
    int failingFrom = 0; // 0: never

private:
    TJdcConnection &m_connection;
};
