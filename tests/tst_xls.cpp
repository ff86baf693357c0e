#include "config/AppError.h"
#include "reports/CompoundFile.h"
#include "reports/XlsSheet.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QCryptographicHash>
#include <QProcess>
#include <QtEndian>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Template = QStringLiteral(TEMPLATE_DIR "/机动车销售统一发票清单.vts");
// Debian's own Python, where python3-xlrd is installed; another python3 may come first on PATH.
const QString Python = QStringLiteral("/usr/bin/python3");

struct Invoice {
    QString code, number, maker, model, chassis;
    double total;
};

const QList<Invoice> ThreeInvoices = {
    {QStringLiteral("132000812345"), QStringLiteral("00001234"), QStringLiteral("一汽-大众汽车有限公司"),
     QStringLiteral("大众FV7152FCDBG"), QStringLiteral("LFV2A21K5A3001234"), 117000.5},
    {QStringLiteral("132000812345"), QStringLiteral("00001240"), QStringLiteral("上海通用汽车有限公司"),
     QStringLiteral("别克SGM7240"), QStringLiteral("LSGGA54Y18S123456"), 0.25},
    {QStringLiteral("132000812346"), QStringLiteral("00000007"), QStringLiteral("東風日產乘用車公司"),
     QStringLiteral("日产DFL7200"), QStringLiteral("LGBH52E05AY000001"), 100},
};

const QStringList Headings = {QStringLiteral("序号"),     QStringLiteral("发票代码"), QStringLiteral("发票号码"),
                              QStringLiteral("生产企业名称"), QStringLiteral("厂牌型号"), QStringLiteral("车架号码"),
                              QStringLiteral("价税合计")};
const QList<double> TemplateWidths = {6, 14, 12, 28, 24, 22, 14};

// One cell as a reader should see it: text or number (a formula shows as its number).
struct Expected {
    int row, column;
    QString type;
    QVariant value;
};

// The sheet as the monthly report fills it, and the cells it wrote or took from the template.
struct Report {
    XlsSheet sheet;
    QList<Expected> cells;
    int totalRow = 0;
    double total = 0;
};

Report monthlyReport(const QList<Invoice> &invoices)
{
    Report r{XlsSheet::FromTemplate(Template), {}, 0, 0};
    auto text = [&](int row, int column, const QString &value) {
        r.sheet.SetText(row, column, value);
        r.cells.append({row, column, value.isEmpty() ? QStringLiteral("blank") : QStringLiteral("text"), value});
    };
    r.cells.append({1, 1, QStringLiteral("text"), QStringLiteral("机动车销售统一发票清单")});
    for (int c = 0; c < Headings.size(); ++c)
        r.cells.append({3, c + 1, QStringLiteral("text"), Headings[c]});
    text(2, 1, QStringLiteral("企业名称：某某汽车销售有限公司"));
    text(2, 4, QStringLiteral("纳税人识别号：132058100000001"));
    text(2, 6, QStringLiteral("所属期限：2008年12月"));
    int n = int(invoices.size());
    for (int i = 0; i < n; ++i) {
        const Invoice &v = invoices[i];
        const int row = 4 + i;
        text(row, 1, QString::number(i + 1));
        text(row, 2, v.code), text(row, 3, v.number), text(row, 4, v.maker), text(row, 5, v.model);
        text(row, 6, v.chassis);
        r.sheet.SetNumber(row, 7, v.total);
        r.cells.append({row, 7, QStringLiteral("number"), v.total});
        r.total += v.total;
    }
    if (n == 0) {
        n = 9;
        for (int i = 0; i < n; ++i) {
            text(4 + i, 1, QString::number(i + 1));
            for (int column = 2; column <= 7; ++column)
                text(4 + i, column, QString());
        }
    }
    r.totalRow = n + 4;
    text(r.totalRow, 1, QStringLiteral("合计"));
    r.sheet.SetFormula(r.totalRow, 7, QStringLiteral("SUM(G4:G%1)").arg(n + 3), r.total);
    r.cells.append({r.totalRow, 7, QStringLiteral("number"), r.total});
    r.sheet.SetThinBorders(3, 1, r.totalRow, 7);
    return r;
}

QString written(const QTemporaryDir &dir, const XlsSheet &sheet, const QString &name = QStringLiteral("list.xls"))
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(sheet.ToXls()) < 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// What xlrd sees (tests/xls_dump.py); an empty object when it could not read the file.
QJsonObject xlrdView(const QString &path)
{
    QProcess p;
    p.start(Python, {QStringLiteral(XLS_DUMP_PATH), path});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        qWarning("xlrd: %s", p.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QHash<QPair<int, int>, QJsonObject> cellsByPosition(const QJsonObject &view)
{
    QHash<QPair<int, int>, QJsonObject> cells;
    for (const QJsonValue &cell : view.value(QLatin1String("cells")).toArray()) {
        const QJsonObject object = cell.toObject();
        cells.insert({object.value(QLatin1String("row")).toInt(), object.value(QLatin1String("column")).toInt()}, object);
    }
    return cells;
}

// Fields of one CSV line as ssconvert writes them (quotes only around fields that need them).
QStringList csvFields(const QString &line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted && c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"')
            field += c, ++i;
        else if (c == u'"')
            quoted = !quoted;
        else if (c == u',' && !quoted)
            fields.append(field), field.clear();
        else
            field += c;
    }
    fields.append(field);
    return fields;
}

// The sheet after gnumeric read it and calculated every formula again, values unformatted;
// the text starts at the sheet's first used row and column, so the sheets tested here use A1.
QList<QStringList> recalculated(const QString &path)
{
    const QString csv = path + QStringLiteral(".csv");
    QProcess p;
    p.start(QStringLiteral("ssconvert"), {QStringLiteral("--recalc"), QStringLiteral("-T"),
                                          QStringLiteral("Gnumeric_stf:stf_assistant"), QStringLiteral("-O"),
                                          QStringLiteral("separator=, format=raw"), path, csv});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        qWarning("ssconvert: %s", p.readAllStandardError().constData());
        return {};
    }
    QFile file(csv);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QStringList> rows;
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (const QString &line : lines)
        rows.append(csvFields(line.trimmed()));
    return rows;
}

QString cellOf(const QList<QStringList> &rows, int row, int column)
{
    return row <= rows.size() && column <= rows[row - 1].size() ? rows[row - 1][column - 1] : QString();
}

} // namespace

class TestXls : public QObject
{
    Q_OBJECT

private slots:
    void monthlyList_data();
    void monthlyList();
    void formulaIsCalculated_data();
    void formulaIsCalculated();
    void refusedFormula_data();
    void refusedFormula();
    void texts_data();
    void texts();
    void fullSheetNeedsTheDifat();
    void compoundFileOfManyFatSectors_data();
    void compoundFileOfManyFatSectors();
    void shownCells_data();
    void shownCells();
    void templateSheet();
    void templateLookUnderProgramText();
    void printedOnePageWide();
    void unreadableTemplate_data();
    void unreadableTemplate();
    void unreadableWorkbook();
};

void TestXls::monthlyList_data()
{
    QTest::addColumn<QList<Invoice>>("invoices");
    QTest::newRow("three invoices") << ThreeInvoices;
    QTest::newRow("no invoice: nine numbered rows") << QList<Invoice>();
}

void TestXls::monthlyList()
{
    QFETCH(QList<Invoice>, invoices);
    const Report report = monthlyReport(invoices);
    QTemporaryDir dir;
    const QString path = written(dir, report.sheet);
    const QJsonObject view = xlrdView(path);
    QVERIFY(!view.isEmpty());
    QCOMPARE(view.value(QLatin1String("log")).toString(), QString());
    QCOMPARE(view.value(QLatin1String("sheets")).toArray().size(), 1);

    const auto cells = cellsByPosition(view);
    for (const Expected &e : report.cells) {
        const QByteArray where = QStringLiteral("row %1 column %2").arg(e.row).arg(e.column).toUtf8();
        QVERIFY2(cells.contains({e.row, e.column}), where);
        const QJsonObject cell = cells.value({e.row, e.column});
        QVERIFY2(cell.value(QLatin1String("type")).toString() == e.type, where);
        if (e.type == QLatin1String("number"))
            QVERIFY2(cell.value(QLatin1String("value")).toDouble() == e.value.toDouble(), where);
        else if (e.type == QLatin1String("text"))
            QVERIFY2(cell.value(QLatin1String("value")).toString() == e.value.toString(), where);
    }

    // Every cell of the table has thin black lines on all four edges; row 2 has none.
    const QJsonArray thin = {1, 1, 1, 1};
    const QJsonArray black = {8, 8, 8, 8};
    for (int row = 3; row <= report.totalRow; ++row) {
        for (int column = 1; column <= 7; ++column) {
            const QByteArray where = QStringLiteral("row %1 column %2").arg(row).arg(column).toUtf8();
            QVERIFY2(cells.contains({row, column}), where);
            QVERIFY2(cells.value({row, column}).value(QLatin1String("lines")).toArray() == thin, where);
            QVERIFY2(cells.value({row, column}).value(QLatin1String("colours")).toArray() == black, where);
        }
    }
    QCOMPARE(cells.value({2, 1}).value(QLatin1String("lines")).toArray(), (QJsonArray{0, 0, 0, 0}));
    QVERIFY(!cells.contains({report.totalRow + 1, 1}));

    const QJsonObject widths = view.value(QLatin1String("widths")).toObject();
    for (int column = 1; column <= 7; ++column)
        QCOMPARE(widths.value(QString::number(column)).toInt(), qRound(TemplateWidths[column - 1] * 256));
    QCOMPARE(cells.value({4, 7}).value(QLatin1String("format")).toString(), QStringLiteral("#,##0.00"));
    QCOMPARE(cells.value({report.totalRow, 7}).value(QLatin1String("format")).toString(), QStringLiteral("#,##0.00"));
    QCOMPARE(cells.value({4, 1}).value(QLatin1String("format")).toString(), QStringLiteral("General"));
    const QJsonObject titleFont = cells.value({1, 1}).value(QLatin1String("font")).toObject();
    QCOMPARE(titleFont.value(QLatin1String("name")).toString(), QStringLiteral("宋体"));
    QCOMPARE(titleFont.value(QLatin1String("height")).toInt(), 18 * 20);
    QVERIFY(titleFont.value(QLatin1String("bold")).toBool());
    QVERIFY(cells.value({3, 2}).value(QLatin1String("font")).toObject().value(QLatin1String("bold")).toBool());
    QVERIFY(!cells.value({4, 2}).value(QLatin1String("font")).toObject().value(QLatin1String("bold")).toBool());
    QCOMPARE(view.value(QLatin1String("merged")).toArray(), (QJsonArray{QJsonArray{1, 1, 1, 7}}));

    // freexl: the texts, the numbers in shortest form and the total's stored value.
    const QList<QStringList> read = ReadXlsCells(path);
    QCOMPARE(read.size(), report.totalRow);
    for (const Expected &e : report.cells) {
        const QString shown = e.type == QLatin1String("number")
            ? QString::number(e.value.toDouble(), 'f', QLocale::FloatingPointShortest)
            : e.value.toString();
        QCOMPARE(cellOf(read, e.row, e.column), shown);
    }

    const QList<QStringList> calculated = recalculated(path);
    QCOMPARE(cellOf(calculated, report.totalRow, 7).toDouble(), report.total);
}

// A stale stored value: only a formula the reader understands brings the right result.
void TestXls::formulaIsCalculated_data()
{
    QTest::addColumn<QString>("formula");
    QTest::addColumn<double>("result");
    QTest::newRow("sum of a column range") << "SUM(G4:G6)" << 117100.75;
    QTest::newRow("sum of a part") << "SUM(G5:G6)" << 100.25;
    QTest::newRow("absolute ends") << "SUM($G$4:$G$5)" << 117000.75;
    QTest::newRow("a range over two columns") << "SUM(F4:G4)" << 117000.5 + 3;
    QTest::newRow("cells and a number") << "SUM(G4,G6,1)" << 117101.5;
    QTest::newRow("lower case, blanks") << "sum( G4 : G6 )" << 117100.75;
    QTest::newRow("largest") << "MAX(G4:G6)" << 117000.5;
    QTest::newRow("smallest") << "MIN(G4:G6)" << 0.25;
    QTest::newRow("average") << "AVERAGE(G5,G6)" << 50.125;
    QTest::newRow("count") << "COUNT(G4:G6)" << 3.0;
    QTest::newRow("one cell") << "G5" << 0.25;
}

void TestXls::formulaIsCalculated()
{
    QFETCH(QString, formula);
    QFETCH(double, result);
    XlsSheet sheet;
    sheet.SetText(1, 1, QStringLiteral("合计"));
    sheet.SetNumber(4, 6, 3);
    for (int i = 0; i < ThreeInvoices.size(); ++i)
        sheet.SetNumber(4 + i, 7, ThreeInvoices[i].total);
    sheet.SetFormula(7, 7, formula, -1);
    QTemporaryDir dir;
    const QString path = written(dir, sheet);
    const auto cells = cellsByPosition(xlrdView(path));
    QCOMPARE(cells.value({7, 7}).value(QLatin1String("type")).toString(), QStringLiteral("number"));
    QCOMPARE(cells.value({7, 7}).value(QLatin1String("value")).toDouble(), -1.0);
    QCOMPARE(cellOf(ReadXlsCells(path), 7, 7), QStringLiteral("-1"));
    QCOMPARE(cellOf(recalculated(path), 7, 7).toDouble(), result);
}

void TestXls::refusedFormula_data()
{
    QTest::addColumn<QString>("formula");
    QTest::newRow("unclosed") << "SUM(G4:G6";
    QTest::newRow("unknown function") << "FOO(G4)";
    QTest::newRow("no argument") << "SUM()";
    QTest::newRow("an operator") << "G4+G5";
    QTest::newRow("nested") << "SUM(MAX(G4:G5))";
    QTest::newRow("row beyond the sheet") << "SUM(G1:G65537)";
    QTest::newRow("column beyond the sheet") << "SUM(IW1:IW2)";
    QTest::newRow("empty") << "";
}

void TestXls::refusedFormula()
{
    QFETCH(QString, formula);
    XlsSheet sheet;
    QVERIFY_THROWS_EXCEPTION(AppError, sheet.SetFormula(1, 1, formula, 0));
}

// Texts go through the shared strings; long and many of them need CONTINUE records.
void TestXls::texts_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("Latin-1 only, one byte a character") << QStringList{QStringLiteral("Café Zürich ±5"), QStringLiteral("A")};
    QTest::newRow("Chinese") << QStringList{QStringLiteral("企业名称：某某汽车销售有限公司"), QStringLiteral("東風日產")};
    QTest::newRow("beside Latin-1 in one text") << QStringList{QStringLiteral("é大众€")};
    QTest::newRow("outside the basic plane") << QStringList{QStringLiteral("𠀀𠀁 车")};
    QTest::newRow("the same text twice") << QStringList{QStringLiteral("合计"), QStringLiteral("合计")};
    QTest::newRow("300 characters") << QStringList{QString(300, u'车') + QStringLiteral("end")};
    QTest::newRow("one text longer than a record") << QStringList{QString(5000, u'号'), QStringLiteral("after")};
    QTest::newRow("a one-byte text longer than a record") << QStringList{QString(9000, u'x'), QStringLiteral("后")};
    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many.append(i % 2 ? QStringLiteral("发票%1").arg(i) : QStringLiteral("text %1").arg(i));
    QTest::newRow("2000 different texts") << many;
}

void TestXls::texts()
{
    QFETCH(QStringList, texts);
    XlsSheet sheet;
    for (int i = 0; i < texts.size(); ++i)
        sheet.SetText(i + 1, 2, texts[i]);
    QTemporaryDir dir;
    const QString path = written(dir, sheet);
    const QJsonObject view = xlrdView(path);
    QCOMPARE(view.value(QLatin1String("log")).toString(), QString());
    const auto cells = cellsByPosition(view);
    const QList<QStringList> read = ReadXlsCells(path);
    QCOMPARE(read.size(), texts.size());
    for (int i = 0; i < texts.size(); ++i) {
        QCOMPARE(cells.value({i + 1, 2}).value(QLatin1String("value")).toString(), texts[i]);
        QCOMPARE(cellOf(read, i + 1, 2), texts[i]);
    }
}

// A sheet of the most rows BIFF8 holds makes a workbook stream of more than 109 FAT sectors:
// the compound file lists the others in DIFAT sectors, and other readers find every row.
void TestXls::fullSheetNeedsTheDifat()
{
    constexpr int Rows = 65536;
    XlsSheet sheet;
    for (int row = 1; row <= Rows; ++row) {
        sheet.SetText(row, 1, QString::number(row));
        for (int column = 2; column <= 6; ++column)
            sheet.SetText(row, column, QStringLiteral("车架号码%1-%2").arg(row).arg(column));
        sheet.SetNumber(row, 7, row + 0.25);
    }
    QTemporaryDir dir;
    const QString path = written(dir, sheet);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.read(512);
    const quint32 fatSectors = qFromLittleEndian<quint32>(header.constData() + 44);
    const quint32 difatSectors = qFromLittleEndian<quint32>(header.constData() + 72);
    QVERIFY2(fatSectors > 109 && difatSectors >= 1, qPrintable(QStringLiteral("%1 FAT sectors").arg(fatSectors)));
    QCOMPARE(file.size() % 512, 0);

    QProcess p;
    p.start(Python, {QStringLiteral("-c"),
                     QStringLiteral("import sys, xlrd\n"
                                    "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                                    "print(s.nrows, s.cell_value(s.nrows - 1, 4), s.cell_value(s.nrows - 1, 6))"),
                     path});
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), QStringLiteral("65536 车架号码65536-5 65536.25"));
    const QList<QStringList> read = ReadXlsCells(path);
    QCOMPARE(read.size(), Rows);
    QCOMPARE(cellOf(read, Rows, 6), QStringLiteral("车架号码65536-6"));
}

// Around the sizes where the header's 109 FAT sectors run out and where a first DIFAT sector
// fills: xlrd's own compound-file reader, which follows the DIFAT chain, gets the stream back.
void TestXls::compoundFileOfManyFatSectors_data()
{
    QTest::addColumn<int>("sectors"); // of the stream
    QTest::newRow("the header's FAT sectors only") << 109 * 128 - 120;
    QTest::newRow("one FAT sector more") << 109 * 128 - 100;
    QTest::newRow("the first DIFAT sector full") << (109 + 127) * 128 - 300;
    QTest::newRow("three DIFAT sectors") << (109 + 3 * 127) * 128 - 900;
}

void TestXls::compoundFileOfManyFatSectors()
{
    QFETCH(int, sectors);
    QByteArray stream(qsizetype(sectors) * 512 - 7, Qt::Uninitialized);
    quint32 state = 2463534242u; // xorshift: no sector repeats another
    for (char &byte : stream) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        byte = char(state);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.xls"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(CompoundFile(QStringLiteral("Workbook"), stream));
    file.close();
    QProcess p;
    p.start(Python, {QStringLiteral("-c"),
                     QStringLiteral("import hashlib, io, sys, xlrd.compdoc\n"
                                    "log = io.StringIO()\n"
                                    "doc = xlrd.compdoc.CompDoc(open(sys.argv[1], 'rb').read(), logfile=log)\n"
                                    "s = doc.get_named_stream('Workbook')\n"
                                    "print(len(s), hashlib.sha256(s).hexdigest(), repr(log.getvalue()))"),
                     path});
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(QString::fromUtf8(p.readAllStandardError()), QString());
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
             QStringLiteral("%1 %2 ''").arg(stream.size()).arg(QString::fromLatin1(
                 QCryptographicHash::hash(stream, QCryptographicHash::Sha256).toHex())));
}

void TestXls::shownCells_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("formula");
    QTest::addColumn<QString>("shown");
    QTest::newRow("amount column") << 7 << 1234567.5 << false << "1,234,567.50";
    QTest::newRow("amount column, negative") << 7 << -0.125 << false << "-0.13";
    QTest::newRow("formula in the amount column") << 7 << 117101.0 << true << "117,101.00";
    QTest::newRow("general column") << 2 << 1234567.5 << false << "1234567.5";
    QTest::newRow("general column, whole") << 2 << 1e15 << false << "1000000000000000";
}

void TestXls::shownCells()
{
    QFETCH(int, column);
    QFETCH(double, value);
    QFETCH(bool, formula);
    QFETCH(QString, shown);
    XlsSheet sheet = XlsSheet::FromTemplate(Template);
    if (formula)
        sheet.SetFormula(5, column, QStringLiteral("SUM(G4:G4)"), value);
    else
        sheet.SetNumber(5, column, value);
    const QList<QStringList> cells = sheet.Cells();
    QCOMPARE(cells.size(), 5);
    QCOMPARE(cells[4].size(), 7);
    QCOMPARE(cells[4][column - 1], shown);
}

void TestXls::templateSheet()
{
    const QList<QStringList> cells = XlsSheet::FromTemplate(Template).Cells();
    QCOMPARE(cells.size(), 3);
    for (const QStringList &row : cells)
        QCOMPARE(row.size(), 7);
    QCOMPARE(cells[0], (QStringList{QStringLiteral("机动车销售统一发票清单"), "", "", "", "", "", ""}));
    QCOMPARE(cells[1], QStringList(7, QString()));
    QCOMPARE(cells[2], Headings);
}

// The list prints landscape on A4, one page wide, as gnumeric reads the page settings.
void TestXls::printedOnePageWide()
{
    QTemporaryDir dir;
    const QString path = written(dir, monthlyReport(ThreeInvoices).sheet);
    const QString saved = dir.filePath(QStringLiteral("list.gnumeric"));
    QProcess convert;
    convert.start(QStringLiteral("ssconvert"), {path, saved});
    QVERIFY(convert.waitForFinished(120000) && convert.exitCode() == 0);
    QProcess unpack;
    unpack.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), saved});
    QVERIFY(unpack.waitForFinished(60000) && unpack.exitCode() == 0);
    const QByteArray settings = unpack.readAllStandardOutput();
    QVERIFY(settings.contains("<gnm:orientation>landscape</gnm:orientation>"));
    QVERIFY(settings.contains("<gnm:paper>iso_a4</gnm:paper>"));
    QVERIFY(settings.contains("<gnm:Scale type=\"size_fit\" cols=\"1\" rows=\"0\"/>"));
}

// A template cell with a look and no text keeps its look when the program writes the text, over
// the look of its column: the seller's name in A2 is left-aligned in a centred column.
void TestXls::templateLookUnderProgramText()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.vts"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<SheetTemplate><Font id=\"a\" name=\"x\" size=\"9\"/><Font id=\"b\" name=\"x\" size=\"9\" bold=\"true\"/>"
               "<Column ref=\"A\" align=\"center\"/><Cell ref=\"A2\" align=\"left\"/><Cell ref=\"B2\" font=\"b\"/>"
               "</SheetTemplate>");
    file.close();
    XlsSheet sheet = XlsSheet::FromTemplate(path);
    sheet.SetText(2, 1, QStringLiteral("企业名称：某某汽车销售有限公司"));
    sheet.SetText(2, 2, QStringLiteral("b"));
    sheet.SetText(3, 1, QStringLiteral("1"));
    const auto cells = cellsByPosition(xlrdView(written(dir, sheet)));
    QCOMPARE(cells.value({2, 1}).value(QLatin1String("align")).toInt(), 1); // left
    QCOMPARE(cells.value({3, 1}).value(QLatin1String("align")).toInt(), 2); // the column's centre
    QVERIFY(cells.value({2, 2}).value(QLatin1String("font")).toObject().value(QLatin1String("bold")).toBool());

    XlsSheet list = XlsSheet::FromTemplate(Template);
    list.SetText(2, 1, QStringLiteral("企业名称：某某汽车销售有限公司"));
    QCOMPARE(cellsByPosition(xlrdView(written(dir, list, QStringLiteral("l.xls")))).value({2, 1}).value(QLatin1String("align")).toInt(), 1);
}

void TestXls::unreadableTemplate_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("another XML document") << QByteArray("<PrintTemplates/>") << true;
    QTest::newRow("broken XML") << QByteArray("<SheetTemplate><Font id=\"a\" name=\"x\" size=\"9\"/>") << true;
    QTest::newRow("no font") << QByteArray("<SheetTemplate/>") << true;
    QTest::newRow("unknown font") << QByteArray("<SheetTemplate><Font id=\"a\" name=\"x\" size=\"9\"/>"
                                                "<Cell ref=\"A1\" font=\"b\">t</Cell></SheetTemplate>")
                                  << true;
    QTest::newRow("bad cell") << QByteArray("<SheetTemplate><Font id=\"a\" name=\"x\" size=\"9\"/>"
                                            "<Cell ref=\"1A\">t</Cell></SheetTemplate>")
                              << true;
    QTest::newRow("bad width") << QByteArray("<SheetTemplate><Font id=\"a\" name=\"x\" size=\"9\"/>"
                                             "<Column ref=\"A\" width=\"wide\"/></SheetTemplate>")
                               << true;
    QTest::newRow("bad orientation") << QByteArray("<SheetTemplate><Font id=\"a\" name=\"x\" size=\"9\"/>"
                                                   "<Page orientation=\"sideways\"/></SheetTemplate>")
                                     << true;
}

void TestXls::unreadableTemplate()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.vts"));
    if (exists) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QVERIFY_THROWS_EXCEPTION(AppError, XlsSheet::FromTemplate(path));
}

void TestXls::unreadableWorkbook()
{
    QTemporaryDir dir;
    QCOMPARE(ReadXlsCells(dir.filePath(QStringLiteral("none.xls"))), QList<QStringList>());
    const QString path = dir.filePath(QStringLiteral("text.xls"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    QCOMPARE(ReadXlsCells(path), QList<QStringList>());
}

QTEST_GUILESS_MAIN(TestXls)
#include "tst_xls.moc"
