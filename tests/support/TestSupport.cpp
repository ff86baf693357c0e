#include "TestSupport.h"

#include "config/AppIniFile.h"
#include "config/Settings.h"

#include <QFile>

void RecordingMessageBoxes::show(MessageKind kind, const QString &text)
{
    shown.append({kind, text});
}

bool RecordingMessageBoxes::askYesNo(const QString &text)
{
    shown.append({MessageKind::Question, text});
    return replies.isEmpty() ? false : replies.takeFirst();
}

TempSettings::TempSettings()
{
    SetSettingsFilePath(path());
    AppSettings() = SettingsValues{};
    Seller() = SellerValues{};
}

TempSettings::~TempSettings()
{
    SetSettingsFilePath(QString());
    AppSettings() = SettingsValues{};
    Seller() = SellerValues{};
}

QString TempSettings::path() const
{
    return m_dir.filePath(QStringLiteral("Kerrowvantis.ini"));
}

void TempSettings::write(const QByteArray &bytes) const
{
    writeFileBytes(path(), bytes);
}

QByteArray TempSettings::read() const
{
    return readFileBytes(path());
}

QByteArray readFileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}
