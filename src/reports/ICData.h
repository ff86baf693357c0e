#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

class TJdcConnection;
struct SellerValues;

// The IC-card declaration data file: a month's invoices, issued or voided, with their total, as
// an XML document in GBK.

// The month the file is made for, "yyyy-mm": one month back from today, the day clamped.
QString ICDataMonth(const QDate &today);
// "SB_" taxpayer number "_" today as yyyyMMdd "_JDC_QYJDCXSFPB.xml", made a safe file name
// (TUtil::SafeFileName).
QString ICDataFileName(const QString &sellerTaxNo, const QDate &today);

// An amount as the database writes it, in its shortest decimal form: 150000, 123456.5.
QString ShortestDecimal(QStringView text);

// The month's document. Raises AppError.
QByteArray MakeICDocument(TJdcConnection &connection, const QString &month, const SellerValues &seller);

// Writes the document for month ("yyyy-mm") as path through a temporary file beside it, so
// that a failure leaves an earlier file as it was. Raises AppError with the reason.
void WriteICDataFile(TJdcConnection &connection, const QString &path, const QString &month, const SellerValues &seller);

// The month ("yyyy-mm") the IC-card file at path holds, read from its tax period; empty when
// there is no file or it holds no tax period that can be read (no such file). The name carries
// the day a file is made, not its month: a file of one month may stand where another month's is
// to be written, and is replaced only when the operator says so.
QString ICDataFileMonth(const QString &path);

// Where WriteICData writes the file of today: folder, a separator and ICDataFileName.
QString ICDataPath(const QString &folder, const QString &sellerTaxNo, const QDate &today);

// Writes the file of month (its first day) as ICDataPath; its path.
QString WriteICData(TJdcConnection &connection, const QString &folder, const QDate &today, const QDate &month,
                    const SellerValues &seller);

// Empty when the folder of the file exists and takes new files; else the folder's name, for
// the warning "请检测驱动器…是否就绪!".
QString FolderNotReady(const QString &filePath);
