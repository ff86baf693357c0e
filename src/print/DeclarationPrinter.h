#pragma once

#include <QString>
#include <QStringList>

class Printers;
class TPDF417BarCode;

// What became of one form.
struct PrintOutcome {
    enum Status { Printed, TemplateNotLoaded, NoBarcode, BarcodeUnreadable };
    Status status = Printed;
    QString why; // NoBarcode and BarcodeUnreadable: the reason, for the operator

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

// The template file the forms are printed from.
QString PrintTemplatePath();
