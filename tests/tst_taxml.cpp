#include "TestDatabase.h"
#include "ScriptedBrowser.h"
#include "TestSupport.h"

#include "config/AppError.h"
#include "config/GbkText.h"
#include "config/Settings.h"
#include "db/BuyerDetails.h"
#include "db/demo/InvoicingSchema.h"
#include "reports/FolderBrowser.h"
#include "reports/FrmSBSJ.h"
#include "reports/TaxML.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString TaxNo = QStringLiteral("132058100000001");
const QString Code = QStringLiteral("132000812345");
const QString SellerName = QStringLiteral("某某汽车销售有限公司");

// The invoice of the golden message; the month's other invoices differ from it in a few values.
DemoInvoice invoiceA()
{
    DemoInvoice v;
    v.jddm = Code, v.jdhm = QStringLiteral("00001234");
    v.kprq = QStringLiteral("2008-03-05 14:22:10"), v.kpsj = QStringLiteral("2008-03-05 14:22:10");
    v.ghdw = QStringLiteral("张三"), v.sfzhm = QStringLiteral("110101199001011234");
    v.fdjhm = QStringLiteral("EA211-123456"), v.cd = QStringLiteral("一汽-大众汽车有限公司");
    v.cjhm = QStringLiteral("LFV2A21K5A3001234"), v.cpxh = QStringLiteral("大众FV7152FCDBG");
    v.jshj = QStringLiteral("117000.50"), v.zzsse = QStringLiteral("17000.07"), v.zzssl = QStringLiteral("0.17");
    v.xcrs = QStringLiteral("5"), v.nsrsbh = TaxNo, v.xhdwmc = SellerName, v.zgswjg_dm = QStringLiteral("13205810000");
    v.dz = QStringLiteral("北京市朝阳区车市路8号"), v.dh = QStringLiteral("010-88886666");
    v.khyh = QStringLiteral("中国工商银行"), v.zh = QStringLiteral("0200001234567890123");
    v.cllx = QStringLiteral("轿车"), v.hgzs = QStringLiteral("WBA012345678"), v.bz = QStringLiteral("备注");
    v.kpr = QStringLiteral("李四");
    return v;
}

DemoInvoice variant(const char *number, const char *issued, const char *flag, const char *buyer, const char *id,
                    const char *total)
{
    DemoInvoice v = invoiceA();
    v.jdhm = QLatin1String(number), v.kprq = v.kpsj = QLatin1String(issued), v.fpbz = QLatin1String(flag);
    v.ghdw = QString::fromUtf8(buyer), v.sfzhm = QLatin1String(id), v.jshj = QLatin1String(total);
    return v;
}

// March 2008: three invoices of the month in issue order E, A, B (B voided, without buyer
// details), one marked otherwise in the month and one of April.
void insertMonth(TJdcConnection &c)
{
    EnsureBuyerTable(c);
    InsertInvoice(c, invoiceA());
    InsertBuyerDetails(c, QStringLiteral("00001234"), Code,
                       {QStringLiteral("居民身份证"), QStringLiteral("13800138000"), QStringLiteral("100080"),
                        QStringLiteral("北京市海淀区中关村大街1号"), QString()});
    InsertInvoice(c, variant("00001240", "2008-03-05 09:00:00", "0", "赵六", "320581198805051234", "0.5"));
    InsertBuyerDetails(c, QStringLiteral("00001240"), Code,
                       {QStringLiteral("护照"), QStringLiteral("0512-52345678"), QStringLiteral("215500"),
                        QStringLiteral("苏州市常熟市海虞路2号"), QString()});
    InsertInvoice(c, variant("00001230", "2008-03-20", "2", "王五", "310101197001011234", "100"));
    InsertInvoice(c, variant("00001231", "2008-03-21", "1", "不在其中", "1", "1"));
    InsertInvoice(c, variant("00001232", "2008-04-01 08:00:00", "0", "下个月", "2", "2"));
}

// Invoice A with value as its buyer and as the buyer's address.
DemoInvoice insertBuyerValue(TJdcConnection &c, const QString &value)
{
    EnsureBuyerTable(c);
    DemoInvoice invoice = invoiceA();
    invoice.ghdw = value;
    InsertInvoice(c, invoice);
    InsertBuyerDetails(c, invoice.jdhm, invoice.jddm, {QString(), QString(), QString(), value, QString()});
    return invoice;
}

QByteArray golden(const char *name)
{
    const QByteArray bytes = readFileBytes(QStringLiteral(TESTDATA_DIR "/") + QLatin1String(name));
    if (bytes.isEmpty())
        qFatal("golden file %s is missing", name);
    return bytes;
}

// A month without invoices: the declaration, the root start tag and its end tag.
QByteArray emptyMonth()
{
    const QByteArray full = golden("sbsj-2008-03.xml");
    return full.left(full.indexOf("<jdcxsfpMxxx>")) + "</taxML>\r\n";
}

QByteArray unpacked(const InvoiceTaxML &message)
{
    return Gunzip(QByteArray::fromBase64(message.packed.toLatin1(), QByteArray::AbortOnBase64DecodingErrors));
}

void collectTexts(xmlNode *node, const QByteArray &tag, QStringList &texts)
{
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        if (tag == reinterpret_cast<const char *>(node->name)) {
            xmlChar *content = xmlNodeGetContent(node);
            texts << QString::fromUtf8(reinterpret_cast<const char *>(content));
            xmlFree(content);
        }
        collectTexts(node->children, tag, texts);
    }
}

// The texts of every element named tag, as libxml2 reads the document in the encoding it
// declares; a document it refuses gives the one text "malformed: " and its reason.
QStringList elementTexts(const QByteArray &document, const QString &tag)
{
    xmlResetLastError();
    xmlDoc *doc = xmlReadMemory(document.constData(), int(document.size()), nullptr, nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) {
        const xmlError *error = xmlGetLastError();
        return {QStringLiteral("malformed: ") + QString::fromUtf8(error ? error->message : "").trimmed()};
    }
    QStringList texts;
    collectTexts(xmlDocGetRootElement(doc), tag.toUtf8(), texts);
    xmlFreeDoc(doc);
    return texts;
}

// Python's zipfile as the second reader: entry names (raw bytes), flags, methods, systems, the header
// ids of the extra fields, and the first entry's content with the password, or why it could not be
// read.
QJsonObject openArchive(const QString &path, const QString &password = QString())
{
    static const char script[] = R"(
import json, sys, zipfile
result = {}
with zipfile.ZipFile(sys.argv[1]) as z:
    infos = z.infolist()
    result["names"] = [i.orig_filename.encode("utf-8" if i.flag_bits & 0x800 else "cp437").hex() for i in infos]
    result["flags"] = [i.flag_bits for i in infos]
    result["methods"] = [i.compress_type for i in infos]
    result["systems"] = [i.create_system for i in infos]
    result["extras"] = []
    for i in infos:
        ids, at = [], 0
        while at + 4 <= len(i.extra):
            ids.append(int.from_bytes(i.extra[at:at + 2], "little"))
            at += 4 + int.from_bytes(i.extra[at + 2:at + 4], "little")
        result["extras"].append(ids)
    try:
        result["content"] = z.read(infos[0], pwd=sys.argv[2].encode() if len(sys.argv) > 2 else None).hex()
    except Exception as e:
        result["error"] = str(e)
print(json.dumps(result))
)";
    QStringList arguments{QStringLiteral("-c"), QString::fromLatin1(script), path};
    if (!password.isNull())
        arguments << password;
    QProcess python;
    python.start(QStringLiteral("python3"), arguments);
    if (!python.waitForFinished(-1) || python.exitCode() != 0)
        return {{QStringLiteral("error"), QString::fromLocal8Bit(python.readAllStandardError())}};
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QByteArray content(const QJsonObject &archive)
{
    return QByteArray::fromHex(archive.value(QStringLiteral("content")).toString().toLatin1());
}

SellerValues seller(const QString &name = SellerName)
{
    SellerValues values;
    values.SellerName = name;
    values.SellerTaxNo = TaxNo;
    return values;
}

} // namespace

class TestTaxML : public QObject
{
    Q_OBJECT

private slots:
    void init() { Seller() = SellerValues{}; }

    void invoiceMessageIsTheGoldenDocument_data() { AddBackendRows(); }
    void invoiceMessageIsTheGoldenDocument()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        insertMonth(db.connection());
        const InvoiceTaxML message = MakeInvoiceTaxML(db.connection(), Code, QStringLiteral("00001234"));
        const QByteArray expected = golden("taxml-invoice.xml");
        QVERIFY(message.found);
        const QByteArray member = QByteArray::fromBase64(message.packed.toLatin1());
        QCOMPARE(member.left(10), QByteArray::fromHex("1f8b0800000000000000"));
        QCOMPARE(message.packed.size(), 4 * ((member.size() + 2) / 3));
        QCOMPARE(unpacked(message), expected);
        QCOMPARE(message.length, expected.size());
    }

    void invoiceMessageWhateverTheFlag_data() { AddBackendRows(); }
    void invoiceMessageWhateverTheFlag()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        insertMonth(db.connection());
        const InvoiceTaxML voided = MakeInvoiceTaxML(db.connection(), Code, QStringLiteral("00001230"));
        QVERIFY(voided.found);
        const QByteArray document = unpacked(voided);
        QCOMPARE(voided.length, document.size());
        QCOMPARE(elementTexts(document, QStringLiteral("fpbz")), QStringList{QStringLiteral("2")});
        QCOMPARE(elementTexts(document, QStringLiteral("kprq")), QStringList{QStringLiteral("2008-03-20")});
        QCOMPARE(elementTexts(document, QStringLiteral("jshj")), QStringList{QStringLiteral("100.00")});
        for (const char *buyer : {"nsrzjzlmc", "nsrdh", "nsrdz", "nsryb"})
            QCOMPARE(elementTexts(document, QLatin1String(buyer)), QStringList{QString()});

        const InvoiceTaxML none = MakeInvoiceTaxML(db.connection(), Code, QStringLiteral("09999999"));
        QVERIFY(!none.found);
        QVERIFY(none.packed.isEmpty());
        QCOMPARE(none.length, -1);
    }

    void invoiceValuesStayInsideTheirSections_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<QString>("value");
        for (const Backend backend : {Backend::SQLite, Backend::PostgreSQL}) {
            const QByteArray b = BackendName(backend).toLatin1();
            QTest::newRow(b + " section end") << backend << "甲]]>乙";
            QTest::newRow(b + " two section ends") << backend << "]]>]]>";
            QTest::newRow(b + " markup") << backend << "<a>&amp;</a>";
            QTest::newRow(b + " brackets at the end") << backend << "x]]";
        }
    }
    void invoiceValuesStayInsideTheirSections()
    {
        QFETCH(Backend, backend);
        QFETCH(QString, value);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        EnsureBuyerTable(db.connection());
        DemoInvoice invoice = invoiceA();
        invoice.ghdw = value;
        invoice.bz = value;
        InsertInvoice(db.connection(), invoice);
        const QByteArray document = unpacked(MakeInvoiceTaxML(db.connection(), invoice.jddm, invoice.jdhm));
        QCOMPARE(elementTexts(document, QStringLiteral("ghdw")), QStringList{value});
        QCOMPARE(elementTexts(document, QStringLiteral("bz")), QStringList{value});
    }

    void monthlyArchiveOpensOnlyWithItsPassword_data() { AddBackendRows(); }
    void monthlyArchiveOpensOnlyWithItsPassword()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        insertMonth(db.connection());
        QTemporaryDir work;
        const QString folder = work.filePath(QStringLiteral("out"));
        const QString temp = work.filePath(QStringLiteral("tmp"));
        QVERIFY(QDir().mkpath(folder) && QDir().mkpath(temp));
        const bool hadTemp = qEnvironmentVariableIsSet("TMPDIR");
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(temp));
        const QString path = WriteSBSJArchive(db.connection(), folder, QDate(2008, 3, 17), seller());
        hadTemp ? qputenv("TMPDIR", oldTemp) : qunsetenv("TMPDIR");

        const QString base = SellerName + QStringLiteral("(132058100000001-2008-03)");
        QCOMPARE(path, QDir(folder).filePath(base + QStringLiteral(".zip")));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{base + QStringLiteral(".zip")});
        QVERIFY2(QDir(temp).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 "buyer data left in the temporary folder");

        const QJsonObject opened = openArchive(path, QStringLiteral("132058100000001-2008-03"));
        QCOMPARE(opened.value(QStringLiteral("names")).toArray(),
                 QJsonArray{QString::fromLatin1(Gbk::encode(base + QStringLiteral(".xml")).toHex())});
        const int flags = opened.value(QStringLiteral("flags")).toArray().at(0).toInt();
        QVERIFY2(flags & 0x1, "entry not encrypted");
        QVERIFY2(!(flags & 0x800), "entry name marked UTF-8");
        QCOMPARE(opened.value(QStringLiteral("methods")).toArray(), QJsonArray{8}); // deflate
        QCOMPARE(opened.value(QStringLiteral("systems")).toArray(), QJsonArray{0}); // DOS
        QCOMPARE(opened.value(QStringLiteral("error")).toString(), QString());
        QCOMPARE(content(opened), golden("sbsj-2008-03.xml"));

        for (const QString &wrong : {QStringLiteral("132058100000001-2008-04"), QString()}) {
            const QJsonObject refused = openArchive(path, wrong);
            QVERIFY(!refused.value(QStringLiteral("error")).toString().isEmpty());
            QVERIFY(content(refused).isEmpty());
        }
    }

    void archiveBaseName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("base");
        // The program's one trimming rule: characters of code 32 or less, nothing else.
        QTest::newRow("blanks around") << " ABC " << "ABC(N-2008-03)";
        QTest::newRow("tab and line break around") << "\tABC\r\n" << "ABC(N-2008-03)";
        QTest::newRow("control at the end") << "ABC\x01" << "ABC(N-2008-03)";
        QTest::newRow("blank inside stays") << "A B" << "A B(N-2008-03)";
        QTest::newRow("ideographic space stays") << "ABC\u3000" << "ABC\u3000(N-2008-03)";
        QTest::newRow("no-break space stays") << "\u00A0ABC" << "\u00A0ABC(N-2008-03)";
    }
    void archiveBaseName()
    {
        QFETCH(QString, name);
        QFETCH(QString, base);
        QCOMPARE(SBSJBaseName(name, QStringLiteral("N"), QStringLiteral("2008-03")), base);
    }

    void monthlyArchiveNamesItsEntryInGbk_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("GBK bytes that are no UTF-8") << SellerName;
        QTest::newRow("GBK bytes that happen to be UTF-8") << QStringLiteral("某某实业");
        QTest::newRow("ASCII") << QStringLiteral("ABC Motors");
    }
    void monthlyArchiveNamesItsEntryInGbk()
    {
        QFETCH(QString, name);
        TestDatabase db(Backend::SQLite);
        insertMonth(db.connection());
        QTemporaryDir folder;
        const QString path = WriteSBSJArchive(db.connection(), folder.path(), QDate(2008, 3, 1), seller(name));

        const QString base = name + QStringLiteral("(132058100000001-2008-03)");
        QCOMPARE(path, QDir(folder.path()).filePath(base + QStringLiteral(".zip")));
        const QJsonObject opened = openArchive(path, QStringLiteral("132058100000001-2008-03"));
        QCOMPARE(opened.value(QStringLiteral("error")).toString(), QString());
        // The name's own bytes, unmarked and without a second, Unicode name (extra field 0x7075).
        QCOMPARE(opened.value(QStringLiteral("names")).toArray(),
                 QJsonArray{QString::fromLatin1(Gbk::encode(base + QStringLiteral(".xml")).toHex())});
        QVERIFY2(!(opened.value(QStringLiteral("flags")).toArray().at(0).toInt() & 0x800), "entry name marked UTF-8");
        QVERIFY(!opened.value(QStringLiteral("extras")).toArray().at(0).toArray().contains(0x7075));
        QCOMPARE(content(opened), golden("sbsj-2008-03.xml"));
    }

    // A seller's name with separators or ".." names one archive in the folder and one entry
    // without a folder part, so that unpacking it writes nothing outside the unpacker's folder.
    void monthlyArchiveOfAHostileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("base");
        QTest::newRow("climbing out") << "../../../escape/EVIL" << "______escape_EVIL(132058100000001-2008-03)";
        QTest::newRow("separators") << "甲/乙\\丙" << "甲_乙_丙(132058100000001-2008-03)";
    }
    void monthlyArchiveOfAHostileName()
    {
        QFETCH(QString, name);
        QFETCH(QString, base);
        TestDatabase db(Backend::SQLite);
        insertMonth(db.connection());
        QTemporaryDir work;
        const QString folder = work.filePath(QStringLiteral("a/b/c/out"));
        QVERIFY(QDir().mkpath(folder) && QDir().mkpath(work.filePath(QStringLiteral("a/escape"))));
        const QString path = WriteSBSJArchive(db.connection(), folder, QDate(2008, 3, 1), seller(name));
        QCOMPARE(path, QDir(folder).filePath(base + QStringLiteral(".zip")));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{base + QStringLiteral(".zip")});
        const QJsonObject opened = openArchive(path, QStringLiteral("132058100000001-2008-03"));
        QCOMPARE(opened.value(QStringLiteral("error")).toString(), QString());
        QCOMPARE(opened.value(QStringLiteral("names")).toArray(),
                 QJsonArray{QString::fromLatin1(Gbk::encode(base + QStringLiteral(".xml")).toHex())});
        QCOMPARE(content(opened), golden("sbsj-2008-03.xml"));
    }

    void monthlyValuesAreEscaped_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        for (const Backend backend : {Backend::SQLite, Backend::PostgreSQL}) {
            const QByteArray b = BackendName(backend).toLatin1();
            QTest::newRow(b + " ampersand") << backend << "甲&乙" << "甲&amp;乙";
            QTest::newRow(b + " tags") << backend << "<b>x</b>" << "&lt;b&gt;x&lt;/b&gt;";
            QTest::newRow(b + " entity stays text") << backend << "&lt;" << "&amp;lt;";
        }
    }
    void monthlyValuesAreEscaped()
    {
        QFETCH(Backend, backend);
        QFETCH(QString, value);
        QFETCH(QString, written);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        const DemoInvoice invoice = insertBuyerValue(db.connection(), value);
        const QByteArray document = MakeSBSJDocument(db.connection(), QStringLiteral("2008-03"));
        QVERIFY(document.contains(Gbk::encode(QStringLiteral("<ghdw>") + written + QStringLiteral("</ghdw> \r\n"))));
        QCOMPARE(elementTexts(document, QStringLiteral("ghdw")), QStringList{value});
        QCOMPARE(elementTexts(document, QStringLiteral("nsrdz")), QStringList{value + QLatin1Char(' ')});
    }

    void controlCharactersAreLeftOut_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("read");
        for (const Backend backend : {Backend::SQLite, Backend::PostgreSQL}) {
            const QByteArray b = BackendName(backend).toLatin1();
            QTest::newRow(b + " controls XML forbids") << backend << "甲\x01乙\x08丙\x0B丁\x0C戊\x0E己\x1F庚" << "甲乙丙丁戊己庚";
            QTest::newRow(b + " only a control") << backend << "\x02" << "";
            QTest::newRow(b + " tab and line feed stay") << backend << "甲\t乙\n丙" << "甲\t乙\n丙";
        }
    }
    void controlCharactersAreLeftOut()
    {
        QFETCH(Backend, backend);
        QFETCH(QString, value);
        QFETCH(QString, read);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        const DemoInvoice invoice = insertBuyerValue(db.connection(), value);

        const InvoiceTaxML message = MakeInvoiceTaxML(db.connection(), invoice.jddm, invoice.jdhm);
        const QByteArray record = unpacked(message);
        QCOMPARE(message.length, record.size());
        QCOMPARE(elementTexts(record, QStringLiteral("ghdw")), QStringList{read});
        QCOMPARE(elementTexts(record, QStringLiteral("nsrdz")), QStringList{read});

        const QByteArray month = MakeSBSJDocument(db.connection(), QStringLiteral("2008-03"));
        QCOMPARE(elementTexts(month, QStringLiteral("ghdw")), QStringList{read});
        QCOMPARE(elementTexts(month, QStringLiteral("nsrdz")), QStringList{read + QLatin1Char(' ')});
    }

    void failedRunKeepsTheEarlierArchive_data() { AddBackendRows(); }
    void failedRunKeepsTheEarlierArchive()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        insertMonth(db.connection());
        QTemporaryDir folder;
        const QString path = WriteSBSJArchive(db.connection(), folder.path(), QDate(2008, 3, 1), seller());
        const QByteArray first = readFileBytes(path);

        db.connection().Execute(QStringLiteral("drop table Kerrowvantis"));
        QVERIFY_THROWS_EXCEPTION(AppError, WriteSBSJArchive(db.connection(), folder.path(), QDate(2008, 3, 1), seller()));
        QCOMPARE(readFileBytes(path), first);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

        // A complete run does replace it.
        CreateInvoicingTables(db.connection());
        EnsureBuyerTable(db.connection());
        QCOMPARE(WriteSBSJArchive(db.connection(), folder.path(), QDate(2008, 3, 1), seller()), path);
        QCOMPARE(content(openArchive(path, QStringLiteral("132058100000001-2008-03"))), emptyMonth());
    }

    void dialogOpensOnLastMonth_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("shown");
        QTest::newRow("mid-year") << QDate(2026, 6, 15) << QDate(2026, 5, 1);
        QTest::newRow("january") << QDate(2026, 1, 31) << QDate(2025, 12, 1);
    }
    void dialogOpensOnLastMonth()
    {
        QFETCH(QDate, today);
        QFETCH(QDate, shown);
        TJdcConnection unused;
        ScriptedBrowser browser;
        const FixedClock clock(QDateTime(today, QTime(10, 0)));
        TfrmSBSJ dialog(unused, &browser, clock);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("生成上报数据"));
        QCOMPARE(dialog.findChild<QGroupBox *>(QStringLiteral("GroupBox1"))->title(),
                 QStringLiteral("请选择上报数据月份"));
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("上报数据月份"));
        QCOMPARE(dialog.OkButton()->text(), QStringLiteral("确定"));
        QCOMPARE(dialog.CancelButton()->text(), QStringLiteral("取消"));
        QCOMPARE(dialog.MonthPicker()->displayFormat(), QStringLiteral("yyyy年MM月"));
        QCOMPARE(dialog.MonthPicker()->date(), shown);
    }

    void dialogMonthCheck_data()
    {
        QTest::addColumn<QDate>("chosen");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("current month") << QDate(2026, 6, 1) << true;
        QTest::newRow("current month, later day") << QDate(2026, 6, 30) << true;
        QTest::newRow("previous year") << QDate(2025, 12, 1) << true;
        QTest::newRow("next month") << QDate(2026, 7, 1) << false;
    }
    void dialogMonthCheck()
    {
        QFETCH(QDate, chosen);
        QFETCH(bool, allowed);
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TJdcConnection unused;
        ScriptedBrowser browser;
        const FixedClock clock(QDateTime(QDate(2026, 6, 15), QTime(10, 0)));
        TfrmSBSJ dialog(unused, &browser, clock);
        dialog.MonthPicker()->setDate(chosen);
        QCOMPARE(dialog.CheckSBSJMonth(), allowed);
        QCOMPARE(boxes.shown.size(), allowed ? 0 : 1);
        if (!allowed) {
            QCOMPARE(boxes.shown[0].kind, MessageKind::Warning);
            QCOMPARE(boxes.shown[0].text, QStringLiteral("只能生成当前月或以前月的数据！"));
        }
    }

    void dialogOkWritesTheArchiveAndCloses_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<QDate>("month");
        for (const Backend backend : {Backend::SQLite, Backend::PostgreSQL}) {
            const QByteArray b = BackendName(backend).toLatin1();
            QTest::newRow(b + " invoices") << backend << QDate(2008, 3, 1);
            QTest::newRow(b + " empty month") << backend << QDate(2008, 5, 1);
        }
    }
    void dialogOkWritesTheArchiveAndCloses()
    {
        QFETCH(Backend, backend);
        QFETCH(QDate, month);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        insertMonth(db.connection());
        Seller() = seller(QStringLiteral(" ABC "));
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        QTemporaryDir folder;
        ScriptedBrowser browser;
        browser.answer = folder.path();
        const FixedClock clock(QDateTime(QDate(2026, 6, 15), QTime(10, 0)));
        TfrmSBSJ dialog(db.connection(), &browser, clock);
        dialog.MonthPicker()->setDate(month);
        dialog.show();
        dialog.OkButton()->click();

        QCOMPARE(browser.titles, QStringList{QStringLiteral("请选择文件存储路径")});
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, MessageKind::Information);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("生成上报数据成功！"));
        QVERIFY(dialog.Done());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QString monthText = month.toString(QStringLiteral("yyyy-MM"));
        const QString path = QDir(folder.path()).filePath(QStringLiteral("ABC(132058100000001-%1).zip").arg(monthText));
        const QByteArray expected = month.month() == 3 ? golden("sbsj-2008-03.xml") : emptyMonth();
        QCOMPARE(content(openArchive(path, QStringLiteral("132058100000001-") + monthText)), expected);
    }

    void dialogStaysOpenWithoutAnArchive_data()
    {
        QTest::addColumn<QDate>("month");
        QTest::addColumn<QString>("folder"); // "chosen", "cancelled" or "under a file"
        QTest::addColumn<bool>("breakDatabase");
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message"); // how the one message starts; empty for none
        const QString failed = QStringLiteral("生成上报数据失败！原因：");
        QTest::newRow("month refused") << QDate(2026, 7, 1) << "chosen" << false << 0 << int(MessageKind::Warning)
                                       << QStringLiteral("只能生成当前月或以前月的数据！");
        QTest::newRow("browser cancelled") << QDate(2008, 3, 1) << "cancelled" << false << 1 << 0 << QString();
        QTest::newRow("database failure") << QDate(2008, 3, 1) << "chosen" << true << 1 << int(MessageKind::Error) << failed;
        // A folder under a regular file cannot be written to, not even by root.
        QTest::newRow("folder cannot be written") << QDate(2008, 3, 1) << "under a file" << false << 1
                                                  << int(MessageKind::Error) << failed + QStringLiteral("不能写入文件 ");
    }
    void dialogStaysOpenWithoutAnArchive()
    {
        QFETCH(QDate, month);
        QFETCH(QString, folder);
        QFETCH(bool, breakDatabase);
        QFETCH(int, asked);
        QFETCH(int, kind);
        QFETCH(QString, message);
        TestDatabase db(Backend::SQLite);
        insertMonth(db.connection());
        if (breakDatabase)
            db.connection().Execute(QStringLiteral("drop table bdjdcxstyfp"));
        Seller() = seller();
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        QTemporaryDir chosen;
        QTemporaryDir elsewhere;
        const QString file = elsewhere.filePath(QStringLiteral("file"));
        writeFileBytes(file, "x");
        ScriptedBrowser browser;
        if (folder == QLatin1String("chosen"))
            browser.answer = chosen.path();
        else if (folder == QLatin1String("under a file"))
            browser.answer = file + QStringLiteral("/out");
        const FixedClock clock(QDateTime(QDate(2026, 6, 15), QTime(10, 0)));
        TfrmSBSJ dialog(db.connection(), &browser, clock);
        dialog.MonthPicker()->setDate(month);
        dialog.show();
        dialog.OkButton()->click();

        QCOMPARE(browser.titles.size(), asked);
        QCOMPARE(boxes.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(int(boxes.shown[0].kind), kind);
            QVERIFY2(boxes.shown[0].text.startsWith(message), qPrintable(boxes.shown[0].text));
            QVERIFY(!boxes.shown[0].text.endsWith(QStringLiteral("原因："))); // the reason itself follows
        }
        QVERIFY(chosen.isValid() && QDir(chosen.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        QCOMPARE(readFileBytes(file), QByteArray("x"));
        QVERIFY(!dialog.Done());
        QVERIFY(!dialog.close());
        dialog.reject();
        QVERIFY(dialog.isVisible());

        // Escape is Cancel, which always closes.
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.Done());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(browser.titles.size(), asked);
    }
};

QTEST_MAIN(TestTaxML)
#include "tst_taxml.moc"
