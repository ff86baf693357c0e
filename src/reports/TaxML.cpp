#include "TaxML.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

#include <zip.h>

#include <QDir>
#include <QtEndian>

#include "config/AppError.h"
#include "config/Encodings.h"
#include "config/GZip.h"
#include "config/GbkText.h"
#include "config/Settings.h"
#include "config/TimeText.h"
#include "config/Util.h"
#include "config/WholeFile.h"
#include "db/InvoiceQuery.h"
#include "db/JdcConnection.h"
#include "db/OdbcCursor.h"
#include "db/SqlDialect.h"
#include "reports/XmlText.h"

namespace {

const QString CrLf = QStringLiteral("\r\n");

// The namespace names the authority's data-standards site; readers match on it, never fetch it.
const QString DocumentHead = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n"
    "<taxML xmlns=\"http://www.chinatax.gov.cn/dataspec/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    "  cnName=\"批量信息－机动车销售发票明细信息报文\" name=\"plxxJdcxsfpMxxx\" version=\"SW5001-2005\">\r\n");
const QString DocumentTail = QStringLiteral("</taxML>\r\n");

const QString BuyerJoin = QStringLiteral(" from bdjdcxstyfp t left outer join kerrowvantis p on (t.jddm=p.jddm and "
                                         "t.jdhm = p.jdhm ) ");

enum class Value { Plain, Amount, IssueDay };

// One element line: opening text, the column's value, closing text. The closing texts carry
// the blanks the authority's readers have always been given.
struct Element {
    const char *column;
    const char *opening;
    const char *closing;
    Value kind = Value::Plain;
};

const Element MonthlyRecord[] = {
    {"kprq", "<kprq>", "</kprq>"},
    {"jddm", "<fpdm>", "</fpdm> "},
    {"jdhm", "<fphm>", "</fphm> "},
    {"ghdw", "<ghdw>", "</ghdw> "},
    {"zjlx", "<nsrzjzlmc>", "</nsrzjzlmc > "},
    {"sfzhm", "<sfzhm>", "</sfzhm> "},
    {"lxdz", "<nsrdz>", " </nsrdz> "},
    {"lxdh", "<nsrdh>", " </nsrdh> "},
    {"yzbm", "<nsryb>", " </nsryb> "},
    {"fdjhm", "<fdjhm>", "</fdjhm>"},
    {"cjhm", "<cjhm>", "</cjhm>"},
    {"jshj", "<jshj>", "</jshj>", Value::Amount},
    {"nsrsbh", "<nsrsbh>", "</nsrsbh>"},
    {"dz", "<dz>", "</dz>"},
    {"dh", "<dh>", "</dh>"},
    {"khyh", "<khyh>", "</khyh>"},
    {"zh", "<zh>", "</zh>"},
    {"zgswjg_dm", "<zgswjgDm>", "</zgswjgDm>"},
    {"zzssl", "<zzssl>", "</zzssl>"},
    {"cpxh", "<cpxh>", "</cpxh>"},
    {"dw", "<dw>", "</dw>"},
    {"xcrs", "<xcrs>", "</xcrs>"},
    {"zgswjg_dm", "<sbslswjgDm>", "</sbslswjgDm >"},
};

// The message's values sit in CDATA sections; a null column is the one line without a value.
const Element InvoiceRecord[] = {
    {"jddm", "<fpdm>", "</fpdm> "},
    {"jdhm", "<fphm>", "</fphm> "},
    {"kprq", "<kprq>", "</kprq> ", Value::IssueDay},
    {"ghdw", "<ghdw>", "</ghdw> "},
    {"zjlx", "<nsrzjzlmc>", "</nsrzjzlmc> "},
    {"sfzhm", "<sfzhm>", "</sfzhm> "},
    {"lxdh", "<nsrdh>", "</nsrdh> "},
    {"lxdz", "<nsrdz>", "</nsrdz> "},
    {"yzbm", "<nsryb>", "</nsryb> "},
    {"cd", "<scqymc>", "</scqymc> "},
    {"cllx", "<cllx>", "</cllx> "},
    {"cpxh", "<cpxh>", "</cpxh> "},
    {"cd", "<cd>", "</cd> "},
    {"hgzs", "<hgzs>", "</hgzs> "},
    {"jkzmsh", "<jkzmsh>", "</jkzmsh> "},
    {"sjdh", "<sjdh>", "</sjdh> "},
    {"fdjhm", "<fdjhm>", "</fdjhm> "},
    {"cjhm", "<cjhm>", "</cjhm> "},
    {"jshj", "<jshj>", "</jshj> ", Value::Amount},
    {"xhdwmc", "<xhdwmc>", "</xhdwmc> "},
    {"nsrsbh", "<nsrsbh>", "</nsrsbh> "},
    {"dh", "<dh>", "</dh> "},
    {"zh", "<zh>", "</zh> "},
    {"dz", "<dz>", "</dz> "},
    {"khyh", "<khyh>", "</khyh> "},
    {"zzssl", "<zzssl>", "</zzssl> "},
    {"zzsse", "<zzsse>", "</zzsse> "},
    {"zgswjg_dm", "<zgswjgDm>", "</zgswjgDm> "},
    {"dw", "<dw>", "</dw> "},
    {"xcrs", "<xcrs>", "</xcrs> "},
    {"bz", "<bz>", "</bz> "},
    {"kpr", "<kpr>", "</kpr> "},
    {nullptr, "<kplx>", "</kplx> "},
    {"fpbz", "<fpbz>", "</fpbz> "},
    {"zfrq", "<zfrq>", "</zfrq> "},
    {"zfsj", "<zfsj>", "</zfsj> "},
    {"zfr", "<zfr>", "</zfr> "},
    {"tpdm", "<tpdm>", "</tpdm> "},
    {"tphm", "<tphm>", "</tphm>"},
};

// The column positions of a record's elements in a result; a missing column is a table that
// is not the invoicing program's.
std::vector<int> columnsOf(const OdbcCursor &rows, const Element *elements, size_t count)
{
    std::vector<int> columns;
    for (size_t i = 0; i < count; ++i) {
        const int column = elements[i].column ? rows.IndexOf(QString::fromLatin1(elements[i].column)) : -1;
        if (elements[i].column && column < 0)
            throw AppError(QStringLiteral("发票表中没有字段 %1").arg(QString::fromLatin1(elements[i].column)));
        columns.push_back(column);
    }
    return columns;
}

// The result columns of the invoice's code and number, which name it when a value is refused.
struct InvoiceKey {
    explicit InvoiceKey(const OdbcCursor &rows)
        : code(rows.IndexOf(QStringLiteral("jddm")))
        , number(rows.IndexOf(QStringLiteral("jdhm")))
    {
    }
    int code;
    int number;
};

QString valueText(const OdbcCursor &rows, int column, Value kind, const InvoiceKey &key)
{
    if (column < 0)
        return {};
    const QStringView text = rows.Text(column);
    switch (kind) {
    case Value::Amount:
        return CentsAmountText(InvoiceAmountCents(text, rows.Text(key.code), rows.Text(key.number)));
    case Value::IssueDay:
        return IssueDayText(text).toString();
    case Value::Plain:
        break;
    }
    return text.toString();
}

// "]]>" would end the section early: its ">" moves into a section of its own.
QString cdata(const QString &value)
{
    QString text = value;
    text.removeIf([](QChar c) { return ForbiddenInXml(c.unicode()); });
    text.replace(QLatin1String("]]>"), QLatin1String("]]]]><![CDATA[>"));
    return QStringLiteral("<![CDATA[") + text + QStringLiteral("]]>");
}

[[noreturn]] void failZip(zip_error_t *error)
{
    const QString text = QString::fromLocal8Bit(zip_error_strerror(error));
    zip_error_fini(error);
    throw AppError(QStringLiteral("生成压缩文件出错：") + text);
}

[[noreturn]] void failZip(zip_t *archive)
{
    throw AppError(QStringLiteral("生成压缩文件出错：") + QString::fromLocal8Bit(zip_strerror(archive)));
}

struct ZipSourceFree {
    void operator()(zip_source_t *source) const { zip_source_free(source); }
};
struct ZipDiscard {
    void operator()(zip_t *archive) const { zip_discard(archive); }
};

// Clears the UTF-8 flag (general-purpose bit 11) of every entry, in its central directory record
// and its local header: libzip sets it on every name it takes that reads as UTF-8, whichever
// ZIP_FL_ENC_* flag it is given. The archive is libzip's own, without a comment and not ZIP64.
void unmarkUtf8Names(QByteArray &archive)
{
    constexpr quint16 Utf8Name = 0x0800;
    constexpr qsizetype EndSize = 22;
    constexpr qsizetype CentralSize = 46;
    constexpr qsizetype LocalSize = 30;
    auto *bytes = reinterpret_cast<uchar *>(archive.data());
    const auto unmark = [&](qsizetype flagsAt) {
        qToLittleEndian<quint16>(qFromLittleEndian<quint16>(bytes + flagsAt) & ~Utf8Name, bytes + flagsAt);
    };
    const qsizetype end = archive.size() - EndSize;
    if (end < 0 || !archive.mid(end).startsWith("PK\x05\x06"))
        throw AppError(QStringLiteral("生成压缩文件出错：找不到中央目录"));
    const quint16 entries = qFromLittleEndian<quint16>(bytes + end + 10);
    qsizetype record = qFromLittleEndian<quint32>(bytes + end + 16);
    for (quint16 i = 0; i < entries; ++i) {
        if (record < 0 || record + CentralSize > end || !archive.mid(record).startsWith("PK\x01\x02"))
            throw AppError(QStringLiteral("生成压缩文件出错：中央目录不完整"));
        const qsizetype local = qFromLittleEndian<quint32>(bytes + record + 42);
        if (local + LocalSize > record || !archive.mid(local).startsWith("PK\x03\x04"))
            throw AppError(QStringLiteral("生成压缩文件出错：找不到文件头"));
        unmark(record + 8);
        unmark(local + 6);
        record += CentralSize + qFromLittleEndian<quint16>(bytes + record + 28)
            + qFromLittleEndian<quint16>(bytes + record + 30) + qFromLittleEndian<quint16>(bytes + record + 32);
    }
}

// A .ZIP archive, built in memory, holding content as its one entry: deflated at level 6 and
// encrypted with the traditional PKWARE scheme. The name goes in as its GBK bytes, without the
// UTF-8 mark, as Chinese Windows reads names.
QByteArray encryptedArchive(const QByteArray &entryName, const QByteArray &content, const QByteArray &password)
{
    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, ZipSourceFree> target(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!target)
        failZip(&error);
    std::unique_ptr<zip_t, ZipDiscard> archive(zip_open_from_source(target.get(), ZIP_TRUNCATE, &error));
    if (!archive)
        failZip(&error);
    // The archive owns the target from here on; a reference of our own outlives zip_close.
    zip_source_keep(target.get());

    zip_source_t *entry = zip_source_buffer(archive.get(), content.constData(), zip_uint64_t(content.size()), 0);
    if (!entry)
        failZip(archive.get());
    // ZIP_FL_ENC_CP437 refuses a GBK name whose bytes happen to be valid UTF-8 (某某实业); a guess
    // takes such a name as UTF-8 and marks it so, which unmarkUtf8Names undoes.
    const zip_int64_t index = zip_file_add(archive.get(), entryName.constData(), entry, ZIP_FL_ENC_GUESS);
    if (index < 0) {
        zip_source_free(entry);
        failZip(archive.get());
    }
    const auto at = zip_uint64_t(index);
    // Made on DOS: readers then take the name in the local code page.
    constexpr zip_uint32_t ArchiveAttribute = 0x20;
    if (zip_set_file_compression(archive.get(), at, ZIP_CM_DEFLATE, 6) < 0
        || zip_file_set_external_attributes(archive.get(), at, 0, ZIP_OPSYS_DOS, ArchiveAttribute) < 0
        || zip_file_set_encryption(archive.get(), at, ZIP_EM_TRAD_PKWARE, password.constData()) < 0
        || zip_close(archive.get()) < 0)
        failZip(archive.get());
    archive.release();

    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(target.get(), &stat) < 0 || !(stat.valid & ZIP_STAT_SIZE) || zip_source_open(target.get()) < 0)
        failZip(zip_source_error(target.get()));
    QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
    const zip_int64_t read = zip_source_read(target.get(), bytes.data(), stat.size);
    zip_source_close(target.get());
    if (read < 0 || zip_uint64_t(read) != stat.size)
        failZip(zip_source_error(target.get()));
    unmarkUtf8Names(bytes);
    return bytes;
}

} // namespace

InvoiceTaxML MakeInvoiceTaxML(TJdcConnection &connection, const QString &invoiceCode, const QString &invoiceNumber)
{
    OdbcCursor rows(connection, QStringLiteral("select t.*,p.zjlx,p.yzbm,p.lxdh,p.lxdz,p.pql") + BuyerJoin
                                    + QStringLiteral(" where t.jddm =") + QuotedSql(invoiceCode)
                                    + QStringLiteral(" and t.jdhm =") + QuotedSql(invoiceNumber));
    InvoiceTaxML message;
    if (!rows.Next())
        return message;
    const std::vector<int> columns = columnsOf(rows, InvoiceRecord, std::size(InvoiceRecord));
    const InvoiceKey key(rows);
    QString text = DocumentHead + QStringLiteral("<jdcxsfpMxxx>") + CrLf;
    for (size_t i = 0; i < std::size(InvoiceRecord); ++i) {
        const Element &element = InvoiceRecord[i];
        text += QLatin1String(element.opening);
        if (element.column)
            text += cdata(valueText(rows, columns[i], element.kind, key));
        text += QLatin1String(element.closing) + CrLf;
    }
    text += QStringLiteral("</jdcxsfpMxxx>") + CrLf + DocumentTail;

    const QByteArray document = TUtil::TrimControls(Gbk::encode(text));
    message.found = true;
    message.length = int(document.size());
    message.packed = Base64Encode(GZipCompress(document));
    return message;
}

bool SBSJMonthAllowed(const QDate &chosen, const QDate &today)
{
    return QDate(chosen.year(), chosen.month(), 1) <= QDate(today.year(), today.month(), 1);
}

QString SBSJBaseName(const QString &sellerName, const QString &sellerTaxNo, const QString &month)
{
    return TUtil::SafeFileName(TUtil::TrimControls(sellerName).toString() + QLatin1Char('(') + sellerTaxNo + QLatin1Char('-')
                               + month + QLatin1Char(')'));
}

QByteArray MakeSBSJDocument(TJdcConnection &connection, const QString &month)
{
    OdbcCursor rows(connection, QStringLiteral("select t.*,p.zjlx,p.yzbm,p.lxdh,p.lxdz") + BuyerJoin
                                    + QStringLiteral(" where  (t.fpbz= '0'  or  t.fpbz= '2') and  Left(t.kprq,7)= ")
                                    + QuotedSql(month) + QStringLiteral(" order by t.kprq,t.jdhm,t.jddm"));
    const std::vector<int> columns = columnsOf(rows, MonthlyRecord, std::size(MonthlyRecord));
    rows.ReadOnly(columns);
    const InvoiceKey key(rows);
    // The document is written as GBK bytes straight away, piece by piece: a month can hold tens
    // of thousands of invoices.
    Gbk::Writer writer;
    QByteArray document = Gbk::encode(DocumentHead);
    while (rows.Next()) {
        document += "<jdcxsfpMxxx>\r\n";
        for (size_t i = 0; i < std::size(MonthlyRecord); ++i) {
            const Element &element = MonthlyRecord[i];
            document += element.opening;
            if (element.kind == Value::Plain)
                AppendXmlText(document, writer, rows.Text(columns[i]));
            else
                AppendXmlText(document, writer, valueText(rows, columns[i], element.kind, key));
            document += element.closing;
            document += "\r\n";
        }
        document += "</jdcxsfpMxxx>\r\n";
    }
    document += Gbk::encode(DocumentTail);
    return document;
}

QString WriteSBSJArchive(TJdcConnection &connection, const QString &folder, const QDate &month,
                         const SellerValues &seller)
{
    const QString monthText = TimeText::month(month);
    const QString base = SBSJBaseName(seller.SellerName, seller.SellerTaxNo, monthText);
    // The document holds buyers' identity numbers and addresses: it exists only in memory
    // and, encrypted, in the archive.
    const QByteArray archive = encryptedArchive(Gbk::encode(base + QStringLiteral(".xml")),
                                                MakeSBSJDocument(connection, monthText),
                                                Gbk::encode(seller.SellerTaxNo + QLatin1Char('-') + monthText));
    const QString path = QDir(folder).filePath(base + QStringLiteral(".zip"));
    // Written beside the old archive and renamed over it, so a failure leaves the old one whole.
    if (const QString why = WriteWholeFile(path, archive); !why.isEmpty())
        throw AppError(QStringLiteral("不能写入文件 %1：%2").arg(QDir::toNativeSeparators(path), why));
    return path;
}
