#include "TestSupport.h"

#include "config/GbkText.h"
#include "db/PrintRecord.h"
#include "print/PrintTemplate.h"
#include "print/TextLayout.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

// A template file: the declaration, a document element named root and the body inside it.
QByteArray templateFile(const QByteArray &body, const QByteArray &root = "PrintTemplates",
                        const QByteArray &encoding = "UTF-8")
{
    return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n<" + root + ">\n" + body + "\n</" + root + ">\n";
}

// One template element of that name.
QByteArray form(const QByteArray &inner, const QByteArray &name = "Template_SBB")
{
    return "<" + name + ">" + inner + "</" + name + ">";
}

QByteArray item(const QByteArray &fields, const QByteArray &tag = "ITEM")
{
    return "<" + tag + ">" + fields + "</" + tag + ">";
}

QByteArray data(const QByteArray &name, int x = 1, int y = 2)
{
    return item("<Name>" + name + "</Name><PrtX>" + QByteArray::number(x) + "</PrtX><PrtY>" + QByteArray::number(y)
                + "</PrtY>");
}

QByteArray title(const QByteArray &text)
{
    return item("<Title>" + text + "</Title><PrtX>3</PrtX><PrtY>4</PrtY>");
}

QByteArray line(int x, int y)
{
    return item("<PrtX>" + QByteArray::number(x) + "</PrtX><PrtY>" + QByteArray::number(y) + "</PrtY>");
}

// Page properties and items in a line each test can state: "W/H/way/desc | D:name(x,y) T:title(x,y) L(x,y)".
QString describe(const TPrintTemplate &t)
{
    QStringList items;
    for (const TPrintItem &i : t.Items) {
        const QString at = QStringLiteral("(%1,%2)").arg(i.PrtX).arg(i.PrtY);
        switch (i.Kind) {
        case PrintItemKind::Data: items << QStringLiteral("D:") + i.Name + at; break;
        case PrintItemKind::Title: items << QStringLiteral("T:") + i.Title + at; break;
        case PrintItemKind::Line: items << QStringLiteral("L") + at; break;
        }
    }
    return QStringLiteral("%1/%2/%3/%4 | ").arg(t.PageWidth).arg(t.PageHeight).arg(t.PrintWay, t.TemplateDesc)
           + items.join(QLatin1Char(' '));
}

TPrintItem made(PrintItemKind kind, const QString &name, const QString &disName = {})
{
    TPrintItem i;
    i.Kind = kind;
    i.Name = name;
    i.DisName = i.Value = disName;
    return i;
}

} // namespace

class TestPrintTemplate : public QObject
{
    Q_OBJECT

private slots:
    void load_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("loaded");
        const QString sbb = QStringLiteral("Template_SBB");
        const QString nothing = QStringLiteral("0/0// | ");
        const QByteArray props = "<TemplateDesc>d</TemplateDesc><PageWidth>210</PageWidth><PageHeight>297</PageHeight><PrintWay>0</PrintWay>";

        QTest::newRow("properties and items") << templateFile(form(props + "<TABLEDATA>" + data("a") + "</TABLEDATA>")) << sbb << true << "210/297/0/d | D:a(1,2)";
        QTest::newRow("document element of any name") << templateFile(form("<TABLEDATA>" + data("a") + "</TABLEDATA>"), "x") << sbb << true << "0/0// | D:a(1,2)";
        QTest::newRow("template chosen by exact name")
            << templateFile(form("<PageWidth>1</PageWidth>", "Other") + form("<PageWidth>2</PageWidth>") + form("<PageWidth>3</PageWidth>", "template_sbb"))
            << sbb << true << "2/0// | ";
        QTest::newRow("name in another case is not found") << templateFile(form(props, "template_sbb")) << sbb << true << nothing;
        QTest::newRow("no such template") << templateFile(form(props, "Other")) << sbb << true << nothing;
        QTest::newRow("template without items") << templateFile(form(props)) << sbb << true << "210/297/0/d | ";
        QTest::newRow("group and item names in any case")
            << templateFile(form("<tabledata>" + data("a") + "<item><Name>b</Name></item></tabledata><TableTitle>" + title("t").replace("ITEM", "Item")
                                 + "</TableTitle><tableLine>" + line(5, 6) + "</tableLine>"))
            << sbb << true << "0/0// | D:a(1,2) D:b(0,0) T:t(3,4) L(5,6)";
        QTest::newRow("first child not ITEM: group adds nothing")
            << templateFile(form("<TABLEDATA><Row><Name>r</Name></Row>" + data("a") + "</TABLEDATA><TABLELINE>" + line(5, 6) + "</TABLELINE>"))
            << sbb << true << "0/0// | L(5,6)";
        QTest::newRow("first child ITEM: every child is an item")
            << templateFile(form("<TABLEDATA>" + data("a") + item("<Name>b</Name>", "Other") + data("c", 7, 8) + "</TABLEDATA>"))
            << sbb << true << "0/0// | D:a(1,2) D:b(0,0) D:c(7,8)";
        QTest::newRow("blanks and comments between elements")
            << templateFile(form("\n  <!-- c -->\n  <TABLEDATA>\n  <!-- c -->\n  " + data("a") + "\n  </TABLEDATA>\n")) << sbb << true << "0/0// | D:a(1,2)";
        QTest::newRow("groups in file order")
            << templateFile(form("<TABLELINE>" + line(5, 6) + "</TABLELINE><TABLETITLE>" + title("t") + "</TABLETITLE><TABLEDATA>" + data("a")
                                 + "</TABLEDATA><TABLELINE>" + line(9, 9) + "</TABLELINE>"))
            << sbb << true << "0/0// | L(5,6) T:t(3,4) D:a(1,2) L(9,9)";
        QTest::newRow("group without child elements") << templateFile(form("<TABLEDATA>" + data("a") + "</TABLEDATA><TABLELINE/>")) << sbb << false << nothing;
        QTest::newRow("group with text only") << templateFile(form("<TABLETITLE> text </TABLETITLE>")) << sbb << false << nothing;
        QTest::newRow("property names are exact") << templateFile(form("<pagewidth>5</pagewidth><PAGEHEIGHT>x</PAGEHEIGHT>")) << sbb << true << nothing;
        QTest::newRow("repeated property overrides") << templateFile(form("<PageWidth>5</PageWidth><PrintWay>1</PrintWay><PageWidth>6</PageWidth>")) << sbb << true << "6/0/1/ | ";
        QTest::newRow("unknown elements ignored") << templateFile(form("<Note><b>x</b></Note><PageWidth>5</PageWidth>")) << sbb << true << "5/0// | ";
        QTest::newRow("integers: blanks and signs") << templateFile(form("<TABLELINE>" + item("<PrtX> +12 </PrtX><PrtY>\n-4\n</PrtY>") + "</TABLELINE>")) << sbb << true << "0/0// | L(12,-4)";
        QTest::newRow("PrtX with letters") << templateFile(form("<TABLELINE>" + item("<PrtX>12a</PrtX>") + "</TABLELINE>")) << sbb << false << nothing;
        QTest::newRow("PrtX empty") << templateFile(form("<TABLELINE>" + item("<PrtX></PrtX>") + "</TABLELINE>")) << sbb << false << nothing;
        QTest::newRow("PrtX with a fraction") << templateFile(form("<TABLELINE>" + item("<PrtX>1.5</PrtX>") + "</TABLELINE>")) << sbb << false << nothing;
        QTest::newRow("PrtX too big") << templateFile(form("<TABLELINE>" + item("<PrtX>99999999999</PrtX>") + "</TABLELINE>")) << sbb << false << nothing;
        // Ten metres either side of 0 load; anything further would overflow once shifted and
        // converted to printer pixels.
        QTest::newRow("positions at the bound") << templateFile(form("<PageWidth>10000</PageWidth><TABLELINE>" + item("<PrtX>-10000</PrtX><PrtY>10000</PrtY><Width>10000</Width><Height>-10000</Height><LineWidth>10000</LineWidth>") + "</TABLELINE>")) << sbb << true << "10000/0// | L(-10000,10000)";
        QTest::newRow("PrtY at the largest int") << templateFile(form("<TABLELINE>" + item("<PrtY>2147483647</PrtY>") + "</TABLELINE>")) << sbb << false << nothing;
        QTest::newRow("PrtX past the bound") << templateFile(form("<TABLEDATA>" + item("<PrtX>-10001</PrtX>") + "</TABLEDATA>")) << sbb << false << nothing;
        QTest::newRow("MaxLength past the bound") << templateFile(form("<TABLETITLE>" + item("<MaxLength>10001</MaxLength>") + "</TABLETITLE>")) << sbb << false << nothing;
        QTest::newRow("Width past the bound") << templateFile(form("<TABLELINE>" + item("<Width>10001</Width>") + "</TABLELINE>")) << sbb << false << nothing;
        QTest::newRow("Height past the bound") << templateFile(form("<TABLELINE>" + item("<Height>-2147483648</Height>") + "</TABLELINE>")) << sbb << false << nothing;
        QTest::newRow("LineWidth past the bound") << templateFile(form("<TABLELINE>" + item("<LineWidth>10000.5</LineWidth>") + "</TABLELINE>")) << sbb << false << nothing;
        QTest::newRow("PageHeight past the bound") << templateFile(form("<PageHeight>10001</PageHeight>")) << sbb << false << nothing;
        QTest::newRow("PageWidth not a number") << templateFile(form("<PageWidth>A4</PageWidth>")) << sbb << false << nothing;
        QTest::newRow("LineWidth not a number") << templateFile(form("<TABLELINE>" + item("<LineWidth>1e3</LineWidth>") + "</TABLELINE>")) << sbb << false << nothing;
        QTest::newRow("markup in a text field") << templateFile(form("<TABLEDATA>" + item("<Name><b>x</b></Name>") + "</TABLEDATA>")) << sbb << false << nothing;
        QTest::newRow("markup in a number") << templateFile(form("<TABLEDATA>" + item("<PrtX><v>1</v></PrtX>") + "</TABLEDATA>")) << sbb << false << nothing;
        QTest::newRow("markup in a property") << templateFile(form("<TemplateDesc>a<br/>b</TemplateDesc>")) << sbb << false << nothing;
        QTest::newRow("malformed") << templateFile(form("<PageWidth>5</PageWidth>").chopped(3)) << sbb << false << nothing;
        QTest::newRow("empty file") << QByteArray() << sbb << false << nothing;
        QTest::newRow("gbk declared")
            << Gbk::encode(QString::fromUtf8(templateFile(form(utf8(QStringLiteral("<TemplateDesc>车辆基本信息表</TemplateDesc><TABLETITLE>")) + title(utf8(QStringLiteral("购货单位")))
                                                               + "</TABLETITLE>"), "PrintTemplates", "GBK")))
            << sbb << true << QStringLiteral("0/0//车辆基本信息表 | T:购货单位(3,4)");
        QTest::newRow("gbk bytes declared utf-8")
            << templateFile(form("<TemplateDesc>" + Gbk::encode(QStringLiteral("车辆")) + "</TemplateDesc>")) << sbb << false << nothing;
    }

    void load()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, templateName);
        QFETCH(bool, ok);
        QFETCH(QString, loaded);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("PrintTemplate.xml"));
        writeFileBytes(path, file);
        TPrintTemplate t;
        t.Items << made(PrintItemKind::Data, QStringLiteral("stale"));
        t.PageWidth = 99;
        QCOMPARE(t.LoadTemplate(path, templateName), ok);
        QCOMPARE(describe(t), loaded);
    }

    void missingFileFails()
    {
        QTemporaryDir dir;
        TPrintTemplate t;
        QVERIFY(!t.LoadTemplate(dir.filePath(QStringLiteral("none.xml")), QStringLiteral("Template_SBB")));
        QVERIFY(t.Items.isEmpty());
    }

    void everyFieldRead()
    {
        const QByteArray body = utf8(QStringLiteral(
            "<TABLEDATA><ITEM><Name>ghdw</Name><PrtX>10</PrtX><PrtY>20</PrtY><DisName>某某</DisName><MaxLength>40</MaxLength>"
            "<FontName>宋体</FontName><FontSize>10</FontSize><FontStyle>1</FontStyle><Title>ignored</Title></ITEM></TABLEDATA>"
            "<TABLETITLE><ITEM><Title>购货单位</Title><PrtX>1</PrtX><PrtY>2</PrtY><MaxLength>30</MaxLength><FontName>黑体</FontName>"
            "<FontSize>11</FontSize><FontStyle>2</FontStyle><Name>ignored</Name></ITEM></TABLETITLE>"
            "<TABLELINE><ITEM><PrtX>15</PrtX><PrtY>16</PrtY><Width>180</Width><Height>0</Height><LineWidth> 0.25 </LineWidth></ITEM></TABLELINE>"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.xml"));
        writeFileBytes(path, Gbk::encode(QString::fromUtf8(templateFile(form(body), "Root", "GBK"))));
        TPrintTemplate t;
        QVERIFY(t.LoadTemplate(path, QStringLiteral("Template_SBB")));
        QCOMPARE(t.Items.size(), 3);

        const TPrintItem &d = t.Items.at(0);
        QCOMPARE(d.Kind, PrintItemKind::Data);
        QCOMPARE(d.Name, QStringLiteral("ghdw"));
        QCOMPARE(QList<int>({d.PrtX, d.PrtY, d.MaxLength, d.FontSize, d.FontStyle}), QList<int>({10, 20, 40, 10, 1}));
        QCOMPARE(d.DisName, QStringLiteral("某某"));
        QCOMPARE(d.Value, QStringLiteral("某某"));
        QCOMPARE(d.FontName, QStringLiteral("宋体"));
        QCOMPARE(d.Title, QString());

        const TPrintItem &ti = t.Items.at(1);
        QCOMPARE(ti.Kind, PrintItemKind::Title);
        QCOMPARE(ti.Title, QStringLiteral("购货单位"));
        QCOMPARE(QList<int>({ti.PrtX, ti.PrtY, ti.MaxLength, ti.FontSize, ti.FontStyle}), QList<int>({1, 2, 30, 11, 2}));
        QCOMPARE(ti.FontName, QStringLiteral("黑体"));
        QCOMPARE(ti.Name, QString());

        const TPrintItem &l = t.Items.at(2);
        QCOMPARE(l.Kind, PrintItemKind::Line);
        QCOMPARE(QList<int>({l.PrtX, l.PrtY, l.Width, l.Height}), QList<int>({15, 16, 180, 0}));
        QCOMPARE(l.LineWidth, 0.25);
    }

    void findDataItem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::newRow("same case") << "ghdw" << 1;
        QTest::newRow("other case") << "GHDW" << 1;
        QTest::newRow("first of two") << "dz" << 2;
        QTest::newRow("title item never") << "bt" << -1;
        QTest::newRow("absent") << "zh" << -1;
    }

    void findDataItem()
    {
        QFETCH(QString, name);
        QFETCH(int, index);
        TPrintTemplate t;
        t.Items << made(PrintItemKind::Title, QStringLiteral("ghdw")) << made(PrintItemKind::Data, QStringLiteral("Ghdw"))
                << made(PrintItemKind::Data, QStringLiteral("dz")) << made(PrintItemKind::Data, QStringLiteral("DZ"))
                << made(PrintItemKind::Title, QStringLiteral("bt"));
        QCOMPARE(t.FindDataItem(name), index);
    }

    void shiftMovesEveryKind()
    {
        TPrintTemplate t;
        t.Items << made(PrintItemKind::Data, QStringLiteral("a")) << made(PrintItemKind::Title, {}) << made(PrintItemKind::Line, {});
        t.Items[1].PrtX = 5;
        t.Items[2].PrtY = 7;
        t.ShiftItems(36, -2);
        QCOMPARE(describe(t), QStringLiteral("0/0// | D:a(-2,36) T:(3,36) L(-2,43)"));
    }

    void fill()
    {
        TPrintTemplate t;
        t.Items << made(PrintItemKind::Data, QStringLiteral("a"), QStringLiteral("x")) << made(PrintItemKind::Data, QStringLiteral("A"), QStringLiteral("y"))
                << made(PrintItemKind::Data, QStringLiteral("b"), QStringLiteral("z")) << made(PrintItemKind::Data, QStringLiteral("c"), QStringLiteral("w"));
        t.Fill({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}, {QStringLiteral("a"), QStringLiteral("nobody"), QStringLiteral("B"), QStringLiteral("c")});
        QStringList values;
        for (const TPrintItem &i : t.Items)
            values << i.Value;
        QCOMPARE(values, QStringList({"1", "y", "3", "w"}));
        QCOMPARE(t.Items.at(0).DisName, QStringLiteral("x"));
    }

    void breakText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("charWidth");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<bool>("broken");
        const QByteArray ascii = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
        const QByteArray tax = Gbk::encode(QStringLiteral("税"));
        const QByteArray tail(21, 'x');
        const QByteArray chinese = Gbk::encode(QStringLiteral("车辆购置税申报车辆基本信息表！"));
        // 20 mm at 2.5 mm a byte, in pixels: room for 8 bytes.
        QTest::newRow("30 bytes in 20 mm") << ascii << 25 << 200 << ascii.left(8) << ascii.mid(8) << true;
        QTest::newRow("byte 8 opens a character") << "ABCDEFG" + tax + tail << 25 << 200 << QByteArray("ABCDEFG") << tax + tail << true;
        QTest::newRow("byte 8 closes a character") << "ABCDEF" + tax + tail << 25 << 200 << "ABCDEF" + tax << tail << true;
        QTest::newRow("chinese, k even") << chinese << 25 << 200 << chinese.left(8) << chinese.mid(8) << true;
        QTest::newRow("chinese, k odd") << chinese << 25 << 175 << chinese.left(6) << chinese.mid(6) << true;
        QTest::newRow("second line never broken again") << QByteArray(100, 'y') << 25 << 200 << QByteArray(8, 'y') << QByteArray(92, 'y') << true;
        QTest::newRow("exactly fits") << ascii << 25 << 750 << ascii << QByteArray() << false;
        QTest::newRow("one pixel short") << ascii << 25 << 749 << ascii.left(29) << QByteArray("3") << true;
        QTest::newRow("maxLength 0") << ascii << 25 << 0 << QByteArray() << ascii << true;
        QTest::newRow("average width 0") << ascii << 0 << 200 << ascii << QByteArray() << false;
        QTest::newRow("negative average width") << ascii << -3 << 200 << ascii << QByteArray() << false;
        QTest::newRow("empty text") << QByteArray() << 25 << 0 << QByteArray() << QByteArray() << false;
    }

    void breakText()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, charWidth);
        QFETCH(int, maxLength);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(bool, broken);
        const TextLines lines = BreakText(text, charWidth, maxLength);
        QCOMPARE(lines.first, first);
        QCOMPARE(lines.second, second);
        QCOMPARE(lines.broken, broken);
    }

    void shippedTemplate()
    {
        TPrintTemplate t;
        QVERIFY(t.LoadTemplate(QStringLiteral(TEMPLATE_DIR "/PrintTemplate.xml"), QStringLiteral("Template_SBB")));
        QCOMPARE(QList<int>({t.PageWidth, t.PageHeight}), QList<int>({210, 297}));
        QCOMPARE(t.PrintWay, QStringLiteral("0"));
        // Every field a tax office reads, that is all but the last two of the record.
        const QStringList fields = PrintRecord::FieldNames().mid(0, PrintRecord::bz);
        QCOMPARE(fields.size(), 24);
        for (const QString &field : fields)
            QVERIFY2(t.FindDataItem(field) >= 0, qPrintable(field));

        bool hasTitle = false;
        constexpr int barcodeShift = 36; // the barcode's height and a millimetre
        for (const TPrintItem &i : std::as_const(t.Items)) {
            hasTitle = hasTitle || i.Title == QStringLiteral("车辆基本信息表");
            const int right = i.PrtX + (i.Kind == PrintItemKind::Line ? i.Width : i.MaxLength);
            const int bottom = i.PrtY + barcodeShift + (i.Kind == PrintItemKind::Line ? i.Height : 10);
            const QString where = describe(TPrintTemplate{{}, 0, 0, {}, {i}});
            QVERIFY2(i.PrtX >= 15 && right <= 195 && i.PrtY >= 10 && bottom <= 297, qPrintable(where));
            // Texts have room of their own; a zero width would push them onto a second line.
            QVERIFY2(i.Kind == PrintItemKind::Line || i.MaxLength > 0, qPrintable(where));
        }
        QVERIFY(hasTitle);
    }
};

QTEST_GUILESS_MAIN(TestPrintTemplate)
#include "tst_printtemplate.moc"
