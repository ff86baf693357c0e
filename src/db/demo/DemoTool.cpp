// kerrowvantis-demo: makes and feeds the demo invoicing database.

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QVariant>

#include "config/AppError.h"
#include "config/Utf8Locale.h"
#include "db/JdcConnection.h"
#include "db/demo/DemoData.h"
#include "db/demo/InvoicingSchema.h"

namespace {

constexpr quint32 DemoSeed = 20240917;

void say(const QString &text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void complain(const QString &text)
{
    std::fputs((QStringLiteral("kerrowvantis-demo: ") + text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

int usage()
{
    complain(QStringLiteral("usage:\n"
                            "  kerrowvantis-demo create FILE                  new SQLite demo database FILE\n"
                            "  kerrowvantis-demo register NAME FILE           user data source NAME for FILE\n"
                            "  kerrowvantis-demo setup NAME FILE              both, unless NAME is registered already\n"
                            "  kerrowvantis-demo add-invoice DSN              one new invoice issued now\n"
                            "  kerrowvantis-demo generate [--force] DSN COUNT DETAILS\n"
                            "                  new tables with COUNT invoices; --force for a database this tool did not fill"));
    return 2;
}

// unixODBC finds the user's file through the password database and ignores HOME; ODBCINI
// overrides that. Pinning ODBCINI to $HOME keeps a run with another home inside it, and makes
// the driver manager read the file this tool writes.
QString userOdbcFile()
{
    if (qEnvironmentVariableIsEmpty("ODBCINI"))
        qputenv("ODBCINI", QFile::encodeName(QDir::homePath() + QStringLiteral("/.odbc.ini")));
    return qEnvironmentVariable("ODBCINI");
}

QByteArray readOdbcFile(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

// Section names compare without case, as the driver manager compares them.
bool hasSection(const QByteArray &text, const QString &name)
{
    for (const QByteArray &line : text.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        const qsizetype close = trimmed.indexOf(']');
        if (trimmed.startsWith('[') && close > 0 &&
            QString::fromUtf8(trimmed.mid(1, close - 1)).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool isRegistered(const QString &name)
{
    return hasSection(readOdbcFile(userOdbcFile()), name);
}

int registerSource(const QString &name, const QString &file)
{
    const QString path = userOdbcFile();
    const QByteArray text = readOdbcFile(path);
    if (hasSection(text, name)) {
        say(QStringLiteral("data source %1 already registered in %2; left as it is").arg(name, path));
        return 0;
    }
    QByteArray section;
    if (!text.isEmpty())
        section = text.endsWith("\n\n") ? "" : text.endsWith('\n') ? "\n" : "\n\n";
    section += '[' + name.toUtf8() + "]\nDescription=Kerrowvantis demo invoicing database\n"
               + SQLiteDataSourceLines(QFileInfo(file).absoluteFilePath()).toUtf8();
    // Appending leaves every byte of the other sections as it was.
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append) || out.write(section) != section.size() || !out.flush())
        throw AppError(QStringLiteral("cannot write %1: %2").arg(path, out.errorString()));
    say(QStringLiteral("registered data source %1 (%2) in %3").arg(name, QFileInfo(file).absoluteFilePath(), path));
    return 0;
}

// New tables holding the demo seller, count invoices from from to to and details for the oldest ones.
void fillDatabase(TJdcConnection &connection, int count, int details, const QDateTime &from,
                  const QDateTime &to = QDateTime::currentDateTime())
{
    QElapsedTimer timer;
    timer.start();
    CreateInvoicingTables(connection);
    MarkDemoDatabase(connection);
    const DemoSeller seller = DemoSellerRow();
    InsertSeller(connection, seller);
    const QList<DemoInvoice> invoices = GenerateDemoInvoices(count, DemoSeed, from, to, seller);
    say(QStringLiteral("generated %1 invoices (%2 ms)").arg(count).arg(timer.restart()));
    LoadDemoInvoices(connection, invoices);
    say(QStringLiteral("loaded %1 invoices (%2 ms)").arg(count).arg(timer.restart()));
    LoadDemoBuyerDetails(connection, invoices, details, DemoSeed);
    say(QStringLiteral("loaded %1 buyer details (%2 ms)").arg(qMin(count, details)).arg(timer.restart()));
}

int create(const QString &file)
{
    const QFileInfo info(file);
    if (info.exists()) {
        complain(QStringLiteral("%1 already exists; left as it is").arg(info.absoluteFilePath()));
        return 1;
    }
    QDir().mkpath(info.absolutePath());
    try {
        TJdcConnection connection;
        connection.OpenConnectionString(QStringLiteral("DRIVER=SQLite3;Database=") + info.absoluteFilePath());
        // The window lists today's invoices when it opens: let some of them be from today.
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime today = now.date().startOfDay();
        fillDatabase(connection, 34, 20, now.addMonths(-3), today.addSecs(-60));
        const QList<DemoInvoice> todays = GenerateDemoInvoices(6, DemoSeed + 1, today, now, DemoSellerRow(), 35);
        LoadDemoInvoices(connection, todays);
    } catch (const AppError &) {
        // A half-made database would stop the next run from making a whole one.
        QFile::remove(info.absoluteFilePath());
        throw;
    }
    say(QStringLiteral("created demo database %1").arg(info.absoluteFilePath()));
    return 0;
}

int setup(const QString &name, const QString &file)
{
    if (isRegistered(name)) {
        say(QStringLiteral("data source %1 already registered; left as it is").arg(name));
        return 0;
    }
    if (!QFileInfo::exists(file)) {
        if (const int result = create(file))
            return result;
    }
    return registerSource(name, file);
}

int addInvoice(const QString &dsn)
{
    userOdbcFile();
    TJdcConnection connection;
    connection.Open(dsn);
    DemoSeller seller = DemoSellerRow();
    QSqlQuery sellerRow = connection.Query(QStringLiteral("select nsrsbh,xhdwmc,zgswjgdm,zgswjgmc from qtcyxxxhdw"));
    if (sellerRow.next())
        seller = {sellerRow.value(0).toString(), sellerRow.value(1).toString(), sellerRow.value(2).toString(),
                  sellerRow.value(3).toString()};
    // The next number after the highest one, on the roll of that invoice.
    QSqlQuery last = connection.Query(QStringLiteral("select jddm,jdhm,dz,dh,khyh,zh from bdjdcxstyfp"
                                                     " where jdhm=(select max(jdhm) from bdjdcxstyfp)"));
    const bool hasLast = last.next();
    const int number = hasLast ? last.value(1).toString().toInt() + 1 : 1;
    const QDateTime now = QDateTime::currentDateTime();
    DemoInvoice invoice = GenerateDemoInvoices(1, QRandomGenerator::global()->generate(), now, now, seller, number).first();
    invoice.fpbz = QStringLiteral("0");
    if (hasLast) {
        invoice.jddm = last.value(0).toString();
        invoice.dz = last.value(2).toString();
        invoice.dh = last.value(3).toString();
        invoice.khyh = last.value(4).toString();
        invoice.zh = last.value(5).toString();
    }
    InsertInvoice(connection, invoice);
    say(QStringLiteral("added invoice %1 %2 issued %3: %4, %5, %6 yuan")
            .arg(invoice.jddm, invoice.jdhm, invoice.kpsj, invoice.ghdw, invoice.cpxh, invoice.jshj));
    return 0;
}

int generate(const QString &dsn, const QString &countText, const QString &detailsText, bool force)
{
    bool countOk = false;
    bool detailsOk = false;
    const int count = countText.toInt(&countOk);
    const int details = detailsText.toInt(&detailsOk);
    if (!countOk || !detailsOk || count < 0 || details < 0)
        return usage();
    userOdbcFile();
    TJdcConnection connection;
    connection.Open(dsn);
    // The tables a fill drops; unless the tool's mark says it filled them, they may be real data.
    QStringList replaced;
    for (const QString &table : connection.Tables()) {
        for (const char *name : {"bdjdcxstyfp", "qtcyxxxhdw", "Kerrowvantis"}) {
            if (table.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                replaced << table;
        }
    }
    if (!force && !replaced.isEmpty() && !IsDemoDatabase(connection)) {
        complain(QStringLiteral("data source %1 holds tables this tool did not fill (%2); they are left as they are."
                                " Give --force to replace them.")
                     .arg(dsn, replaced.join(QStringLiteral(", "))));
        return 1;
    }
    // About fifty invoices a day, over three months at least and three years at most.
    const int days = qBound(91, count / 50, 3 * 365);
    fillDatabase(connection, count, details, QDateTime::currentDateTime().addDays(-days));
    say(QStringLiteral("data source %1 now holds %2 invoices").arg(dsn).arg(count));
    return 0;
}

int run(QStringList args)
{
    const QString command = args.value(1);
    const bool force = command == QLatin1String("generate") && args.removeAll(QStringLiteral("--force")) > 0;
    if (command == QLatin1String("create") && args.size() == 3)
        return create(args.at(2));
    if (command == QLatin1String("register") && args.size() == 4)
        return registerSource(args.at(2), args.at(3));
    if (command == QLatin1String("setup") && args.size() == 4)
        return setup(args.at(2), args.at(3));
    if (command == QLatin1String("add-invoice") && args.size() == 3)
        return addInvoice(args.at(2));
    if (command == QLatin1String("generate") && args.size() == 5)
        return generate(args.at(2), args.at(3), args.at(4), force);
    return usage();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    UseUtf8CharacterType();
    try {
        return run(QCoreApplication::arguments());
    } catch (const AppError &error) {
        complain(error.text());
        return 1;
    }
}
