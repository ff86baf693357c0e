// kerrowvantis-report: the monthly reports from the command line, for a scheduled job. Same
// code, settings file and data source as the program's windows.

#include "ReportCommand.h"

#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>

#include "ICData.h"
#include "SaleReport.h"
#include "TaxML.h"
#include "config/AppError.h"
#include "config/MessageBoxes.h"
#include "config/Settings.h"
#include "config/TimeText.h"
#include "config/Utf8Locale.h"
#include "config/Util.h"
#include "db/BuyerDetails.h"
#include "db/JdcConnection.h"
#include "db/SellerDetails.h"

namespace {

// Exit statuses, one per reason, so that a scheduler can tell them apart.
enum Exit { Written = 0, Usage = 1, NoDataSource = 2, NoTemplate = 3, FolderNotWritable = 4, Failed = 5, OtherMonthKept = 6 };

const QString Help = QStringLiteral(
    "Writes one monthly report of the dealer's motor-vehicle sales invoices and prints its path.\n\n"
    "  kerrowvantis-report sales-list [--month yyyy-mm] [--out DIR] [--dsn NAME]\n"
    "      the sales invoice list (.xls); default folder: [Other] ReportPath\n"
    "  kerrowvantis-report ic-data    [--month yyyy-mm] [--out DIR] [--dsn NAME] [--force]\n"
    "      the IC-card declaration data file (.xml); default folder: the program folder, or\n"
    "      Kerrowvantis in the user's documents for an installed program. Its name carries\n"
    "      today's date, not the month: a file of that name holding another month, or no\n"
    "      IC-card data at all, is kept unless --force is given\n"
    "  kerrowvantis-report taxml      [--month yyyy-mm] [--out DIR] [--dsn NAME]\n"
    "      the electronic declaration archive (.zip); default folder: the current folder\n\n"
    "The month defaults to the one the windows offer: last month. The data source defaults to\n"
    "[DataBase] DSN of the program's Kerrowvantis.ini: beside the program, or in\n"
    "${XDG_CONFIG_HOME:-~/.config}/Kerrowvantis/ for an installed program.\n\n"
    "Exit status: 0 written, 1 usage, 2 data source missing or not usable, 3 template missing,\n"
    "4 folder not writable, 5 any other failure (the reason is printed), 6 an IC-card file of\n"
    "another month kept (--force replaces it).");

void print(FILE *stream, const QString &text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int fail(Exit status, const QString &reason)
{
    print(stderr, QStringLiteral("kerrowvantis-report: ") + reason);
    return status;
}

// Boxes the shared code would show go to the error stream; questions are answered No.
class ConsoleMessages final : public MessageBoxes
{
public:
    void show(MessageKind, const QString &text) override { print(stderr, text); }
    bool askYesNo(const QString &text) override
    {
        print(stderr, text);
        return false;
    }
};

int run(const QString &command, const QDate &month, QString folder, const QString &dsnOption, bool force)
{
    SettingsValues &settings = AppSettings();
    settings.AppDir = TUtil::GetAppDir();
    QString dsn = dsnOption.isEmpty() ? ReadDsn() : dsnOption;
    if (const QString resolved = ResolveDsn(dsn); dsnOption.isEmpty() && !resolved.isEmpty())
        dsn = resolved;
    if (dsn.isEmpty())
        return fail(NoDataSource, QStringLiteral("no data source: set [DataBase] DSN or give --dsn"));

    if (command == QLatin1String("sales-list") && !QFile::exists(SaleReportTemplatePath()))
        return fail(NoTemplate, QStringLiteral("模板文件不存在！") + SaleReportTemplatePath());
    if (folder.isEmpty()) {
        folder = command == QLatin1String("sales-list") ? ReadReportPath()
            : command == QLatin1String("ic-data")       ? UserFilesFolder()
                                                        : QDir::currentPath();
    }
    if (!FolderNotReady(QDir(folder).filePath(QStringLiteral("report"))).isEmpty())
        return fail(FolderNotWritable, QStringLiteral("folder %1 does not exist or cannot be written").arg(folder));
    TUtil::IncludePathDelimiter(folder);

    TJdcConnection connection;
    try {
        connection.Open(dsn);
        if (!LoadSellerDetails(connection))
            return fail(NoDataSource, QStringLiteral("data source %1 holds no seller").arg(dsn));
        // The buyers' details live in the program's own table, made as the program makes it.
        EnsureBuyerTable(connection);
    } catch (const AppError &error) {
        return fail(NoDataSource, QStringLiteral("data source %1: %2").arg(dsn, error.text()));
    }

    try {
        QString written;
        if (command == QLatin1String("sales-list")) {
            written = SaleReportPath(folder, Seller().SellerName, month);
            WriteSaleReport(connection, SaleReportTemplatePath(), written, month, Seller());
        } else if (command == QLatin1String("ic-data")) {
            written = ICDataPath(folder, Seller().SellerTaxNo, QDate::currentDate());
            const QString monthText = TimeText::month(month);
            // Without a question to ask, a file that does not say it holds this month stays.
            if (!force && QFile::exists(written) && ICDataFileMonth(written) != monthText)
                return fail(OtherMonthKept, QStringLiteral("%1中不是%2的数据，没有替换；要替换请加 --force")
                                                .arg(QDir::toNativeSeparators(written), monthText));
            WriteICDataFile(connection, written, monthText, Seller());
        } else {
            written = WriteSBSJArchive(connection, folder, month, Seller());
        }
        print(stdout, QDir::toNativeSeparators(written));
        return Written;
    } catch (const AppError &error) {
        return fail(Failed, error.text());
    } catch (const std::exception &error) {
        return fail(Failed, QString::fromUtf8(error.what()));
    }
}

} // namespace

int RunReportCommand(int argc, char *argv[], QString (*conversionCheck)())
{
    TUtil::DisableCoreDumps();
    QCoreApplication app(argc, argv);
    UseUtf8CharacterType();
    // Every report is GBK: without a converter there is nothing the tool could write.
    if (const QString why = conversionCheck(); !why.isEmpty())
        return fail(Failed, why);
    ConsoleMessages messages;
    SetMessageBoxes(&messages);

    QCommandLineParser parser;
    parser.setApplicationDescription(Help);
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("report"), QStringLiteral("sales-list, ic-data or taxml"));
    const QCommandLineOption monthOption(QStringLiteral("month"), QStringLiteral("the month, yyyy-mm"),
                                         QStringLiteral("yyyy-mm"));
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("the folder to write into"),
                                       QStringLiteral("DIR"));
    const QCommandLineOption dsnOption(QStringLiteral("dsn"), QStringLiteral("the ODBC data source"),
                                       QStringLiteral("NAME"));
    const QCommandLineOption forceOption(QStringLiteral("force"),
                                         QStringLiteral("ic-data: replace a file of that name holding another month"));
    parser.addOptions({monthOption, outOption, dsnOption, forceOption});
    if (!parser.parse(app.arguments()))
        return fail(Usage, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        print(stdout, parser.helpText());
        return Written;
    }
    const QStringList positional = parser.positionalArguments();
    static const QStringList commands{QStringLiteral("sales-list"), QStringLiteral("ic-data"), QStringLiteral("taxml")};
    if (positional.size() != 1 || !commands.contains(positional[0]))
        return fail(Usage, QStringLiteral("give one of sales-list, ic-data, taxml (see --help)"));

    QDate month = SaleReportMonth(QDate::currentDate());
    if (parser.isSet(monthOption)) {
        month = QDate::fromString(parser.value(monthOption) + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"));
        if (!month.isValid())
            return fail(Usage, QStringLiteral("--month takes yyyy-mm, not %1").arg(parser.value(monthOption)));
    }
    const int status
        = run(positional[0], month, parser.value(outOption), parser.value(dsnOption), parser.isSet(forceOption));
    SetMessageBoxes(nullptr);
    return status;
}
