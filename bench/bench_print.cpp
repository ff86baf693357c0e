// Declaration forms at 600 dpi into a PDF file: template read, payload, barcode, its read-back
// check and drawing, per form, with the barcode's, the check's and the template's share measured
// on their own.
//
//   bench_print [forms]

#include "PdfPrinters.h"
#include "TestPrinters.h"
#include "config/AppIniFile.h"
#include "config/GbkText.h"
#include "config/Settings.h"
#include "db/PrintRecord.h"
#include "print/BarcodeCheck.h"
#include "print/BarcodePayload.h"
#include "print/DeclarationPrinter.h"
#include "print/PDF417BarCode.h"
#include "print/PrintTemplate.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <utility>
#include <vector>

namespace {

QStringList record(int i)
{
    return {QStringLiteral("张三%1").arg(i), QStringLiteral("身份证"), QStringLiteral("110101199001011234"),
            QStringLiteral("13800138000"), QStringLiteral("100010"), QStringLiteral("北京市东城区某某路%1号").arg(i),
            QStringLiteral("EA211%1").arg(i, 6, 10, QLatin1Char('0')), QStringLiteral("一汽-大众汽车有限公司"),
            QStringLiteral("LFV2A21K5A3%1").arg(i, 6, 10, QLatin1Char('0')), QStringLiteral("大众FV7152FCDBG"),
            QStringLiteral("2026-12-10"), QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0')), QStringLiteral("132000000001"),
            QStringLiteral("117000.00"), QStringLiteral("1.6"), QStringLiteral("0.17"), QString(), QStringLiteral("5"),
            QStringLiteral("110101200801010"), QStringLiteral("13205810000"), QStringLiteral("北京市朝阳区车市路8号"),
            QStringLiteral("010-88886666"), QStringLiteral("中国工商银行北京分行"), QStringLiteral("0200001234567890123"),
            QString(), QStringLiteral("100000")};
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int forms = QCoreApplication::arguments().value(1, QStringLiteral("100")).toInt();

    QTemporaryDir folder;
    SetSettingsFilePath(folder.filePath(QStringLiteral("Kerrowvantis.ini")));
    AppSettings().AppDir = QStringLiteral(TEMPLATE_PARENT "/");
    TPDF417BarCode barcode(QStringLiteral(BARCODEDLL_PATH));

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < forms; ++i) {
        PdfPrinters printers(folder.filePath(QStringLiteral("form%1.pdf").arg(i)));
        if (!PrintDeclaration(record(i), PrintRecord::FieldNames(), printers, &barcode))
            qFatal("the form did not print");
    }
    const double total = double(timer.nsecsElapsed()) / 1e6 / forms;

    // The symbols made here are the ones the check reads below.
    std::vector<std::pair<QImage, QByteArray>> symbols;
    symbols.reserve(std::size_t(forms));
    timer.restart();
    for (int i = 0; i < forms; ++i) {
        const QByteArray payload = Gbk::encode(BarcodePayload(record(i)));
        QImage symbol = barcode.MakeImage(SettingsFilePath(), payload, 600, 600);
        if (symbol.isNull())
            qFatal("no barcode image");
        symbols.emplace_back(std::move(symbol), payload);
    }
    const double barcodeShare = double(timer.nsecsElapsed()) / 1e6 / forms;

    timer.restart();
    for (const auto &[symbol, payload] : symbols) {
        if (!BarcodeCheckFailure(symbol, payload).isEmpty())
            qFatal("a good barcode failed its check");
    }
    const double checkShare = double(timer.nsecsElapsed()) / 1e6 / forms;

    timer.restart();
    for (int i = 0; i < forms; ++i) {
        TPrintTemplate form;
        form.LoadTemplate(PrintTemplatePath(), QStringLiteral("Template_SBB"));
    }
    const double templateShare = double(timer.nsecsElapsed()) / 1e6 / forms;

    std::printf("%d forms into PDF at 600 dpi: %.1f ms per form\n", forms, total);
    std::printf("  payload + barcode image: %.1f ms\n  barcode read back (the check): %.1f ms\n  template read: %.1f ms\n"
                "  drawing and PDF output: %.1f ms\n",
                barcodeShare, checkShare, templateShare, total - barcodeShare - checkShare - templateShare);
    return 0;
}
