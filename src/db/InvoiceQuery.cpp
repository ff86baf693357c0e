#include "InvoiceQuery.h"

#include "JdcConnection.h"
#include "SqlDialect.h"
#include "config/TimeText.h"
#include "config/Util.h"

#include <QLocale>
#include <QSqlRecord>

namespace {

const QString NewInvoiceOrder = QStringLiteral(" order by t.kpsj,t.jddm,t.jdhm");

QString newInvoiceCondition(const QString &bookmark)
{
    return QStringLiteral(" where t.kpsj >") + QuotedSql(bookmark) + QStringLiteral(" and t.fpbz= '0'") + NewInvoiceOrder;
}

QString text(const QSqlQuery &query, const char *column)
{
    return FieldText(query.value(QString::fromLatin1(column)));
}

} // namespace

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

QString IssueTimeText(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::QDateTime)
        return TimeText::dateTime(value.toDateTime());
    const QString raw = value.toString();
    const QDateTime parsed = TimeText::parseDateTime(raw);
    return parsed.isValid() ? TimeText::dateTime(parsed) : raw;
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
    return QString::asprintf("%.2f", text.trimmed().toDouble());
}

NewInvoice FindNextNewInvoice(TJdcConnection &connection, const QString &bookmark, PrintRecord &record)
{
    QSqlQuery query = connection.Query(
        QStringLiteral("select t.*,p.zjlx,p.yzbm,p.lxdh,p.lxdz,p.pql from bdjdcxstyfp t left outer join kerrowvantis p on "
                       "(t.jddm=p.jddm and t.jdhm = p.jdhm )")
        + newInvoiceCondition(bookmark));
    NewInvoice invoice;
    if (!query.next()) {
        record.Clear();
        return invoice;
    }
    record.Reset();
    invoice.found = true;
    invoice.documentType = text(query, "zjlx");
    invoice.postcode = text(query, "yzbm");
    invoice.address = text(query, "lxdz");
    invoice.telephone = text(query, "lxdh");
    invoice.displacement = text(query, "pql");
    invoice.invoiceNumber = text(query, "jdhm");
    invoice.invoiceCode = text(query, "jddm");
    invoice.issueTime = IssueTimeText(query.value(QStringLiteral("kpsj")));
    return invoice;
}

bool FetchNextPrintRecord(TJdcConnection &connection, const QString &bookmark, PrintRecord &record,
                          QString &pendingBookmark)
{
    QSqlQuery query = connection.Query(
        QStringLiteral("select t.*,t.jshj-t.zzsse as bhsj,p.zjlx,p.yzbm,p.lxdh,p.lxdz,p.pql from bdjdcxstyfp t left "
                       "outer join kerrowvantis p on (t.jddm=p.jddm and t.jdhm = p.jdhm )")
        + newInvoiceCondition(bookmark));
    if (!query.next()) {
        record.Clear();
        return false;
    }
    record.Reset();
    using F = PrintRecord;
    const QList<QPair<F::Field, const char *>> plain{
        {F::ghdw, "ghdw"},     {F::zjmc, "zjlx"},     {F::sfzhm, "sfzhm"},  {F::lxdh, "lxdh"},  {F::yzbm, "yzbm"},
        {F::dz, "lxdz"},       {F::fdjhm, "fdjhm"},   {F::sccj, "cd"},      {F::cjhm, "cjhm"},  {F::cpxh, "cpxh"},
        {F::fphm, "jdhm"},     {F::fpdm, "jddm"},     {F::pql, "pql"},      {F::zzsl, "zzssl"}, {F::dw, "dw"},
        {F::xxry, "xcrs"},     {F::xhdwsbh, "nsrsbh"}, {F::zgswjg, "zgswjg_dm"}, {F::xhdwdz, "dz"},
        {F::xhdwdh, "dh"},     {F::khyh, "khyh"},     {F::zh, "zh"},        {F::bhsj, "bhsj"}};
    for (const auto &[field, column] : plain)
        record.SetValue(field, text(query, column));
    record.SetValue(F::kprq, IssueDayText(text(query, "kprq")).toString());
    record.SetValue(F::jshj, AmountText(query.value(QStringLiteral("jshj"))));
    pendingBookmark = IssueTimeText(query.value(QStringLiteral("kpsj")));
    return true;
}
