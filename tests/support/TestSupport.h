#pragma once

#include "config/Clock.h"
#include "config/MessageBoxes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

// Records every box and answers questions from a script (No once the script runs out).
class RecordingMessageBoxes final : public MessageBoxes
{
public:
    struct Shown {
        MessageKind kind;
        QString text;
    };

    void show(MessageKind kind, const QString &text) override;
    bool askYesNo(const QString &text) override;

    QList<Shown> shown;
    QList<bool> replies;
};

// A clock that says what the test wants.
class FixedClock final : public Clock
{
public:
    explicit FixedClock(const QDateTime &now)
        : m_now(now)
    {
    }
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &now) { m_now = now; }

private:
    QDateTime m_now;
};

// A settings file of the test's own in a fresh folder, with the process-wide settings and
// seller values reset; everything is put back when it goes.
class TempSettings final
{
public:
    TempSettings();
    ~TempSettings();

    QString path() const;
    QString folder() const { return m_dir.path(); }
    void write(const QByteArray &bytes) const;
    QByteArray read() const;

private:
    QTemporaryDir m_dir;
};

// The automatic steps' bookmark (Other/EndTime) as "yyyy-mm-dd HH:MM:SS.zzz", whichever way the
// database wrote the issue time it was taken from.
QString BookmarkTime();

// While it lives, file permissions bind this thread as they bind an ordinary user, even when the
// tests run as root: the administrator's override of read, write and search rights is dropped
// from the effective capabilities, and given back when it goes.
class OrdinaryFileRights final
{
public:
    OrdinaryFileRights();
    ~OrdinaryFileRights();
    OrdinaryFileRights(const OrdinaryFileRights &) = delete;
    OrdinaryFileRights &operator=(const OrdinaryFileRights &) = delete;

private:
    unsigned m_effective = 0;
    bool m_changed = false;
};

// A file system of 64 KiB mounted over a folder, to be filled when the test has put its files in
// it: then no write that needs a new block succeeds. Unmounted when it goes.
class SmallFileSystem final
{
public:
    explicit SmallFileSystem(const QString &folder);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool mounted() const { return m_mounted; }
    // Takes every free block, the last bytes of a partial one included.
    void fill() const;

private:
    QString m_folder;
    bool m_mounted = false;
};

// A file no one may change, not even an administrator (chattr +i), until it goes.
class ImmutableFile final
{
public:
    explicit ImmutableFile(const QString &path);
    ~ImmutableFile();
    ImmutableFile(const ImmutableFile &) = delete;
    ImmutableFile &operator=(const ImmutableFile &) = delete;

    bool made() const { return m_made; }

private:
    QString m_path;
    bool m_made = false;
};

QByteArray readFileBytes(const QString &path);
// Gives the file a modification time that many seconds ago; false when it could not.
bool makeFileOlder(const QString &path, int seconds);
// The bytes inside one gzip member, read with zlib's own gzip reader; "<not a gzip member>" when
// it is not one whole member (so that no input, the empty one included, matches by accident).
QByteArray Gunzip(const QByteArray &member);
void writeFileBytes(const QString &path, const QByteArray &bytes);
