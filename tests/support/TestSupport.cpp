#include "TestSupport.h"

#include "config/AppIniFile.h"
#include "config/Settings.h"
#include "config/TimeText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <zlib.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

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

namespace {

constexpr unsigned FileOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool capabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}

bool setCapabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

OrdinaryFileRights::OrdinaryFileRights()
{
    __user_cap_data_struct data[2] = {};
    if (!capabilities(data) || !(data[0].effective & FileOverrides))
        return;
    m_effective = data[0].effective;
    data[0].effective &= ~FileOverrides;
    m_changed = setCapabilities(data);
}

OrdinaryFileRights::~OrdinaryFileRights()
{
    __user_cap_data_struct data[2] = {};
    if (!m_changed || !capabilities(data))
        return;
    data[0].effective = m_effective;
    setCapabilities(data);
}

SmallFileSystem::SmallFileSystem(const QString &folder)
    : m_folder(folder)
{
    m_mounted = QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                            QStringLiteral("size=64k"), QStringLiteral("tmpfs"), folder})
        == 0;
}

SmallFileSystem::~SmallFileSystem()
{
    if (m_mounted)
        QProcess::execute(QStringLiteral("umount"), {m_folder});
}

void SmallFileSystem::fill() const
{
    QFile filler(QDir(m_folder).filePath(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly))
        return;
    while (filler.write(QByteArray(4096, 'x')) > 0 && filler.flush()) {
    }
    filler.close();
    filler.open(QIODevice::Append);
    while (filler.write("x", 1) == 1 && filler.flush()) {
    }
}

ImmutableFile::ImmutableFile(const QString &path)
    : m_path(path)
{
    m_made = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
}

ImmutableFile::~ImmutableFile()
{
    if (m_made)
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
}

QByteArray readFileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool makeFileOlder(const QString &path, int seconds)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite)
        && file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds), QFileDevice::FileModificationTime);
}

void writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray Gunzip(const QByteArray &member)
{
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return "<not a gzip member>";
    QByteArray out(1 << 22, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(member.constData()));
    stream.avail_in = static_cast<uInt>(member.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_FINISH);
    out.resize(static_cast<qsizetype>(stream.total_out));
    const bool consumedAll = stream.avail_in == 0;
    inflateEnd(&stream);
    return result == Z_STREAM_END && consumedAll ? out : QByteArray("<not a gzip member>");
}

QString BookmarkTime()
{
    return TimeText::dateTime(TimeText::parseDateTime(ReadEndTime()));
}
