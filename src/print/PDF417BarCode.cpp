#include "PDF417BarCode.h"

#include "Barcodedll.h"
#include "config/AppError.h"
#include "config/Util.h"

#include <QDir>
#include <QFile>

TPDF417BarCode::TPDF417BarCode(const QString &libraryPath)
    : m_library(libraryPath)
{
    if (!m_library.load())
        throw AppError(QStringLiteral("找不到动态库Barcodedll.dll"));
    LookUpEntryPoints();
}

TPDF417BarCode::~TPDF417BarCode()
{
    m_library.unload();
}

QString TPDF417BarCode::DefaultLibraryPath()
{
#ifdef Q_OS_WIN
    return TUtil::GetAppDir() + QStringLiteral("Barcodedll.dll");
#else
    return TUtil::GetAppDir() + QStringLiteral("libBarcodedll.so");
#endif
}

bool TPDF417BarCode::LookUpEntryPoints()
{
    m_makePdf417 = m_makePdf417Ex = m_prtPdf417 = nullptr;
    m_freeBitmap = m_library.resolve("FreePDF417Bitmap");
    if (!(m_makePdf417 = m_library.resolve("MakePDF417")))
        return false;
    if (!(m_makePdf417Ex = m_library.resolve("MakePDF417Ex")))
        return false;
    return (m_prtPdf417 = m_library.resolve("PrtPDF417")) != nullptr;
}

QImage TPDF417BarCode::MakeImage(const QString &settingsPath, const QByteArray &data, int dpiX, int dpiY) const
{
    if (!m_makePdf417Ex)
        return {};
    const auto make = reinterpret_cast<MakePDF417ExProc>(m_makePdf417Ex);
    const QByteArray path = QFile::encodeName(QDir::toNativeSeparators(settingsPath));
    Pdf417Bitmap *bitmap = nullptr;
    try {
        bitmap = static_cast<Pdf417Bitmap *>(make(path.constData(), data.constData(),
                                                  static_cast<int32_t>(data.size()), 0, 0, 0, 0, 0, 0, 0,
                                                  dpiX, dpiY, 0, 0));
    } catch (...) {
        return {};
    }
    if (!bitmap)
        return {};
    QImage image;
    if (bitmap->width > 0 && bitmap->height > 0 && bitmap->pixels) {
        image = QImage(bitmap->pixels, bitmap->width, bitmap->height, bitmap->bytesPerLine,
                       QImage::Format_Grayscale8)
                    .copy();
    }
    if (m_freeBitmap)
        reinterpret_cast<FreePDF417BitmapProc>(m_freeBitmap)(bitmap);
    return image;
}
