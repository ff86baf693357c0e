#include "ICData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX // the headers below use std::min and std::max
#endif
#include <windows.h>
#endif

#include "config/AppError.h"
#include "config/Settings.h"
#include "config/Util.h"
#include "config/WholeFile.h"
#include "db/InvoiceQuery.h"
#include "db/OdbcCursor.h"
#include "reports/XmlText.h"

QString ICDataMonth(const QDate &today)
{
    return today.addMonths(-1).toString(QStringLiteral("yyyy-MM"));
}

QString ICDataFileName(const QString &sellerTaxNo, const QDate &today)
{
    return TUtil::SafeFileName(QStringLiteral("SB_") + sellerTaxNo + QLatin1Char('_')
                               + today.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("_JDC_QYJDCXSFPB.xml"));
}

QString ShortestDecimal(QStringView text)
{
    // The common form, digits with perhaps a point and decimals, read without a regular
    // expression: the file lists every invoice of the month.
    const auto digit = [&text](qsizetype i) { return i < text.size() && text[i] >= u'0' && text[i] <= u'9'; };
    qsizetype end = text.startsWith(u'-') ? 1 : 0;
    const qsizetype digitsFrom = end;
    while (digit(end))
        ++end;
    if (end > digitsFrom) {
        qsizetype at = end;
        if (at < text.size() && text[at] == u'.') {
            for (++at; digit(at); ++at) {
                if (text[at] != u'0')
                    end = at + 1; // decimals up to the last that is not 0
            }
        }
        if (at == text.size())
            return text.left(end).toString();
    }
    static const QRegularExpression plain(QStringLiteral("^\\s*(-?\\d+)(?:\\.(\\d*?)0*)?\\s*$"));
    const QRegularExpressionMatch match = plain.match(text.toString());
    if (match.hasMatch())
        return match.captured(2).isEmpty() ? match.captured(1) : match.captured(1) + QLatin1Char('.') + match.captured(2);
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? QString::number(value, 'g', 15) : text.toString();
}

// The document is streamed, element by element, straight into its GBK bytes: a tree of the
// month's invoices in an XML library, saved through its converter, took four times as long as
// reading them. No blanks between elements, as a document saved without indentation has none.
QByteArray MakeICDocument(TJdcConnection &connection, const QString &month, const SellerValues &seller)
{
    const QDate first = QDate::fromString(month + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"));
    OdbcCursor rows(connection, QStringLiteral("select jddm,jdhm,cd,cpxh,cjhm,jshj from bdjdcxstyfp"
                                               " where (fpbz='0' or fpbz='2') and ")
                                    + IssuedInMonth(first) + QStringLiteral(" order by kpsj"));
    rows.KeepNumberText(); // amounts are written and summed from the database's own digits

    QByteArray out;
    Gbk::Writer writer;
    const auto open = [&out](const char *element) { out.append('<').append(element).append('>'); };
    const auto close = [&out](const char *element) { out.append("</").append(element).append('>'); };
    const auto leaf = [&](const char *element, QStringView value) {
        open(element);
        AppendXmlText(out, writer, value);
        close(element);
    };

    out.append("<?xml version=\"1.0\" encoding=\"GBK\"?>\n");
    open("JDC_QYJDCXSFPB");
    open("JDC_QYJDCXSFPB_BTXX");
    leaf("JDC_QYJDCXSFPB_NSRMC", seller.SellerName);
    leaf("JDC_QYJDCXSFPB_NSRSBH", seller.SellerTaxNo);
    leaf("JDC_QYJDCXSFPB_SSQ", QString(month).remove(QLatin1Char('-')));
    close("JDC_QYJDCXSFPB_BTXX");
    open("JDC_QYJDCXSFPB_MXXX");
    static const char *const Columns[] = {"JDC_QYJDCXSFPB_FPDM", "JDC_QYJDCXSFPB_FPHM", "JDC_QYJDCXSFPB_SCQYMC",
                                          "JDC_QYJDCXSFPB_CPXH", "JDC_QYJDCXSFPB_CJHMHCLSBDM"};
    qint64 sum = 0;
    for (int number = 1; rows.Next(); ++number) {
        open("JDC_QYJDCXSFPB_LC");
        open("JDC_QYJDCXSFPB_XH");
        out.append(QByteArray::number(number));
        close("JDC_QYJDCXSFPB_XH");
        for (int column = 0; column < 5; ++column)
            leaf(Columns[column], rows.Text(column));
        const QStringView amount = rows.Text(5);
        sum += InvoiceAmountCents(amount, rows.Text(0), rows.Text(1));
        leaf("JDC_QYJDCXSFPB_JFHJJE", amount.isEmpty() ? QString() : ShortestDecimal(amount));
        close("JDC_QYJDCXSFPB_LC");
    }
    close("JDC_QYJDCXSFPB_MXXX");
    open("JDC_QYJDCXSFPB_HJ");
    leaf("JDC_QYJDCXSFPB_JFHJJE_HJ", CentsAmountText(sum).rightJustified(10, QLatin1Char(' '))); // "%10.2f"
    close("JDC_QYJDCXSFPB_HJ");
    close("JDC_QYJDCXSFPB");
    out.append('\n');
    return out;
}

void WriteICDataFile(TJdcConnection &connection, const QString &path, const QString &month, const SellerValues &seller)
{
    const QByteArray document = MakeICDocument(connection, month, seller);
    if (const QString why = WriteWholeFile(path, document); !why.isEmpty())
        throw AppError(QStringLiteral("无法写入文件%1：%2").arg(path, why));
}

QString ICDataFileMonth(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The tax period is in the header group, ahead of the invoices, behind the seller's name.
    constexpr qint64 HeaderBytes = 64 * 1024;
    const QByteArray period
        = TUtil::TextBetween(file.read(HeaderBytes), QByteArray("<JDC_QYJDCXSFPB_SSQ>"), QByteArray("</JDC_QYJDCXSFPB_SSQ>"));
    const QDate first = QDate::fromString(QString::fromLatin1(period), QStringLiteral("yyyyMM"));
    return first.isValid() ? first.toString(QStringLiteral("yyyy-MM")) : QString();
}

QString ICDataPath(const QString &folder, const QString &sellerTaxNo, const QDate &today)
{
    QString path = folder;
    TUtil::IncludePathDelimiter(path);
    return path + ICDataFileName(sellerTaxNo, today);
}

QString WriteICData(TJdcConnection &connection, const QString &folder, const QDate &today, const QDate &month,
                    const SellerValues &seller)
{
    const QString path = ICDataPath(folder, seller.SellerTaxNo, today);
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
    if (FolderTakesFiles(folder))
        return {};
    return QDir::toNativeSeparators(folder);
}
