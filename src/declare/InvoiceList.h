#pragma once

#include <QString>

class InvoiceGridModel;

// The invoice list as the declaration flows see it: the listed rows, the one the operator has
// selected, and a fresh listing of the dates and filters the window shows.
class InvoiceList
{
public:
    virtual ~InvoiceList() = default;
    virtual InvoiceGridModel &Rows() = 0;
    // The selected row, or -1 when none is.
    virtual int CurrentRow() const = 0;
    // Lists the invoices again, selecting the invoice with that code and number when it is listed.
    virtual void Refresh(const QString &invoiceCode = {}, const QString &invoiceNumber = {}) = 0;
};
