#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

struct BuyerDetails;

// Manual invoice entry without its window: the amounts under the total, the key rules of the
// amount and rate fields, the checks before printing, and the record the declaration form is
// printed from. Amounts are worked in whole cents.

// The price without tax, the VAT amount ("%.2f" both) and the total in capitals. rate is "17%",
// "17.5%" or "免税"; a total that is no number counts as 0.
struct InvoiceAmounts {
    QString priceWithoutTax;
    QString vat;
    QString capitals;
};
InvoiceAmounts ComputeAmounts(const QString &total, const QString &rate);

// Whether key may go into the field that holds text: backspace, digits, one decimal point; the
// rate field takes "%" too.
bool AmountKeyAccepted(const QString &text, QChar key);
bool RateKeyAccepted(const QString &text, QChar key);

// A total as the field shows it once left: "%.2f" of a number; other texts as they are.
QString FormattedTotal(const QString &total);
// A rate as the field keeps it once left: the number in its shortest form and "%" (17.50% is
// 17.5%, 13.0% is 13%), or "免税". Nothing when it is neither.
std::optional<QString> NormalisedRate(const QString &rate);

// What the operator typed, as the checks and the record read it.
struct ManualInvoiceFields {
    QString invoiceCode, invoiceNumber;
    QDate invoiceDate;
    QString buyer, buyerId, vehicleType, model, origin;
    QString conformityNumber, importNumber, inspectionNumber;
    QString engineNumber, chassisNumber, total, rate, tonnage, seats;
    QString sellerName, sellerTaxNo, sellerAddress, sellerTelephone, sellerBank, sellerAccount, taxOffice;
};

// The fields in the order the checks take them.
enum class ManualField { InvoiceCode, InvoiceNumber, Buyer, BuyerId, VehicleType, Model, Origin, Chassis, Engine, Total };

// The first check that fails, with its message and the field to put the focus on.
struct ManualCheckFailure {
    ManualField field;
    QString message;
};
std::optional<ManualCheckFailure> CheckManualInvoice(const ManualInvoiceFields &fields);

// The 24 entries of the declaration form (the print record's first 24), each trimmed, with the
// buyer's details from the details dialog.
QStringList ManualInvoiceRecord(const ManualInvoiceFields &fields, const BuyerDetails &buyer);
