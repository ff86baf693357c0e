#include "Settings.h"

#include <algorithm>
#include <limits>

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>

#include "AppError.h"
#include "AppIniFile.h"
#include "Crypt.h"
#include "Encodings.h"
#include "GbkText.h"
#include "MessageBoxes.h"
#include "TimeText.h"
#include "Util.h"
#include "print/PDF417BarCode.h"

namespace {

namespace Section {
const QString Other = QStringLiteral("Other");
const QString Print = QStringLiteral("Print");
const QString SBConfig = QStringLiteral("SBConfig");
const QString DataBase = QStringLiteral("DataBase");
const QString NetConfig = QStringLiteral("NetConfig");
const QString PrintSet = QStringLiteral("PrintSet");
} // namespace Section

const QString DefaultTemplateName = QStringLiteral("Template_SBB");

} // namespace

SettingsValues &AppSettings()
{
    static SettingsValues values;
    return values;
}

SellerValues &Seller()
{
    static SellerValues values;
    return values;
}

QString UserFilesFolder()
{
    if (SettingsFileLocation().programFolderIsUsers)
        return AppSettings().AppDir;
    QString folder = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                         .filePath(QStringLiteral("Kerrowvantis"));
    QDir().mkpath(folder);
    folder = QDir::toNativeSeparators(folder);
    TUtil::IncludePathDelimiter(folder);
    return folder;
}

QString ReadReportPath()
{
    const QString stored = Ini::ReadString(Section::Other, QStringLiteral("ReportPath"), QString());
    if (!stored.isEmpty())
        return stored;
    const QString folder = UserFilesFolder() + QStringLiteral("报表");
    // In the user's documents the folder is made, so that the folder browser opens in it.
    if (!SettingsFileLocation().programFolderIsUsers)
        QDir().mkpath(folder);
    return folder;
}

QString ReportPathToBrowse()
{
    const QString folder = ReadReportPath();
    // Beside the program the default folder is not made until now; a stored folder that went
    // away is made again. Where it cannot be made the browser opens elsewhere.
    QDir().mkpath(folder);
    return folder;
}

void WriteReportPath(const QString &folder)
{
    QString path = folder;
    TUtil::IncludePathDelimiter(path);
    Ini::WriteString(Section::Other, QStringLiteral("ReportPath"), path);
}

QString ReadEndTime(const Clock &clock)
{
    return Ini::ReadString(Section::Other, QStringLiteral("EndTime"), TimeText::dateTime(clock.now()));
}

void WriteEndTime(const QString &issueTime)
{
    Ini::WriteString(Section::Other, QStringLiteral("EndTime"), issueTime);
}

int ReadInterTime()
{
    return Ini::ReadInteger(Section::Other, QStringLiteral("InterTime"), 30);
}

void WriteInterTime(int seconds)
{
    Ini::WriteInteger(Section::Other, QStringLiteral("InterTime"), seconds);
}

int TimerIntervalMs(int seconds)
{
    return int(std::clamp<qint64>(qint64(seconds) * 1000, 1000, std::numeric_limits<int>::max()));
}

bool ReadAutoPrint()
{
    return Ini::ReadBool(Section::Other, QStringLiteral("AutoPrint"), false);
}

void WriteAutoPrint(bool on)
{
    Ini::WriteBool(Section::Other, QStringLiteral("AutoPrint"), on);
    AppSettings().AutoPrint = on;
    AppSettings().AutoPrintKnown = true;
}

namespace {

// An offset of ten metres moves the form off any sheet; beyond it a value is as unusable as one
// that is no number, and the renderer's sums of positions and offsets stay within an int.
int readOffset(const QString &key, int fallback)
{
    constexpr int MaxOffsetMillimetres = 10000;
    const int value = Ini::ReadInteger(Section::Print, key, fallback);
    return value >= -MaxOffsetMillimetres && value <= MaxOffsetMillimetres ? value : fallback;
}

} // namespace

int ReadOffX(int fallback)
{
    return readOffset(QStringLiteral("OffX"), fallback);
}

int ReadOffY(int fallback)
{
    return readOffset(QStringLiteral("OffY"), fallback);
}

void WriteOffX(int mm)
{
    Ini::WriteInteger(Section::Print, QStringLiteral("OffX"), mm);
}

void WriteOffY(int mm)
{
    Ini::WriteInteger(Section::Print, QStringLiteral("OffY"), mm);
}

int ReadSBType()
{
    return Ini::ReadInteger(Section::SBConfig, QStringLiteral("SBType"), BarcodeDeclaration);
}

void WriteSBType(int mode)
{
    Ini::WriteInteger(Section::SBConfig, QStringLiteral("SBType"), mode);
}

QString ReadDsn()
{
    return Ini::ReadString(Section::DataBase, QStringLiteral("DSN"), QStringLiteral("jdcxs_invoice"));
}

QString ReadUploadAction()
{
    return Ini::ReadString(Section::NetConfig, QStringLiteral("UploadAction"), QString());
}

QString ReadEdtPassAction()
{
    return Ini::ReadString(Section::NetConfig, QStringLiteral("EdtPassAction"), QString());
}

QString ReadAuthenServer()
{
    return Ini::ReadString(Section::NetConfig, QStringLiteral("AuthenServer"), QString());
}

void WriteAuthenServer(const QString &address)
{
    Ini::WriteString(Section::NetConfig, QStringLiteral("AuthenServer"), address);
    AppSettings().AuthenServer = address;
}

int ReadRetryTimes()
{
    return Ini::ReadInteger(Section::NetConfig, QStringLiteral("RetryTimes"), 0);
}

void WriteRetryTimes(int times)
{
    Ini::WriteInteger(Section::NetConfig, QStringLiteral("RetryTimes"), times);
    AppSettings().RetryTimes = times;
}

bool ReadAutoUpload()
{
    return Ini::ReadBool(Section::NetConfig, QStringLiteral("AutoUpload"), false);
}

void WriteAutoUpload(bool on)
{
    Ini::WriteBool(Section::NetConfig, QStringLiteral("AutoUpload"), on);
    AppSettings().AutoUpload = on;
    AppSettings().AutoUploadKnown = true;
}

bool ReadManualInput()
{
    return Ini::ReadBool(Section::Other, QStringLiteral("ManualInput"), false);
}

bool ReadVerifyBarcode()
{
    return Ini::ReadBool(Section::Other, QStringLiteral("VerifyBarcode"), true);
}

bool ReadShowInput()
{
    return Ini::ReadBool(Section::NetConfig, QStringLiteral("ShowInput"), false);
}

void WriteShowInput(bool on)
{
    Ini::WriteBool(Section::NetConfig, QStringLiteral("ShowInput"), on);
    AppSettings().ShowInput = on;
    AppSettings().ShowInputKnown = true;
}

QString ReadAuthenPwd()
{
    const QString stored = Ini::ReadString(Section::NetConfig, QStringLiteral("AuthenPwd"), QString());
    if (stored.isEmpty()) {
        const QString password = Seller().SellerTaxNo;
        WriteAuthenPwd(password);
        return password;
    }
    // Whole groups of the alphabet, holding whole cipher blocks: "abc" decodes to no bytes at all,
    // which would be an empty password without a word.
    static const QRegularExpression base64(QStringLiteral("^(?:[A-Za-z0-9+/]{4})*(?:[A-Za-z0-9+/]{2}==|[A-Za-z0-9+/]{3}=)?$"));
    const QString hex = QString::fromLatin1(Base64Decode(stored));
    if (!base64.match(stored).hasMatch() || hex.isEmpty())
        throw EAESError(QStringLiteral("Invalid buffer size for decryption"));
    const QString plain = TCrypt::DecryptString(hex, QString::fromLatin1(AuthenPwdKey));
    // Drops the zero padding, and blanks at either end of the password with it.
    return TUtil::TrimControls(plain).toString();
}

void WriteAuthenPwd(const QString &password)
{
    const QString hex = TCrypt::EncryptString(password, QString::fromLatin1(AuthenPwdKey));
    Ini::WriteString(Section::NetConfig, QStringLiteral("AuthenPwd"), Base64Encode(hex.toLatin1()));
    UseAuthenPwd(password);
}

void UseAuthenPwd(const QString &password)
{
    TUtil::Wipe(AppSettings().AuthenPwd);
    AppSettings().AuthenPwd = password;
}

void CheckAuthenPwdWritable()
{
    TAppIniFile().CheckWritable();
}

QString ReadPrintTemplateName()
{
    const QString &code = Seller().TaxAuthCode;
    QString name = Ini::ReadString(Section::PrintSet, code.left(3), QString());
    if (name.isEmpty())
        name = Ini::ReadString(Section::PrintSet, code.left(5), QString());
    return name.isEmpty() ? DefaultTemplateName : name;
}

bool LoadSettings(std::unique_ptr<TPDF417BarCode> &barcode)
{
    return LoadSettings(barcode, TPDF417BarCode::DefaultLibraryPath());
}

bool LoadSettings(std::unique_ptr<TPDF417BarCode> &barcode, const QString &barcodeLibraryPath)
{
    barcode = std::make_unique<TPDF417BarCode>(barcodeLibraryPath);
    SettingsValues &values = AppSettings();
    values.AppDir = TUtil::GetAppDir();
    try {
        values.SBType = ReadSBType();
        if (values.SBType == BarcodeDeclaration && !barcode->LookUpEntryPoints()) {
            ShowError(QStringLiteral("条码打印函数初始化失败！"));
            return false;
        }
        values.OffX = ReadOffX();
        values.OffY = ReadOffY();
        values.Dsn = ReadDsn();
        values.AuthenServer = ReadAuthenServer();
        values.AutoUpload = ReadAutoUpload();
        values.AutoUploadKnown = true;
        values.InterTime = ReadInterTime();
        values.RetryTimes = ReadRetryTimes();
        values.ShowInput = ReadShowInput();
        values.ShowInputKnown = true;
        values.AutoPrint = ReadAutoPrint();
        values.AutoPrintKnown = true;
        values.UploadAction = ReadUploadAction();
        values.EdtPassAction = ReadEdtPassAction();
        const QString resolved = ResolveDsn(values.Dsn);
        if (!resolved.isEmpty())
            values.Dsn = resolved;
    } catch (const std::exception &) {
        return false;
    }
    return true;
}

QString ResolveDsn(const QString &dsn, const QStringList &sources)
{
    if (dsn.isEmpty())
        return {};
    // ODBC's longest data source name (SQL_MAX_DSN_LENGTH): the driver manager refuses to
    // connect a longer one, so choosing it would end the program.
    constexpr qsizetype MaxDsnBytes = 32;
    for (const QString &source : sources) {
        if (source.contains(dsn, Qt::CaseSensitive) && Gbk::byteLength(source) <= MaxDsnBytes)
            return source;
    }
    return {};
}
