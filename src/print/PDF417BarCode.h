#pragma once

#include <QByteArray>
#include <QImage>
#include <QLibrary>
#include <QString>

// Binding of the barcode library, loaded by file name when the object is made and unloaded
// when it is freed.
class TPDF417BarCode final
{
public:
    // Raises AppError "找不到动态库Barcodedll.dll" when the library file cannot be loaded.
    explicit TPDF417BarCode(const QString &libraryPath = DefaultLibraryPath());
    ~TPDF417BarCode();
    TPDF417BarCode(const TPDF417BarCode &) = delete;
    TPDF417BarCode &operator=(const TPDF417BarCode &) = delete;

    // The library file beside the program.
    static QString DefaultLibraryPath();

    // Looks up "MakePDF417", "MakePDF417Ex" and "PrtPDF417" in this order, stopping at the
    // first one missing; true only when all three exist.
    bool LookUpEntryPoints();

    // A PDF417 image of data sized for a device of dpiX by dpiY dots per inch; a null image
    // when there is no entry point, the library makes no bitmap or fails inside the call.
    QImage MakeImage(const QString &settingsPath, const QByteArray &data, int dpiX, int dpiY) const;

private:
    QLibrary m_library;
    QFunctionPointer m_makePdf417 = nullptr;
    QFunctionPointer m_makePdf417Ex = nullptr;
    QFunctionPointer m_prtPdf417 = nullptr;
    QFunctionPointer m_freeBitmap = nullptr;
};
