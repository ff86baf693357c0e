#include "ICData.h"

#include <memory>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryFile>

#include <libxml/tree.h>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include "config/AppError.h"
#include "config/Settings.h"
#include "config/Util.h"
#include "db/InvoiceQuery.h"
#include "db/OdbcCursor.h"

namespace {

struct FreeDocument {
    void operator()(xmlDoc *doc) const { xmlFreeDoc(doc); }
};

const xmlChar *name(const char *text)
{
    return reinterpret_cast<const xmlChar *>(text);
}

// A value as UTF-8 without the controls XML 1.0 forbids, which no reader would take.
QByteArray xmlText(QStringView value)
{
    QString text;
    text.reserve(value.size());
    for (const QChar c : value) {
        if (c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r')
            text += c;
    }
    return text.toUtf8();
}

xmlNode *addChild(xmlNode *parent, const char *element, QStringView value = {})
{
    const QByteArray text = xmlText(value);
    return xmlNewTextChild(parent, nullptr, name(element), value.isNull() ? nullptr : name(text.constData()));
}

// "%10.2f" of a sum of cents, without going through a binary double.
QString totalText(qint64 sum)
{
    const qint64 whole = (sum < 0 ? -sum : sum) / 100;
    const qint64 part = (sum < 0 ? -sum : sum) % 100;
    const QString text = QStringLiteral("%1%2.%3").arg(sum < 0 ? QStringLiteral("-") : QString()).arg(whole).arg(part, 2, 10, QLatin1Char('0'));
    return text.rightJustified(10, QLatin1Char(' '));
}

} // namespace

QString ICDataMonth(const QDate &today)
{
    return today.addMonths(-1).toString(QStringLiteral("yyyy-MM"));
}

QString ICDataFileName(const QString &sellerTaxNo, const QDate &today)
{
    return QStringLiteral("SB_") + sellerTaxNo + QLatin1Char('_') + today.toString(QStringLiteral("yyyyMMdd"))
        + QStringLiteral("_JDC_QYJDCXSFPB.xml");
}

QString ShortestDecimal(QStringView text)
{
    static const QRegularExpression plain(QStringLiteral("^\\s*(-?\\d+)(?:\\.(\\d*?)0*)?\\s*$"));
    const QRegularExpressionMatch match = plain.match(text.toString());
    if (match.hasMatch())
        return match.captured(2).isEmpty() ? match.captured(1) : match.captured(1) + QLatin1Char('.') + match.captured(2);
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? QString::number(value, 'g', 15) : text.toString();
}

QByteArray MakeICDocument(TJdcConnection &connection, const QString &month, const SellerValues &seller)
{
    const QDate first = QDate::fromString(month + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"));
    OdbcCursor rows(connection, QStringLiteral("select jddm,jdhm,cd,cpxh,cjhm,jshj from bdjdcxstyfp"
                                               " where (fpbz='0' or fpbz='2') and ")
                                    + IssuedInMonth(first) + QStringLiteral(" order by kpsj"));

    const std::unique_ptr<xmlDoc, FreeDocument> doc(xmlNewDoc(name("1.0")));
    xmlNode *root = xmlNewDocNode(doc.get(), nullptr, name("JDC_QYJDCXSFPB"), nullptr);
    xmlDocSetRootElement(doc.get(), root);
    xmlNode *header = addChild(root, "JDC_QYJDCXSFPB_BTXX");
    addChild(header, "JDC_QYJDCXSFPB_NSRMC", seller.SellerName);
    addChild(header, "JDC_QYJDCXSFPB_NSRSBH", seller.SellerTaxNo);
    addChild(header, "JDC_QYJDCXSFPB_SSQ", QString(month).remove(QLatin1Char('-')));
    xmlNode *details = addChild(root, "JDC_QYJDCXSFPB_MXXX");
    static const char *const Columns[] = {"JDC_QYJDCXSFPB_FPDM", "JDC_QYJDCXSFPB_FPHM", "JDC_QYJDCXSFPB_SCQYMC",
                                          "JDC_QYJDCXSFPB_CPXH", "JDC_QYJDCXSFPB_CJHMHCLSBDM"};
    qint64 sum = 0;
    for (int number = 1; rows.Next(); ++number) {
        xmlNode *invoice = addChild(details, "JDC_QYJDCXSFPB_LC");
        addChild(invoice, "JDC_QYJDCXSFPB_XH", QString::number(number));
        for (int column = 0; column < 5; ++column)
            addChild(invoice, Columns[column], rows.Text(column));
        const QStringView amount = rows.Text(5);
        addChild(invoice, "JDC_QYJDCXSFPB_JFHJJE", amount.isEmpty() ? QString() : ShortestDecimal(amount));
        sum += AmountCents(amount);
    }
    addChild(addChild(root, "JDC_QYJDCXSFPB_HJ"), "JDC_QYJDCXSFPB_JFHJJE_HJ", totalText(sum));

    xmlChar *bytes = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc.get(), &bytes, &size, "GBK");
    if (!bytes)
        throw AppError(QStringLiteral("XML文档无法以GBK编码保存"));
    const QByteArray document(reinterpret_cast<const char *>(bytes), size);
    xmlFree(bytes);
    return document;
}

void WriteICDataFile(TJdcConnection &connection, const QString &path, const QString &month, const SellerValues &seller)
{
    const QByteArray document = MakeICDocument(connection, month, seller);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size() || !file.commit())
        throw AppError(QStringLiteral("无法写入文件%1：%2").arg(path, file.errorString()));
}

QString WriteICData(TJdcConnection &connection, const QString &folder, const QDate &today, const QDate &month,
                    const SellerValues &seller)
{
    QString path = folder;
    TUtil::IncludePathDelimiter(path);
    path += ICDataFileName(seller.SellerTaxNo, today);
    WriteICDataFile(connection, path, month.toString(QStringLiteral("yyyy-MM")), seller);
    return path;
}

#ifdef Q_OS_WIN
namespace {

// A drive is ready when its size can be read; Windows' own box for a missing medium is kept
// away meanwhile.
bool DriveReady(QChar letter)
{
    const QString root = QString(letter.toUpper()) + QStringLiteral(":\\");
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
    ULARGE_INTEGER total{};
    const bool ready = GetDiskFreeSpaceExW(reinterpret_cast<LPCWSTR>(root.utf16()), nullptr, &total, nullptr) != 0;
    SetErrorMode(previous);
    return ready;
}

} // namespace
#endif

QString FolderNotReady(const QString &filePath)
{
#ifdef Q_OS_WIN
    // A path on a drive letter asks the drive first; a network path has none and goes on to
    // the folder check.
    if (filePath.size() >= 2 && filePath[1] == QLatin1Char(':') && filePath[0].toUpper() >= QLatin1Char('A')
        && filePath[0].toUpper() <= QLatin1Char('Z') && !DriveReady(filePath[0]))
        return filePath.left(1).toUpper();
#endif
    const QString folder = QFileInfo(filePath).absolutePath();
    // A probe file, not the permission bits: those say nothing to an administrator.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".kerrowvantis-XXXXXX")));
    if (QFileInfo(folder).isDir() && probe.open())
        return {};
    return QDir::toNativeSeparators(folder);
}
