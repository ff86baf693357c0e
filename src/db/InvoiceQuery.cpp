#include "InvoiceQuery.h"

#include "InvoiceGridModel.h"
#include "JdcConnection.h"
#include "OdbcCursor.h"
#include "SqlDialect.h"
#include "config/AppError.h"
#include "config/TimeText.h"
#include "config/Util.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <tuple>

namespace {

// The candidates for the first invoice after the bookmark: those issued on the bookmark's day or
// later. Which of them comes first is decided on the issue times read as times, since a text
// column may hold them in more than one form ("2026-12-11T08:05:00" sorts after
// "2026-12-11 10:15:00.000" as text). Invoices of that day or later whose issue time is missing
// or in no date form at all come too, to be told of.
QString newInvoiceCondition(const QString &bookmarkTime)
{
    const QString day = QuotedSql(bookmarkTime.left(10));
    return QStringLiteral(" where (t.kpsj >=%1 or (t.kprq >=%1 and (t.kpsj is null or "
                          "cast(t.kpsj as varchar(40)) not like '____-__-__%'))) and t.fpbz= '0' "
                          "order by t.kpsj,t.jddm,t.jdhm")
        .arg(day);
}

using F = PrintRecord;

// Print record entries taken as the database gives them, with their result columns.
const struct {
    F::Field field;
    const char *column;
} PlainEntries[] = {
    {F::ghdw, "ghdw"},     {F::zjmc, "zjlx"},      {F::sfzhm, "sfzhm"},      {F::lxdh, "lxdh"},     {F::yzbm, "yzbm"},
    {F::dz, "lxdz"},       {F::fdjhm, "fdjhm"},    {F::sccj, "cd"},          {F::cjhm, "cjhm"},     {F::cpxh, "cpxh"},
    {F::fphm, "jdhm"},     {F::fpdm, "jddm"},      {F::pql, "pql"},          {F::zzsl, "zzssl"},    {F::dw, "dw"},
    {F::xxry, "xcrs"},     {F::xhdwsbh, "nsrsbh"}, {F::zgswjg, "zgswjg_dm"}, {F::xhdwdz, "dz"},     {F::xhdwdh, "dh"},
    {F::khyh, "khyh"},     {F::zh, "zh"}};

// The first invoice of the statement after the bookmark, in the order issue time, code and
// number, into record, and where the bookmark goes into pending. Read as text through the ODBC
// interface, so that the issue time comes in the database's full precision.
bool fetchFirst(TJdcConnection &connection, const QString &select, const IssueBookmark &bookmark, PrintRecord &record,
                IssueBookmark &pending, QList<UnreadableIssueTime> *unreadable)
{
    record.Clear();
    const std::optional<QString> after = TimeText::issueTime(bookmark.issueTime);
    if (!after)
        return false;
    OdbcCursor rows(connection, select + newInvoiceCondition(*after));
    const auto text = [&rows](const char *column) {
        const int index = rows.IndexOf(QString::fromLatin1(column));
        return index < 0 ? QString() : rows.Text(index).toString();
    };
    const auto key = [](const IssueBookmark &b) { return std::tie(b.issueTime, b.invoiceCode, b.invoiceNumber); };
    const IssueBookmark from{*after, bookmark.invoiceCode, bookmark.invoiceNumber};
    bool found = false;
    while (rows.Next()) {
        const QString kpsj = text("kpsj");
        const std::optional<QString> issued = TimeText::issueTime(kpsj);
        const IssueBookmark candidate{issued.value_or(QString()), text("jddm"), text("jdhm")};
        if (!issued) {
            if (unreadable)
                unreadable->append({candidate.invoiceCode, candidate.invoiceNumber, kpsj});
            continue;
        }
        if (key(candidate) <= key(from) || (found && key(candidate) >= key(pending)))
            continue;
        found = true;
        pending = candidate;
        record.Reset();
        for (const auto &[field, column] : PlainEntries)
            record.SetValue(field, text(column));
        record.SetValue(F::kprq, IssueDayText(text("kprq")).toString());
        record.SetValue(F::jshj, AmountText(QStringView(text("jshj"))));
        record.SetValue(F::bhsj, CentsText(text("bhsj")));
    }
    return found;
}

} // namespace

QString InvoiceText(const QString &invoiceCode, const QString &invoiceNumber)
{
    return QStringLiteral("发票代码 %1  发票号码 %2").arg(invoiceCode, invoiceNumber);
}

QString InvoiceListStatement(const InvoiceFilter &filter)
{
    QString sql = QStringLiteral(
                      "select t.*,t.jshj-t.zzsse as bhsj,p.zjlx,p.yzbm,p.lxdh,p.lxdz,p.bz as scbz from bdjdcxstyfp t "
                      "left outer join kerrowvantis p on (t.jddm=p.jddm and t.jdhm = p.jdhm ) where  t.kprq >=")
        + QuotedSql(filter.startBound) + QStringLiteral(" and t.kprq <") + QuotedSql(filter.endBound)
        + QStringLiteral(" and fpbz= '0'");
    if (const QString code = filter.invoiceCode.trimmed(); !code.isEmpty())
        sql += QStringLiteral(" and t.jddm = ") + QuotedSql(code);
    if (const QString number = filter.invoiceNumber.trimmed(); !number.isEmpty())
        sql += QStringLiteral(" and t.jdhm = ") + QuotedSql(number);
    if (filter.declarationMode == 2) {
        if (filter.uploadState == InvoiceFilter::NotUploaded)
            sql += QStringLiteral("and (p.bz='0' or p.bz is null)");
        else if (filter.uploadState == InvoiceFilter::Uploaded)
            sql += QStringLiteral(" and p.BZ=") + QStringLiteral("'1'");
    }
    return sql + QStringLiteral(" order by t.kprq,t.jddm,t.jdhm");
}

int ListInvoices(TJdcConnection &connection, const InvoiceFilter &filter, InvoiceGridModel &rows,
                 const QString &invoiceCode, const QString &invoiceNumber)
{
    OdbcCursor cursor(connection, InvoiceListStatement(filter));
    rows.Load(cursor);
    if (rows.rowCount() == 0)
        return -1;
    if (!invoiceCode.isEmpty() && !invoiceNumber.isEmpty())
        return std::max(0, rows.FindInvoice(invoiceCode, invoiceNumber));
    return 0;
}

QString FieldText(const QVariant &value)
{
    const int type = value.metaType().id();
    if (type == QMetaType::Double || type == QMetaType::Float)
        return QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest);
    return value.toString();
}

QStringView IssueDayText(QStringView kprq)
{
    return TUtil::TrimControls(kprq).left(10);
}

QString AmountText(const QVariant &value)
{
    return AmountText(QStringView(FieldText(value)));
}

QString AmountText(QStringView text)
{
    const QString cents = CentsText(text);
    if (!cents.isEmpty())
        return cents;
    // A text that is no number stays as it is: shown as another amount, it would be printed and
    // sent as that.
    const QStringView trimmed = text.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("0.00") : trimmed.toString();
}

QString CentsText(QStringView decimal)
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*([+-]?)(\\d*)(?:\\.(\\d*))?(?:[eE]([+-]?\\d{1,4}))?\\s*$"));
    const QRegularExpressionMatch match = number.match(decimal);
    if (!match.hasMatch() || match.capturedLength(2) + match.capturedLength(3) == 0)
        return {};
    // All digits, the point placed by the exponent, then cut after the third decimal.
    QString digits = match.captured(2) + match.captured(3);
    qsizetype point = match.capturedLength(2) + match.captured(4).toInt();
    if (point < 1) {
        digits.prepend(QString(1 - point, QLatin1Char('0')));
        point = 1;
    }
    if (digits.size() < point + 3)
        digits.append(QString(point + 3 - digits.size(), QLatin1Char('0')));
    bool carry = digits.at(point + 2) >= QLatin1Char('5'); // half a cent or more goes away from zero
    digits.truncate(point + 2);
    for (qsizetype i = digits.size() - 1; carry && i >= 0; --i) {
        carry = digits.at(i) == QLatin1Char('9');
        digits[i] = carry ? QLatin1Char('0') : QChar(digits.at(i).unicode() + 1);
    }
    if (carry) {
        digits.prepend(QLatin1Char('1'));
        ++point;
    }
    qsizetype start = 0;
    while (start < point - 1 && digits.at(start) == QLatin1Char('0'))
        ++start;
    const bool zero = std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c == QLatin1Char('0'); });
    const QString sign = match.capturedView(1) == QLatin1String("-") && !zero ? QStringLiteral("-") : QString();
    return sign + digits.mid(start, point - start) + QLatin1Char('.') + digits.mid(point);
}

namespace {

// The common form of an amount, a plain decimal such as "150442.48", read without a regular
// expression, for the monthly reports' thousands of rows; false sends anything else (blanks,
// exponents, very long numbers) the general way. Rounds at the third decimal as CentsText does.
bool plainDecimalCents(QStringView text, qint64 &cents)
{
    const auto digit = [&text](qsizetype i) { return i < text.size() && text[i] >= u'0' && text[i] <= u'9'; };
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == u'-';
    if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+'))
        ++i;
    qint64 whole = 0;
    int wholeDigits = 0;
    for (; digit(i); ++i, ++wholeDigits) {
        if (wholeDigits == 15)
            return false;
        whole = whole * 10 + (text[i].unicode() - u'0');
    }
    int fraction[3] = {0, 0, 0};
    int fractionDigits = 0;
    if (i < text.size() && text[i] == u'.') {
        for (++i; digit(i); ++i, ++fractionDigits) {
            if (fractionDigits < 3)
                fraction[fractionDigits] = text[i].unicode() - u'0';
        }
    }
    if (i != text.size() || wholeDigits + fractionDigits == 0)
        return false;
    const qint64 value = whole * 100 + fraction[0] * 10 + fraction[1] + (fraction[2] >= 5 ? 1 : 0);
    cents = negative ? -value : value;
    return true;
}

// The amount in whole cents; false when the text is no number or more cents than fit.
bool readCents(QStringView decimal, qint64 &cents)
{
    if (plainDecimalCents(decimal, cents))
        return true;
    bool ok = false;
    cents = CentsText(decimal).remove(QLatin1Char('.')).toLongLong(&ok);
    return ok;
}

} // namespace

qint64 AmountCents(QStringView decimal)
{
    qint64 cents = 0;
    return readCents(decimal, cents) ? cents : 0;
}

qint64 InvoiceAmountCents(QStringView amount, QStringView invoiceCode, QStringView invoiceNumber)
{
    qint64 cents = 0;
    if (readCents(amount, cents) || amount.trimmed().isEmpty())
        return cents;
    throw EConvertError(QStringLiteral("发票代码 %1、发票号码 %2 的价税合计“%3”不是有效的金额")
                            .arg(TUtil::TrimControls(invoiceCode), TUtil::TrimControls(invoiceNumber), amount));
}

QString CentsAmountText(qint64 cents)
{
    const qint64 magnitude = cents < 0 ? -cents : cents;
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString IssuedInMonth(const QDate &first)
{
    const QString format = QStringLiteral("yyyy-MM-dd");
    return QStringLiteral("kpsj >= %1 and kpsj < %2")
        .arg(QuotedSql(first.toString(format)), QuotedSql(first.addMonths(1).toString(format)));
}

bool FindNextNewInvoice(TJdcConnection &connection, const IssueBookmark &bookmark, PrintRecord &record,
                        IssueBookmark &pending, QList<UnreadableIssueTime> *unreadable)
{
    return fetchFirst(connection,
                      QStringLiteral("select t.*,p.zjlx,p.yzbm,p.lxdh,p.lxdz,p.pql from bdjdcxstyfp t left outer join "
                                     "kerrowvantis p on (t.jddm=p.jddm and t.jdhm = p.jdhm )"),
                      bookmark, record, pending, unreadable);
}

bool FetchNextPrintRecord(TJdcConnection &connection, const IssueBookmark &bookmark, PrintRecord &record,
                          IssueBookmark &pending, QList<UnreadableIssueTime> *unreadable)
{
    return fetchFirst(connection,
                      QStringLiteral("select t.*,t.jshj-t.zzsse as bhsj,p.zjlx,p.yzbm,p.lxdh,p.lxdz,p.pql from "
                                     "bdjdcxstyfp t left outer join kerrowvantis p on (t.jddm=p.jddm and t.jdhm = p.jdhm )"),
                      bookmark, record, pending, unreadable);
}
