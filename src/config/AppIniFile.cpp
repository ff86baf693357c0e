#include "AppIniFile.h"

#include "AppError.h"
#include "IniDocument.h"
#include "Util.h"
#include "WholeFile.h"

#include <algorithm>
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString overriddenPath;

// Where the rescue copy of a rewrite in place waits until the rewrite is done: one folder for
// every program that reads the settings file (the program, kerrowvantis-report), whatever its
// executable is called.
QString rescueFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Kerrowvantis"));
}

// The file's bytes; empty when there is no file. Nothing when a file is there but cannot be read.
// A rewrite in place that a kill cut short is completed first.
std::optional<QByteArray> readFile(const QString &fileName)
{
    if (std::optional<QByteArray> rescued = RecoverInterruptedRewrite(fileName, rescueFolder()))
        return rescued;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return file.exists() ? std::nullopt : std::optional<QByteArray>(QByteArray());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

std::optional<int> parseInteger(const QString &text)
{
    bool ok = false;
    int value = 0;
    if (text.size() >= 3 && (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X")))) {
        // Hexadecimal digits only (Qt's reading would take a blank or a sign after "0x"); they
        // take the whole 32 bits, as a Windows integer does.
        const QStringView digits = QStringView(text).mid(2);
        const bool hexDigits = std::all_of(digits.begin(), digits.end(), [](QChar c) {
            return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        });
        const uint bits = hexDigits ? digits.toUInt(&ok, 16) : 0;
        value = static_cast<int>(bits);
    } else {
        value = text.toInt(&ok, 10);
    }
    if (!ok)
        return std::nullopt;
    return value;
}

// True when the file is there and this user may write it: tried by opening it, which changes
// nothing, since the permission bits say nothing to an administrator.
bool fileTakesWrites(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly);
}

} // namespace

SettingsLocation LocateSettingsFile(const QString &programFolder, const QString &configFolder)
{
    const QString name = QStringLiteral("Kerrowvantis.ini");
    const QString beside = QDir(programFolder).filePath(name);
    const bool installed = QFileInfo::exists(QDir(programFolder).filePath(QLatin1String(InstalledMarker)));
    // An installed program's folder is nobody's: an administrator could write into it, and
    // every other user would then find that file and that folder.
    const bool usersFolder = !installed && FolderTakesFiles(programFolder);
    const bool besideWins = installed ? fileTakesWrites(beside) : QFileInfo::exists(beside) || usersFolder;
    if (besideWins || configFolder.isEmpty())
        return {beside, true, usersFolder};
    const QString folder = QDir(configFolder).filePath(QStringLiteral("Kerrowvantis"));
    QDir().mkpath(folder); // a folder that cannot be made shows at the first write
    return {QDir(folder).filePath(name), false, usersFolder};
}

const SettingsLocation &SettingsFileLocation()
{
    static const SettingsLocation location = LocateSettingsFile(
        TUtil::GetAppDir(), QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    return location;
}

QString SettingsFilePath()
{
    if (!overriddenPath.isEmpty())
        return overriddenPath;
    return SettingsFileLocation().path;
}

void SetSettingsFilePath(const QString &path)
{
    overriddenPath = path;
}

TAppIniFile::TAppIniFile()
    : m_fileName(SettingsFilePath())
{
}

TAppIniFile::TAppIniFile(const QString &fileName)
    : m_fileName(fileName)
{
}

QString TAppIniFile::ReadString(const QString &section, const QString &key, const QString &defaultValue) const
{
    return IniDocument(readFile(m_fileName).value_or(QByteArray())).value(section, key).value_or(defaultValue);
}

int TAppIniFile::ReadInteger(const QString &section, const QString &key, int defaultValue) const
{
    return parseInteger(ReadString(section, key, QString())).value_or(defaultValue);
}

bool TAppIniFile::ReadBool(const QString &section, const QString &key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TAppIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    WriteStrings(section, {{key, value}});
}

void TAppIniFile::WriteStrings(const QString &section, const QList<std::pair<QString, QString>> &values)
{
    write(section, values, false);
}

void TAppIniFile::refuseWrite() const
{
    throw EIniFileError(QStringLiteral("Unable to write to %1").arg(m_fileName));
}

void TAppIniFile::CheckWritable()
{
    const QFileInfo info(m_fileName);
    // No file yet: the write makes one, which the folder has to take.
    if (!info.exists() && !FolderTakesFiles(info.absolutePath()))
        refuseWrite();
    if (info.exists())
        write(QString(), {}, true);
}

void TAppIniFile::write(const QString &section, const QList<std::pair<QString, QString>> &values, bool evenUnchanged)
{
    const QFileInfo info(m_fileName);
    if (info.exists() && !info.isFile())
        refuseWrite();

    // A file that is there but cannot be read would otherwise be replaced by the one new key.
    const std::optional<QByteArray> before = readFile(m_fileName);
    if (!before)
        refuseWrite();
    IniDocument document(*before);
    for (const auto &[key, value] : values)
        document.setValue(section, key, value);
    if (info.exists() && document.bytes() == *before && !evenUnchanged)
        return; // the file holds these values already
    // A file without write permission for its owner is read-only, even to an administrator.
    if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner))
        refuseWrite();

    // Through a temporary file beside it; in a folder that takes no new files, in place.
    QString why = WriteWholeFile(m_fileName, document.bytes());
    if (why.isEmpty())
        ForgetInterruptedRewrite(m_fileName, rescueFolder());
    else if (info.exists() && !FolderTakesFiles(info.absolutePath()))
        why = RewriteInPlace(m_fileName, document.bytes(), *before, rescueFolder());
    if (!why.isEmpty())
        refuseWrite();
}

void TAppIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TAppIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

namespace Ini {

QString ReadString(const QString &section, const QString &key, const QString &defaultValue)
{
    return TAppIniFile().ReadString(section, key, defaultValue);
}

int ReadInteger(const QString &section, const QString &key, int defaultValue)
{
    return TAppIniFile().ReadInteger(section, key, defaultValue);
}

bool ReadBool(const QString &section, const QString &key, bool defaultValue)
{
    return TAppIniFile().ReadBool(section, key, defaultValue);
}

void WriteString(const QString &section, const QString &key, const QString &value)
{
    TAppIniFile().WriteString(section, key, value);
}

void WriteInteger(const QString &section, const QString &key, int value)
{
    TAppIniFile().WriteInteger(section, key, value);
}

void WriteBool(const QString &section, const QString &key, bool value)
{
    TAppIniFile().WriteBool(section, key, value);
}

} // namespace Ini
