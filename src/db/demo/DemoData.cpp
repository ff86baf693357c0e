#include "DemoData.h"

#include <algorithm>
#include <vector>

#include <QDate>
#include <QRandomGenerator>
#include <QStringList>

#include "config/TimeText.h"
#include "db/BuyerDetails.h"
#include "db/JdcConnection.h"

namespace {

// The dealer's own details that the seller table does not hold but every invoice prints.
const QString SellerAddress = QStringLiteral("云岭市东环路188号");
const QString SellerTelephone = QStringLiteral("0512-52861234");
const QString SellerBank = QStringLiteral("中国工商银行云岭支行");
const QString SellerAccount = QStringLiteral("1102021109000123456");

struct VehicleModel {
    QString maker, model, kind; // cd, cpxh, cllx
    QString vinPrefix;          // VIN characters 1-8
    QString enginePrefix;
    int minPrice, maxPrice; // yuan, tax included
    QString seats, tonnage;
};

// Texts separated by blanks.
QStringList words(const char *utf8)
{
    return QString::fromUtf8(utf8).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QStringList characters(const char *utf8)
{
    QStringList list;
    for (const QChar c : QString::fromUtf8(utf8))
        list << QString(c);
    return list;
}

const std::vector<VehicleModel> &vehicleModels()
{
    // maker | make and model | vehicle type | VIN prefix | engine prefix | price range | seats | tonnage
    static const char *const table[] = {
        "一汽-大众汽车有限公司|大众FV7152FCDBG|小型轿车|LFV2A21K|CSS|110000|150000|5|",
        "一汽-大众汽车有限公司|大众FV7203TFDBG|小型轿车|LFV3A23C|DKV|180000|260000|5|",
        "一汽-大众汽车有限公司|奥迪FV7201BACBG|小型轿车|LFV3A28W|DKW|300000|400000|5|",
        "上汽通用汽车有限公司|别克SGM7150|小型轿车|LSGKC54L|LDE|100000|150000|5|",
        "上汽通用汽车有限公司|别克SGM6521UAAA|小型普通客车|LSGUL5A8|LTD|230000|320000|7|",
        "比亚迪汽车工业有限公司|比亚迪BYD7152WT6HEVC1|小型轿车|LGXCC4C4|BYD472QA|150000|200000|5|",
        "比亚迪汽车工业有限公司|比亚迪BYD6470ST6HEV|小型普通客车|LGXFC4D2|BYD487ZQA|200000|280000|5|",
        "长城汽车股份有限公司|哈弗CC6460RM2F|小型普通客车|LGWEF6CM|GW4C20|100000|160000|5|",
        "长城汽车股份有限公司|长城CC1031PA4K|轻型普通货车|LGWCB3AD|GW4D20|80000|120000|5|0.75",
        "吉利汽车有限公司|吉利MR7153A01|轿车|L6T7822Z|JLC-4G15|80000|120000|5|",
        "吉利汽车有限公司|吉利MR6471D04|小型普通客车|L6T7852D|JLE-4G18|100000|160000|5|",
        "上汽大众汽车有限公司|大众SVW7142BPD|轿车|LSVAG60C|DJS|130000|180000|5|",
        "广汽本田汽车有限公司|本田GHA7150ACC5A|小型轿车|LHGCR287|L15B|140000|200000|5|",
        "东风日产乘用车公司|日产DFL7160VBL2|小型轿车|LGBH8ZE0|HR16|90000|140000|5|",
    };
    static const std::vector<VehicleModel> models = [] {
        std::vector<VehicleModel> list;
        for (const char *row : table) {
            const QStringList f = QString::fromUtf8(row).split(QLatin1Char('|'));
            list.push_back({f[0], f[1], f[2], f[3], f[4], f[5].toInt(), f[6].toInt(), f[7], f[8]});
        }
        return list;
    }();
    return models;
}

// Draws that meet in one expression go into statements of their own: C++ leaves the order of
// operands open, and a seed must give the same rows with every compiler.
template <typename T>
const T &pick(QRandomGenerator &random, const QList<T> &list)
{
    return list.at(random.bounded(int(list.size())));
}

QString digits(QRandomGenerator &random, int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QLatin1Char(char('0' + random.bounded(10)));
    return text;
}

// A resident ID number with its region, birth date and the check character of GB 11643.
QString idCardNumber(QRandomGenerator &random, const QDate &issued)
{
    static const QStringList regions = words("320581 320582 320505 320583 320681 341222 412726 510322 130425");
    const QDate birth = issued.addYears(-22 - random.bounded(44)).addDays(-random.bounded(365));
    QString body = pick(random, regions) + birth.toString(QStringLiteral("yyyyMMdd"));
    body += digits(random, 3);
    static const int weights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
    int sum = 0;
    for (int i = 0; i < 17; ++i)
        sum += body.at(i).digitValue() * weights[i];
    return body + QLatin1Char("10X98765432"[sum % 11]);
}

// An organisation code "XXXXXXXX-C" with the check character of GB 11714.
QString organisationCode(QRandomGenerator &random)
{
    const QString body = digits(random, 8);
    static const int weights[8] = {3, 7, 9, 10, 5, 8, 4, 2};
    int sum = 0;
    for (int i = 0; i < 8; ++i)
        sum += body.at(i).digitValue() * weights[i];
    const int check = 11 - sum % 11;
    return body + QLatin1Char('-') + (check == 10 ? QStringLiteral("X") : QString::number(check % 11));
}

// A VIN with the check digit of ISO 3779 in position 9 and the model year in position 10.
QString vin(QRandomGenerator &random, const VehicleModel &model, int year)
{
    static const char years[] = "ABCDEFGHJKLMNPRSTVWXY123456789"; // 2010 onwards
    static const char plants[] = "12345ABCDE";
    const int yearIndex = qBound(0, year - 2010, int(sizeof years) - 2);
    QString text = model.vinPrefix + QLatin1Char('0') + QLatin1Char(years[yearIndex]);
    text += QLatin1Char(plants[random.bounded(int(sizeof plants) - 1)]);
    text += digits(random, 6);
    static const int weights[17] = {8, 7, 6, 5, 4, 3, 2, 10, 0, 9, 8, 7, 6, 5, 4, 3, 2};
    static const QString letters = QStringLiteral("ABCDEFGHJKLMNPRSTUVWXYZ");
    static const int letterValues[] = {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 7, 9, 2, 3, 4, 5, 6, 7, 8, 9};
    int sum = 0;
    for (int i = 0; i < 17; ++i) {
        const QChar c = text.at(i);
        const int value = c.isDigit() ? c.digitValue() : letterValues[qMax(0, int(letters.indexOf(c)))];
        sum += value * weights[i];
    }
    text[8] = sum % 11 == 10 ? QLatin1Char('X') : QLatin1Char(char('0' + sum % 11));
    return text;
}

QString buyerName(QRandomGenerator &random, bool company)
{
    static const QStringList surnames = characters("王李张刘陈杨赵黄周吴徐孙胡朱高林何郭马罗梁宋郑谢韩唐冯于董萧程曹袁邓许傅"
                                                   "沈曾彭吕苏卢蒋蔡贾丁魏薛叶阎余潘杜戴夏钟汪田任姜范方石姚谭廖邹熊金陆郝"
                                                   "孔白崔康毛邱秦江史顾侯邵孟龙万段钱汤尹黎易常武乔贺赖龚文");
    static const QStringList given = characters("伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂英华建国志文斌玉兰海燕晨浩宇"
                                                "欣怡佳琪子轩雨萱梓涵俊鹏飞雪梅红春林晓东立新丹凤云波辉");
    if (!company) {
        QString name = pick(random, surnames);
        name += pick(random, given);
        if (random.bounded(3) != 0)
            name += pick(random, given);
        return name;
    }
    static const QStringList places = words("云岭 江源 青禾 东湖 南桥");
    static const QStringList trades = words("宏达 恒信 鑫源 华瑞 同创 金桥 永盛 嘉禾 联丰 博远");
    static const QStringList fields = words("物流 建材 科技 商贸 工程 食品 纺织 电子 机械 装饰");
    static const QStringList forms = words("有限公司 有限责任公司 股份有限公司");
    QString name;
    for (const QStringList *part : {&places, &trades, &fields, &forms})
        name += pick(random, *part);
    return name;
}

// Issue times spread over [from, to], moved into office hours (8:00-18:00) where that keeps them
// inside, then sorted and made strictly increasing so that no two invoices share one.
std::vector<QDateTime> issueTimes(QRandomGenerator &random, int count, const QDateTime &from, const QDateTime &to)
{
    const qint64 start = from.toMSecsSinceEpoch();
    const qint64 span = qMax<qint64>(0, to.toMSecsSinceEpoch() - start) + 1;
    std::vector<qint64> stamps;
    stamps.reserve(count);
    for (int i = 0; i < count; ++i) {
        const qint64 stamp = start + qint64(random.generate64() % quint64(span));
        const QDateTime time = QDateTime::fromMSecsSinceEpoch(stamp);
        constexpr qint64 Hour = 3600 * 1000;
        const qint64 officeMs = 8 * Hour + qint64(time.time().msecsSinceStartOfDay()) * 10 / 24;
        const QTime officeTime = QTime::fromMSecsSinceStartOfDay(int(officeMs));
        // The day before when the day's office hours lie beyond to (a range ending early in the day).
        qint64 chosen = stamp;
        for (const QDate &day : {time.date(), time.date().addDays(-1)}) {
            const qint64 office = QDateTime(day, officeTime).toMSecsSinceEpoch();
            if (office >= start && office < start + span) {
                chosen = office;
                break;
            }
        }
        stamps.push_back(chosen);
    }
    std::sort(stamps.begin(), stamps.end());
    std::vector<QDateTime> times;
    times.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && stamps[i] <= stamps[i - 1])
            stamps[i] = stamps[i - 1] + 1;
        times.push_back(QDateTime::fromMSecsSinceEpoch(stamps[i]));
    }
    return times;
}

// Cents as yuan with two decimals: "123456.00".
QString amountText(qint64 cents)
{
    return QStringLiteral("%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0'));
}

QString buyerAddress(QRandomGenerator &random, bool company)
{
    static const QStringList areas = words("城东街道 城西街道 新港镇 东湖镇 南塘镇 北桥镇");
    static const QStringList roads = words("人民路 建设路 解放路 长江路 黄河路 新华路 东环路 学前街");
    QString address = QStringLiteral("云岭市") + (company ? QStringLiteral("经济开发区") : pick(random, areas));
    address += pick(random, roads);
    address += QString::number(1 + random.bounded(399)) + QStringLiteral("号");
    if (!company && random.bounded(2) == 0) {
        const int building = 1 + random.bounded(30);
        const int floor = 1 + random.bounded(18);
        address += QStringLiteral("%1幢%2室").arg(building).arg(floor * 100 + 1 + random.bounded(4));
    }
    return address;
}

QString telephone(QRandomGenerator &random, bool company)
{
    static const QStringList mobiles = words("133 135 136 137 138 139 150 151 158 159 180 186 187 189");
    if (company)
        return QStringLiteral("0512-5") + digits(random, 7);
    const QString prefix = pick(random, mobiles);
    return prefix + digits(random, 8);
}

// Runs "head values (...),(...)" a few hundred rows a statement.
void insertInBatches(TJdcConnection &connection, const QString &head, const QStringList &rows)
{
    constexpr qsizetype RowsPerStatement = 200;
    for (qsizetype start = 0; start < rows.size(); start += RowsPerStatement)
        connection.Execute(head + rows.mid(start, RowsPerStatement).join(QLatin1Char(',')));
}

} // namespace

DemoSeller DemoSellerRow()
{
    return {QStringLiteral("320581739256418"), QStringLiteral("云岭瑞通汽车销售服务有限公司"), QStringLiteral("13205810000"),
            QStringLiteral("云岭市国家税务局第一分局")};
}

QList<DemoInvoice> GenerateDemoInvoices(int count, quint32 seed, const QDateTime &from, const QDateTime &to,
                                        const DemoSeller &seller, int firstNumber)
{
    QRandomGenerator random(seed);
    count = qMax(0, count);
    const std::vector<QDateTime> times = issueTimes(random, count, from, to);
    static const QStringList clerks = words("陈丽 周敏 孙雅琴");
    static const QStringList remarks = words("分期付款 含上牌服务 置换业务 单位购车");
    static const QString rate13 = QStringLiteral("0.13");
    static const QString rate17 = QStringLiteral("0.17");
    const std::vector<VehicleModel> &models = vehicleModels();

    QList<DemoInvoice> invoices;
    invoices.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QDateTime &issued = times[size_t(i)];
        const VehicleModel &model = models[size_t(random.bounded(int(models.size())))];
        const bool company = random.bounded(100) < 15;
        DemoInvoice v;
        // A new roll of invoices every third of the run, and a new code each year.
        const int year = issued.date().year();
        v.jddm = QStringLiteral("13205%1").arg(year % 100, 2, 10, QLatin1Char('0')) + QStringLiteral("120") +
                 QStringLiteral("%1").arg(1 + i * 3 / count, 2, 10, QLatin1Char('0'));
        v.jdhm = QStringLiteral("%1").arg(firstNumber + i, 8, 10, QLatin1Char('0'));
        v.kpsj = TimeText::dateTime(issued);
        // The invoicing program keeps the invoice date as text with its time.
        v.kprq = issued.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        v.fpbz = random.bounded(20) == 0 ? QStringLiteral("2") : QStringLiteral("0");
        v.ghdw = buyerName(random, company);
        v.sfzhm = company ? organisationCode(random) : idCardNumber(random, issued.date());
        v.fdjhm = model.enginePrefix + digits(random, 7);
        v.cd = model.maker;
        v.cjhm = vin(random, model, year);
        v.cpxh = model.model;
        const int hundreds = random.bounded((model.maxPrice - model.minPrice) / 100 + 1);
        const int yuan = qBound(80000, model.minPrice + hundreds * 100, 400000);
        // 17% until the rate became 13% in April 2019 (the 16% year is left out).
        const int rate = issued.date() < QDate(2019, 4, 1) ? 17 : 13;
        const qint64 cents = qint64(yuan) * 100;
        v.jshj = amountText(cents);
        v.zzsse = amountText((cents * rate * 2 + (100 + rate)) / (2 * (100 + rate)));
        v.zzssl = rate == 13 ? rate13 : rate17;
        v.dw = model.tonnage;
        v.xcrs = model.seats;
        v.nsrsbh = seller.nsrsbh;
        v.xhdwmc = seller.xhdwmc;
        v.zgswjg_dm = seller.zgswjgdm;
        v.dz = SellerAddress;
        v.dh = SellerTelephone;
        v.khyh = SellerBank;
        v.zh = SellerAccount;
        v.cllx = model.kind;
        v.hgzs = QStringLiteral("W") + QLatin1Char("ADEFJKL"[random.bounded(7)]);
        v.hgzs += digits(random, 13);
        if (random.bounded(8) == 0)
            v.bz = pick(random, remarks);
        v.kpr = pick(random, clerks);
        invoices.append(v);
    }
    return invoices;
}

void LoadDemoInvoices(TJdcConnection &connection, const QList<DemoInvoice> &invoices)
{
    connection.BeginTransaction();
    InsertInvoices(connection, invoices);
    connection.Commit();
}

void LoadDemoBuyerDetails(TJdcConnection &connection, const QList<DemoInvoice> &invoices, int count, quint32 seed)
{
    EnsureBuyerTable(connection);
    QRandomGenerator random(seed);
    static const QStringList postcodes = words("215500 215513 215531 215521 215534 215537");
    const qsizetype rowCount = qBound(qsizetype(0), qsizetype(count), invoices.size());
    QStringList rows;
    rows.reserve(rowCount);
    for (qsizetype i = 0; i < rowCount; ++i) {
        const DemoInvoice &v = invoices.at(i);
        const bool company = v.sfzhm.size() != 18;
        const QString documentType = company ? QStringLiteral("组织机构代码证书")
                                     : random.bounded(20) == 0 ? QStringLiteral("其它证件")
                                                               : QStringLiteral("身份证");
        const QStringList values{QuotedSql(v.jddm),
                                 QuotedSql(v.jdhm),
                                 QuotedSql(documentType),
                                 QuotedSql(buyerAddress(random, company)),
                                 QuotedSql(telephone(random, company)),
                                 QuotedSql(pick(random, postcodes)),
                                 random.bounded(3) == 0 ? QStringLiteral("'1'") : QStringLiteral("'0'")};
        rows << QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    connection.BeginTransaction();
    insertInBatches(connection, QStringLiteral("insert into Kerrowvantis (jddm,jdhm,zjlx,lxdz,lxdh,yzbm,BZ) values "),
                    rows);
    connection.Commit();
}
