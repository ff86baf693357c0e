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
// "SB_" taxpayer number "_" today as yyyyMMdd "_JDC_QYJDCXSFPB.xml".
QString ICDataFileName(const QString &sellerTaxNo, const QDate &today);

// An amount as the database writes it, in its shortest decimal form: 150000, 123456.5.
QString ShortestDecimal(QStringView text);

// The month's document. Raises AppError.
QByteArray MakeICDocument(TJdcConnection &connection, const QString &month, const SellerValues &seller);

// Writes the document for month ("yyyy-mm") as path through a temporary file beside it, so
// that a failure leaves an earlier file as it was. Raises AppError with the reason.
void WriteICDataFile(TJdcConnection &connection, const QString &path, const QString &month, const SellerValues &seller);

// Writes the file of month (its first day) into folder under the name of today; its path.
QString WriteICData(TJdcConnection &connection, const QString &folder, const QDate &today, const QDate &month,
                    const SellerValues &seller);

// Empty when the folder of the file exists and takes new files; else the folder's name, for
// the warning "请检测驱动器…是否就绪!".
QString FolderNotReady(const QString &filePath);
