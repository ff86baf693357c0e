#pragma once

#include "db/BuyerDetails.h"
#include "db/PrintRecord.h"
#include "entry/DetailsPrompt.h"

class InvoiceGridModel;

// The five buyer values of an invoice (document name, telephone, postcode, address,
// displacement) where the flows keep them: a print record's entries, and the same fields in a
// listed row, whose column is the entry's index plus one.

BuyerDetails BuyerOf(const PrintRecord &record);
void SetBuyer(PrintRecord &record, const BuyerDetails &buyer);
void SetBuyer(InvoiceGridModel &rows, int row, const BuyerDetails &buyer);

// A listed row as a print record: every cell from the second column on, trimmed.
PrintRecord RecordOfRow(const InvoiceGridModel &rows, int row);

// The details dialog's request for a listed row or for an invoice fetched as new: the invoice's
// code and number and the buyer values it already has, as they stand. A listed row gives its
// values only when it has a document name.
DetailsRequest DetailsRequestFor(const InvoiceGridModel &rows, int row);
DetailsRequest DetailsRequestFor(const PrintRecord &invoice);
