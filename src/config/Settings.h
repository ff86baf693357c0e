#pragma once

#include "Clock.h"

#include <QString>
#include <QStringList>

#include <memory>

class TPDF417BarCode;

// The settings values the whole program reads, filled by LoadSettings at start and by the
// writing accessors afterwards. One instance per process; tests reset it.
struct SettingsValues {
    QString AppDir;
    int OffX = 0;
    int OffY = 0;
    QString Dsn;
    QString AuthenServer;
    bool AutoUpload = false;
    int InterTime = 0;
    int RetryTimes = 0;
    bool ShowInput = false;
    bool AutoPrint = false;
    QString UploadAction;
    QString EdtPassAction;
    int SBType = 0;
    QString AuthenPwd;
    // The automatic switches hold a value read from the file or set by the operator. Only such
    // a value is ever written back, so a load that stopped early never overwrites a stored one.
    bool AutoUploadKnown = false;
    bool ShowInputKnown = false;
    bool AutoPrintKnown = false;
};

// The dealer as the invoicing database knows it.
struct SellerValues {
    QString SellerTaxNo;
    QString SellerName;
    QString TaxAuthCode;
};

SettingsValues &AppSettings();
SellerValues &Seller();

// Declaration modes (SBConfig/SBType).
constexpr int BarcodeDeclaration = 1;
constexpr int OnlineDeclaration = 2;

// Key that enciphers the stored upload password.
inline constexpr char AuthenPwdKey[] = "kzvw61739025";

// The folder the reports go to unless the operator picks another, with a separator at the end:
// the program's folder when it is the user's to fill (portable use, a build folder), else
// "Kerrowvantis" in the user's documents (an installed or read-only program). Made when missing.
QString UserFilesFolder();

// One accessor per key and direction. Writers raise EIniFileError when the file cannot be
// written; those that also set a settings value leave it unchanged then.
QString ReadReportPath();
// ReadReportPath for the folder browser to start in, with the folder made when missing: a browser
// cannot accept a folder that does not exist.
QString ReportPathToBrowse();
// [Other] ManualInput=1 shows "手工输入申报表" (barcode declaration) for dealers who type invoices in.
bool ReadManualInput();
// [Other] VerifyBarcode=0 prints forms without reading their barcode back first (default 1).
bool ReadVerifyBarcode();
void WriteReportPath(const QString &folder);
QString ReadEndTime(const Clock &clock = systemClock());
void WriteEndTime(const QString &issueTime);
int ReadInterTime();
void WriteInterTime(int seconds);
// The polling timer's interval in milliseconds for an interval of seconds (InterTime). At least
// one second: a hand-edited 0 or less would run the automatic steps back to back on every idle
// pass; and no longer than a timer can hold.
int TimerIntervalMs(int seconds);
bool ReadAutoPrint();
void WriteAutoPrint(bool on);
// Print offsets in millimetres; the fallback stands in for a missing or non-numeric value, and
// for one beyond ten metres either way.
int ReadOffX(int fallback = 0);
int ReadOffY(int fallback = 0);
void WriteOffX(int mm);
void WriteOffY(int mm);
int ReadSBType();
void WriteSBType(int mode);
QString ReadDsn();
QString ReadUploadAction();
QString ReadEdtPassAction();
QString ReadAuthenServer();
void WriteAuthenServer(const QString &address);
int ReadRetryTimes();
void WriteRetryTimes(int times);
bool ReadAutoUpload();
void WriteAutoUpload(bool on);
bool ReadShowInput();
void WriteShowInput(bool on);

// The plain upload password. An empty stored value makes the seller's taxpayer number the
// password and stores it; a stored value that does not decode raises the decoding error.
QString ReadAuthenPwd();
// Stores the password enciphered and makes it the current one.
void WriteAuthenPwd(const QString &password);
// Makes the password the current one for this run without storing it; the buffer of the one it
// replaces is wiped.
void UseAuthenPwd(const QString &password);
// Raises EIniFileError when the settings file, or its folder, would not take the next
// WriteAuthenPwd (TAppIniFile::CheckWritable).
void CheckAuthenPwdWritable();

// Name of the print template for the seller's tax office.
QString ReadPrintTemplateName();

// Binds the barcode library beside the program (or the one at barcodeLibraryPath) into barcode,
// raising its error when the file cannot be loaded, then copies the settings file into
// AppSettings(). False when a value could not be loaded.
bool LoadSettings(std::unique_ptr<TPDF417BarCode> &barcode);
bool LoadSettings(std::unique_ptr<TPDF417BarCode> &barcode, const QString &barcodeLibraryPath);

// Names of the current user's ODBC data sources, in the order the driver manager lists them.
QStringList ListOdbcDataSources();
// The first of sources that contains dsn (case-sensitive) and is short enough for ODBC to
// connect (32 bytes); empty when none is.
QString ResolveDsn(const QString &dsn, const QStringList &sources = ListOdbcDataSources());
