#pragma once

#include <QList>
#include <QString>

#include <utility>

// Where the settings file Kerrowvantis.ini lives. A program installed from the package has
// InstalledMarker in its folder: its settings are each user's, in the user's configuration
// folder (made when missing), and a file beside the program counts only for a user who may
// write it. Any other program keeps its settings beside itself when a file is there (portable
// use) or when its folder takes new files (a folder of the user's own, a build folder), and
// goes to the configuration folder otherwise. programFolderIsUsers says whether the program's
// folder is the user's to fill: the reports default to it then.
struct SettingsLocation {
    QString path;
    bool besideProgram = true;
    bool programFolderIsUsers = true;
};
inline constexpr char InstalledMarker[] = "Kerrowvantis.installed";
SettingsLocation LocateSettingsFile(const QString &programFolder, const QString &configFolder);

// The location for this run, decided once: the program's folder and the platform's folder for
// configuration files ($XDG_CONFIG_HOME, ~/.config, %LOCALAPPDATA%).
const SettingsLocation &SettingsFileLocation();

// Full path of the program's settings file in use; the barcode library reads it too.
QString SettingsFilePath();
// Points the program at another settings file (tests); an empty path restores the default.
void SetSettingsFilePath(const QString &path);

// The settings file. Every call opens the file, acts and closes it again; a write replaces the
// whole file through a temporary file in the same folder, so the file is never left half
// written, or rewrites it in place with a rescue copy in the user's data folder when the folder
// takes no new files (RewriteInPlace). A write that changes nothing leaves the file alone. Reads
// of a missing or unreadable file, section or key give the default; a file that cannot be read
// is never written.
class TAppIniFile final
{
public:
    TAppIniFile();
    explicit TAppIniFile(const QString &fileName);

    const QString &FileName() const { return m_fileName; }

    QString ReadString(const QString &section, const QString &key, const QString &defaultValue) const;
    // Decimal, or hexadecimal after "0x"; anything else gives the default.
    int ReadInteger(const QString &section, const QString &key, int defaultValue) const;
    // Any non-zero integer is true.
    bool ReadBool(const QString &section, const QString &key, bool defaultValue) const;

    // Raise EIniFileError "Unable to write to <file>" when the file cannot be written.
    void WriteString(const QString &section, const QString &key, const QString &value);
    // Several keys of one section in one rewrite of the file, in this order.
    void WriteStrings(const QString &section, const QList<std::pair<QString, QString>> &values);
    // Writes the file's own content back the way a change is written, or for a file not there
    // yet tries its folder: raises EIniFileError when the file would refuse a change now.
    void CheckWritable();
    void WriteInteger(const QString &section, const QString &key, int value);
    void WriteBool(const QString &section, const QString &key, bool value);

private:
    void write(const QString &section, const QList<std::pair<QString, QString>> &values, bool evenUnchanged);
    [[noreturn]] void refuseWrite() const;

    QString m_fileName;
};

// One-call access to the program's settings file.
namespace Ini {
QString ReadString(const QString &section, const QString &key, const QString &defaultValue);
int ReadInteger(const QString &section, const QString &key, int defaultValue);
bool ReadBool(const QString &section, const QString &key, bool defaultValue);
void WriteString(const QString &section, const QString &key, const QString &value);
void WriteInteger(const QString &section, const QString &key, int value);
void WriteBool(const QString &section, const QString &key, bool value);
} // namespace Ini
