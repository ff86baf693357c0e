#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

class QPaintDevice;

// The paper a form asks for.
struct PageRequest {
    int widthMm = 0;
    int heightMm = 0;
    QString printWay; // "0" portrait, "1" landscape, anything else keeps the printer's
    // The job's title in the print queue, which a PDF printer names its file by; empty: the
    // program's name.
    QString jobName;
};

// One page being printed: the device to paint on with the printer's figures. The job ends
// when the painter on the device ends.
class PrintJob
{
public:
    virtual ~PrintJob() = default;
    virtual QPaintDevice &Device() = 0;
    virtual int DpiX() const = 0;
    virtual int DpiY() const = 0;
    // Distance in device pixels from the paper's top edge to the printable area's.
    virtual int PhysicalTopOffset() const = 0;
    // The printable area in device pixels.
    virtual QSize PrintableSize() const = 0;
};

// The printers of the desktop, and the one the program prints on.
class Printers
{
public:
    virtual ~Printers() = default;
    virtual QStringList Installed() const = 0;
    virtual QString Current() const = 0;
    virtual void SetCurrent(const QString &name) = 0;
    // A one-page job on the current printer; raises AppError when the printer refuses it.
    virtual std::unique_ptr<PrintJob> Begin(const PageRequest &page) = 0;
};

// The printer the program prints on: the one the operator chose, else the desktop's default,
// else (printers installed but none the default) the first installed one.
QString CurrentPrinterName(const QString &chosen, const QString &defaultPrinter, const QStringList &installed);
