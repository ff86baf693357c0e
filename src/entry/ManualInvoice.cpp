#include "ManualInvoice.h"

#include "db/BuyerDetails.h"
#include "db/InvoiceQuery.h"
#include "db/PrintRecord.h"
#include "print/AmountToCapitals.h"

#include <QLocale>

namespace {

const QString TaxFree = QStringLiteral("免税");

// "12.5" as 125 over 10, for a rate without binary rounding; false when it is no plain decimal,
// or has more than three whole digits or four decimals.
bool decimalFraction(QStringView text, qint64 &numerator, qint64 &denominator)
{
    const qsizetype point = text.indexOf(u'.');
    const QStringView whole = point < 0 ? text : text.left(point);
    const QStringView part = point < 0 ? QStringView() : text.mid(point + 1);
    if (whole.size() + part.size() == 0 || whole.size() > 3 || part.size() > 4)
        return false;
    for (const QStringView digits : {whole, part}) {
        for (const QChar c : digits) {
            if (!c.isDigit() || c.unicode() > u'9')
                return false;
        }
    }
    numerator = 0;
    denominator = 1;
    for (const QChar c : whole)
        numerator = numerator * 10 + (c.unicode() - u'0');
    for (const QChar c : part) {
        numerator = numerator * 10 + (c.unicode() - u'0');
        denominator *= 10;
    }
    return true;
}

// t·q/d to the nearest whole, halves away from zero, for a total of up to 13 digits of cents and
// q up to 10^6, which as one product would not fit 64 bits. d is at least q.
qint64 scaledRounded(qint64 t, qint64 q, qint64 d)
{
    const bool negative = t < 0;
    if (negative)
        t = -t;
    const qint64 rest = (t % d) * q; // below d·q
    qint64 result = (t / d) * q + rest / d;
    if (2 * (rest % d) >= d)
        ++result;
    return negative ? -result : result;
}

} // namespace

InvoiceAmounts ComputeAmounts(const QString &total, const QString &rate)
{
    // The rate as p/q: 17% is 17/100, 17.5% is 175/1000; 免税, and a text that is no rate, 0.
    qint64 p = 0;
    qint64 q = 1;
    QString rateText = rate.trimmed();
    if (rateText.endsWith(u'%'))
        rateText.chop(1);
    qint64 numerator = 0;
    qint64 denominator = 1;
    if (decimalFraction(rateText, numerator, denominator)) {
        p = numerator;
        q = denominator * 100;
    }
    const QString cents = CentsText(total.trimmed());
    const qint64 totalCents = cents.isEmpty() ? 0 : AmountCents(cents);
    InvoiceAmounts amounts;
    // total / (1 + p/q) = total·q / (q + p), to the nearest cent.
    const qint64 price = scaledRounded(totalCents, q, q + p);
    amounts.priceWithoutTax = CentsAmountText(price);
    amounts.vat = CentsAmountText(totalCents - price);
    amounts.capitals = AmountToCapitals(static_cast<long double>(totalCents) / 100.0L);
    return amounts;
}

bool AmountKeyAccepted(const QString &text, QChar key)
{
    return key == u'\b' || (key >= u'0' && key <= u'9') || (key == u'.' && !text.contains(u'.'));
}

bool RateKeyAccepted(const QString &text, QChar key)
{
    return key == u'%' || AmountKeyAccepted(text, key);
}

QString FormattedTotal(const QString &total)
{
    const QString cents = CentsText(total.trimmed());
    return cents.isEmpty() ? total : cents;
}

std::optional<QString> NormalisedRate(const QString &rate)
{
    const QString text = rate.trimmed();
    if (text == TaxFree)
        return text;
    qint64 numerator = 0;
    qint64 denominator = 1;
    if (!text.endsWith(u'%') || !decimalFraction(QStringView(text).chopped(1), numerator, denominator))
        return std::nullopt;
    // Shortest form: no trailing zeros after the point, no point without decimals.
    QString number = QStringLiteral("%1").arg(numerator / denominator);
    qint64 rest = numerator % denominator;
    if (rest != 0) {
        QString decimals = QStringLiteral("%1").arg(rest, QString::number(denominator).size() - 1, 10, QLatin1Char('0'));
        while (decimals.endsWith(u'0'))
            decimals.chop(1);
        number += QLatin1Char('.') + decimals;
    }
    return number + QLatin1Char('%');
}

std::optional<ManualCheckFailure> CheckManualInvoice(const ManualInvoiceFields &f)
{
    struct Check {
        ManualField field;
        bool passes;
        const char16_t *message;
    };
    const QString total = f.total.trimmed();
    const QString cents = CentsText(total);
    const Check checks[] = {
        {ManualField::InvoiceCode, !f.invoiceCode.trimmed().isEmpty(), u"发票代码不能为空！"},
        {ManualField::InvoiceNumber, !f.invoiceNumber.trimmed().isEmpty(), u"发票号码不能为空！"},
        {ManualField::Buyer, !f.buyer.trimmed().isEmpty(), u"购货单位不能为空！"},
        {ManualField::BuyerId, !f.buyerId.isEmpty(), u"身份证号码/组织机构代码不能为空！"},
        {ManualField::VehicleType, !f.vehicleType.isEmpty(), u"车辆类型不能为空！"},
        {ManualField::Model, !f.model.trimmed().isEmpty(), u"厂牌型号不能为空！"},
        {ManualField::Origin, !f.origin.trimmed().isEmpty(), u"产地不能为空！"},
        {ManualField::Chassis, !f.chassisNumber.trimmed().isEmpty(), u"车架号码/车辆识别号码不能为空！"},
        {ManualField::Engine, !f.engineNumber.trimmed().isEmpty(), u"发动机号不能为空,如没有发动机号请选择无！"},
        {ManualField::Total, !total.isEmpty(), u"价税合计不能为空！"},
        {ManualField::Total, !cents.isEmpty(), u"价税合计只能是数值！"},
        {ManualField::Total, cents.isEmpty() || AmountCents(cents) != 0, u"价税合计不能为零！"},
    };
    for (const Check &check : checks) {
        if (!check.passes)
            return ManualCheckFailure{check.field, QString::fromUtf16(check.message)};
    }
    return std::nullopt;
}

QStringList ManualInvoiceRecord(const ManualInvoiceFields &f, const BuyerDetails &buyer)
{
    const QString engine = f.engineNumber.trimmed() == QStringLiteral("无") ? QString() : f.engineNumber;
    const QStringList entries{
        f.buyer, buyer.documentType, f.buyerId, buyer.telephone, buyer.postcode, buyer.address, engine,
        QString(), // manufacturer: the entry has no field of its own for it
        f.chassisNumber, f.model, f.invoiceDate.toString(QStringLiteral("yyyy-MM-dd")), f.invoiceNumber,
        f.invoiceCode, f.total, buyer.displacement, f.rate, f.tonnage, f.seats, f.sellerTaxNo, f.taxOffice,
        f.sellerAddress, f.sellerTelephone, f.sellerBank, f.sellerAccount};
    QStringList trimmed;
    for (const QString &entry : entries)
        trimmed << entry.trimmed();
    return trimmed;
}
