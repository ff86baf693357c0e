#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

// The program asks for "宋体" on screen and on the printed form; the fontconfig alias
// installed with the project must turn that into a real Chinese font.
class TestFonts : public QObject
{
    Q_OBJECT

private slots:
    void songtiResolvesToAChineseFont()
    {
        const QFontInfo info(QFont(QStringLiteral("宋体"), 12));
        QVERIFY2(info.family().contains(QLatin1String("UMing")), qPrintable(info.family()));
        QVERIFY(QFontMetrics(QFont(QStringLiteral("宋体"))).inFont(QChar(0x8F66))); // 车
    }

    void printedPdfEmbedsIt()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("form.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setFontEmbeddingEnabled(true);
        QPainter painter;
        QVERIFY(painter.begin(&printer));
        painter.setFont(QFont(QStringLiteral("宋体"), 12));
        painter.drawText(200, 400, QStringLiteral("车辆基本信息表"));
        painter.end();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pdf = file.readAll();
        QVERIFY2(pdf.contains("UMing"), "the PDF names no UMing font");
    }
};

QTEST_MAIN(TestFonts)
#include "tst_fonts.moc"
