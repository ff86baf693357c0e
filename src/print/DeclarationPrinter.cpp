#include "DeclarationPrinter.h"

#include "BarcodeCheck.h"
#include "BarcodePayload.h"
#include "PDF417BarCode.h"
#include "PrintTemplate.h"
#include "Printers.h"
#include "TextLayout.h"
#include "config/AppError.h"
#include "config/AppIniFile.h"
#include "config/GbkText.h"
#include "config/Settings.h"
#include "db/InvoiceQuery.h"

#include <QDir>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace {

// Millimetres to the job's device pixels; vertical positions count from the printable top.
class Converter
{
public:
    explicit Converter(const PrintJob &job)
        : m_dpiX(job.DpiX())
        , m_dpiY(job.DpiY())
        , m_top(job.PhysicalTopOffset())
        , m_page(job.PrintableSize())
    {
    }
    int x(double mm) const { return qRound(mm * m_dpiX / 25.4); }
    int y(double mm) const { return qRound(mm * m_dpiY / 25.4) - m_top; }
    int width(double mm) const { return qRound(mm * m_dpiX / 25.4); }
    int penWidth(double mm) const { return qRound(mm * m_dpiY / 25.4); }
    int dpiX() const { return m_dpiX; }
    QSize page() const { return m_page; }

private:
    int m_dpiX;
    int m_dpiY;
    int m_top;
    QSize m_page;
};

// The barcode at the top right of the printable area; the shift in millimetres that the form's
// items get so that they start below it.
int DrawBarcode(QPainter &painter, const Converter &convert, const QImage &image)
{
    QFont font = painter.font();
    font.setFamily(QStringLiteral("宋体"));
    painter.setFont(font);
    painter.drawImage(QPoint(convert.page().width() - image.width() - 70, 0), image);
    // The horizontal resolution serves for this vertical measure too.
    return static_cast<int>(std::lround(image.height() * 25.4 / convert.dpiX())) + 1;
}

// One line with its top left corner at (x, y), pulled back inside the printable page.
void DrawLine(QPainter &painter, const Converter &convert, int x, int y, const QString &line)
{
    const QFontMetrics metrics(painter.font(), painter.device());
    const int width = metrics.horizontalAdvance(line);
    const int height = metrics.height();
    if (x + width > convert.page().width())
        x = convert.page().width() - width;
    if (y + height > convert.page().height())
        y = convert.page().height() - height;
    painter.drawText(QPoint(x, y + metrics.ascent()), line);
}

void DrawText(QPainter &painter, const Converter &convert, const TPrintItem &item, int xMm, int yMm,
              const QString &text)
{
    // An item without a font of its own keeps the one in force.
    QFont font = painter.font();
    if (!item.FontName.trimmed().isEmpty())
        font.setFamily(item.FontName.trimmed());
    if (item.FontSize != 0)
        font.setPointSize(item.FontSize);
    painter.setFont(font);

    const QFontMetrics metrics(font, painter.device());
    const int x = convert.x(xMm);
    const int y = convert.y(yMm);
    const TextLines lines = BreakText(Gbk::encode(text), metrics.averageCharWidth(), convert.width(item.MaxLength));
    if (!lines.broken) {
        DrawLine(painter, convert, x, y, text);
        return;
    }
    const int half = metrics.height() / 2;
    DrawLine(painter, convert, x, y - half, Gbk::decode(lines.first));
    DrawLine(painter, convert, x, y + half, Gbk::decode(lines.second));
}

void DrawBox(QPainter &painter, const Converter &convert, const TPrintItem &item, int xMm, int yMm)
{
    QPen pen(Qt::black);
    pen.setWidth(convert.penWidth(item.LineWidth));
    painter.setPen(pen);
    const int x1 = convert.x(xMm);
    const int y1 = convert.y(yMm);
    const int x2 = convert.x(xMm + item.Width);
    const int y2 = convert.y(yMm + item.Height);
    painter.drawLine(x1, y1, x2, y1);
    painter.drawLine(x1, y1, x1, y2);
    painter.drawLine(x2, y1, x2, y2);
    painter.drawLine(x1, y2, x2, y2);
    painter.setPen(Qt::black);
}

} // namespace

QString PrintTemplatePath()
{
    return AppSettings().AppDir + QStringLiteral("template/PrintTemplate.xml");
}

QImage DeclarationBarcode(const QStringList &values, int dpiX, int dpiY, const TPDF417BarCode *barcode,
                          PrintOutcome *outcome)
{
    *outcome = {};
    if (!barcode) {
        *outcome = {PrintOutcome::NoBarcode, QStringLiteral("条码库未加载")};
        return {};
    }
    const QByteArray payload = Gbk::encode(BarcodePayload(values));
    QImage image = barcode->MakeImage(QDir::toNativeSeparators(SettingsFilePath()), payload, dpiX, dpiY);
    if (image.isNull()) {
        *outcome = {PrintOutcome::NoBarcode,
                    QStringLiteral("条码库没有生成条码（条码数据%1字节，超出容量或条码参数无效）").arg(payload.size())};
        return {};
    }
    // The symbol is painted pixel for pixel at the device's resolution: as read here, so on paper.
    if (ReadVerifyBarcode()) {
        const QString why = BarcodeCheckFailure(image, payload);
        if (!why.isEmpty()) {
            *outcome = {PrintOutcome::BarcodeUnreadable, why};
            return {};
        }
    }
    return image;
}

QString PrintFailureText(const PrintOutcome &outcome)
{
    switch (outcome.status) {
    case PrintOutcome::Printed:
        break;
    case PrintOutcome::TemplateNotLoaded:
        return QStringLiteral("打印车辆基本信息表失败，请重新打印！");
    case PrintOutcome::NoBarcode:
        return QStringLiteral("条码生成失败，申报表未打印：") + outcome.why;
    case PrintOutcome::BarcodeUnreadable:
        return QStringLiteral("条码校验失败，申报表未打印：") + outcome.why;
    case PrintOutcome::AmountUnreadable:
        return QStringLiteral("申报表未打印：") + outcome.why;
    }
    return {};
}

QString DeclarationJobName(const QString &invoiceCode, const QString &invoiceNumber)
{
    const auto ascii = [](const QString &text) {
        QString kept;
        for (const QChar c : text) {
            if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                || (c >= QLatin1Char('a') && c <= QLatin1Char('z')))
                kept.append(c);
        }
        return kept;
    };
    const QString code = ascii(invoiceCode);
    const QString number = ascii(invoiceNumber);
    if (code.isEmpty() && number.isEmpty())
        return QStringLiteral("Kerrowvantis");
    return QStringLiteral("Kerrowvantis %1-%2").arg(code, number);
}

std::optional<PageRequest> DeclarationPage()
{
    TPrintTemplate form;
    if (!form.LoadTemplate(PrintTemplatePath(), ReadPrintTemplateName()))
        return std::nullopt;
    return PageRequest{form.PageWidth, form.PageHeight, form.PrintWay, QString()}; // no invoice: the program's name
}

PrintOutcome PrintDeclaration(const QStringList &values, const QStringList &names, Printers &printers,
                              const TPDF417BarCode *barcode)
{
    TPrintTemplate form;
    if (!form.LoadTemplate(PrintTemplatePath(), ReadPrintTemplateName()))
        return {PrintOutcome::TemplateNotLoaded, QString()};
    form.Fill(values, names);
    // An amount the invoicing database holds as no number is never printed, nor put in the
    // barcode, as another amount.
    const auto value = [&](const char *name) { return values.value(names.indexOf(QLatin1String(name))); };
    try {
        InvoiceAmountCents(value("jshj"), value("fpdm"), value("fphm"));
    } catch (const EConvertError &error) {
        return {PrintOutcome::AmountUnreadable, error.text()};
    }

    // The job's paper and resolution are known before anything is painted; a job that is never
    // painted sends nothing to the printer.
    const std::unique_ptr<PrintJob> job = printers.Begin(
        {form.PageWidth, form.PageHeight, form.PrintWay, DeclarationJobName(value("fpdm"), value("fphm"))});
    PrintOutcome outcome;
    const QImage symbol = DeclarationBarcode(values, job->DpiX(), job->DpiY(), barcode, &outcome);
    if (symbol.isNull())
        return outcome;

    QPainter painter;
    if (!painter.begin(&job->Device()))
        throw AppError(QStringLiteral("打印机无法开始打印：%1").arg(printers.Current()));
    // A PDF engine (the print path through CUPS) would otherwise store the bars as JPEG, whose
    // blur a scanner may not read.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    const Converter convert(*job);

    form.ShiftItems(DrawBarcode(painter, convert, symbol), 0);

    const int offX = AppSettings().OffX;
    const int offY = AppSettings().OffY;
    for (const TPrintItem &item : std::as_const(form.Items)) {
        const int x = item.PrtX + offX;
        const int y = item.PrtY + offY;
        switch (item.Kind) {
        case PrintItemKind::Data:
            DrawText(painter, convert, item, x, y, item.Value);
            break;
        case PrintItemKind::Title:
            DrawText(painter, convert, item, x, y, item.Title);
            break;
        case PrintItemKind::Line:
            DrawBox(painter, convert, item, x, y);
            break;
        }
    }
    if (!painter.end())
        throw AppError(QStringLiteral("打印机无法完成打印：%1").arg(printers.Current()));
    return {};
}
