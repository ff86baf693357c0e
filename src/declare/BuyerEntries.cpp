#include "BuyerEntries.h"

#include "db/InvoiceGridModel.h"

#include <functional>

namespace {

using Field = PrintRecord::Field;

const struct {
    Field field;
    QString BuyerDetails::*value;
} BuyerFields[] = {{PrintRecord::zjmc, &BuyerDetails::documentType},
                   {PrintRecord::lxdh, &BuyerDetails::telephone},
                   {PrintRecord::yzbm, &BuyerDetails::postcode},
                   {PrintRecord::dz, &BuyerDetails::address},
                   {PrintRecord::pql, &BuyerDetails::displacement}};

// The grid column of a print record entry.
constexpr int columnOf(Field field)
{
    return field + 1;
}

using Col = InvoiceGridModel::ColumnIndex;
static_assert(columnOf(PrintRecord::zjmc) == Col::colDocument && columnOf(PrintRecord::lxdh) == Col::colTelephone
              && columnOf(PrintRecord::yzbm) == Col::colPostcode && columnOf(PrintRecord::dz) == Col::colAddress
              && columnOf(PrintRecord::pql) == Col::colDisplacement && columnOf(PrintRecord::fphm) == Col::colInvoiceNumber
              && columnOf(PrintRecord::fpdm) == Col::colInvoiceCode);

DetailsRequest requestFrom(const std::function<QString(Field)> &value)
{
    DetailsRequest request;
    request.invoiceCode = value(PrintRecord::fpdm);
    request.invoiceNumber = value(PrintRecord::fphm);
    for (const auto &entry : BuyerFields)
        request.details.*entry.value = value(entry.field);
    return request;
}

} // namespace

BuyerDetails BuyerOf(const PrintRecord &record)
{
    BuyerDetails buyer;
    for (const auto &entry : BuyerFields)
        buyer.*entry.value = record.Value(entry.field);
    return buyer;
}

void SetBuyer(PrintRecord &record, const BuyerDetails &buyer)
{
    for (const auto &entry : BuyerFields)
        record.SetValue(entry.field, buyer.*entry.value);
}

void SetBuyer(InvoiceGridModel &rows, int row, const BuyerDetails &buyer)
{
    for (const auto &entry : BuyerFields)
        rows.SetCell(row, columnOf(entry.field), buyer.*entry.value);
}

PrintRecord RecordOfRow(const InvoiceGridModel &rows, int row)
{
    PrintRecord record;
    record.Reset();
    for (int field = 0; field < PrintRecord::FieldCount; ++field)
        record.SetValue(Field(field), rows.Cell(row, columnOf(Field(field))).trimmed());
    return record;
}

DetailsRequest DetailsRequestFor(const InvoiceGridModel &rows, int row)
{
    DetailsRequest request = requestFrom([&rows, row](Field field) { return rows.Cell(row, columnOf(field)); });
    // A row without a document name has no details entered yet: the dialog opens fresh.
    if (request.details.documentType.isEmpty())
        request.details = {};
    return request;
}

DetailsRequest DetailsRequestFor(const PrintRecord &invoice)
{
    return requestFrom([&invoice](Field field) { return invoice.Value(field); });
}
