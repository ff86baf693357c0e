#pragma once

#include "Printers.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

class TPDF417BarCode;

// What became of one form.
struct PrintOutcome {
    enum Status { Printed, TemplateNotLoaded, NoBarcode, BarcodeUnreadable, AmountUnreadable };
    Status status = Printed;
    QString why; // NoBarcode, BarcodeUnreadable and AmountUnreadable: the reason, for the operator

    explicit operator bool() const { return status == Printed; }
};

// Prints one declaration form (车辆基本信息表) on the current printer: the template of the seller's
// tax office from template/PrintTemplate.xml beside the program, the record's PDF417 barcode at
// the top right, then every item of the template with the record's values, moved by the
// operator's print offsets. names holds the field name of each value. Nothing reaches the
// printer when the template cannot be loaded, the barcode library makes no barcode, or (with
// [Other] VerifyBarcode on, as it is unless set to 0) the barcode does not read back as the
// record: a form without a good barcode is of no use at the tax office. Printer errors raise
// AppError.
PrintOutcome PrintDeclaration(const QStringList &values, const QStringList &names, Printers &printers,
                              const TPDF417BarCode *barcode);

// The record's barcode for a device of dpiX by dpiY, made and checked as PrintDeclaration makes
// and checks it; a null image, with outcome saying why, when there is none to print.
QImage DeclarationBarcode(const QStringList &values, int dpiX, int dpiY, const TPDF417BarCode *barcode,
                          PrintOutcome *outcome);

// The title of a form's print job, by which a queue or a PDF printer's file names the invoice:
// "Kerrowvantis", the invoice code, "-" and the number, in ASCII letters and digits only, as
// queues and file names take them.
QString DeclarationJobName(const QString &invoiceCode, const QString &invoiceNumber);

// What the operator is told of a form that was not printed; empty for one that was.
QString PrintFailureText(const PrintOutcome &outcome);

// The paper of the seller's form, from the template; nothing when the template cannot be loaded.
std::optional<PageRequest> DeclarationPage();

// The template file the forms are printed from.
QString PrintTemplatePath();
