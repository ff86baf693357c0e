#include "BuyerEntries.h"

#include "db/InvoiceGridModel.h"

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

// A listed row as a print record, its cells trimmed or as they stand.
PrintRecord recordOfRow(const InvoiceGridModel &rows, int row, bool trimmed)
{
    PrintRecord record;
    record.Reset();
    for (int field = 0; field < PrintRecord::FieldCount; ++field) {
        const QString cell = rows.Cell(row, columnOf(Field(field)));
        record.SetValue(Field(field), trimmed ? cell.trimmed() : cell);
    }
    return record;
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
    return recordOfRow(rows, row, true);
}

DetailsRequest DetailsRequestFor(const InvoiceGridModel &rows, int row)
{
    DetailsRequest request = DetailsRequestFor(recordOfRow(rows, row, false));
    // A row without a document name has no details entered yet: the dialog opens fresh.
    if (request.details.documentType.isEmpty())
        request.details = {};
    return request;
}

DetailsRequest DetailsRequestFor(const PrintRecord &invoice)
{
    return {invoice.Value(PrintRecord::fpdm), invoice.Value(PrintRecord::fphm), BuyerOf(invoice)};
}
