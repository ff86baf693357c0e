#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantList>

class TMyIdHttp;

// Every exchange with the tax server (record uploads, password changes), kept in an SQLite
// database of our own in the user's data folder, never in the invoicing database: what was sent
// (passwords masked, the record as its size and SHA-256) and what came back, so that a refusal
// or a network fault can be told afterwards.
// The kinds of exchange.
inline const QString UploadKind = QStringLiteral("上传");
inline const QString PasswordChangeKind = QStringLiteral("修改密码");

struct JournalEntry {
    // An exchange is journalled before its request goes out (Sending) and completed after; an
    // accepted upload stays Accepted until its uploaded mark is stored. An entry still Sending or
    // Accepted at the next start was cut short by a kill.
    enum State { Finished, Sending, Accepted };

    qint64 id = -1;
    State state = Finished;
    QDateTime time; // local time the exchange began
    QString kind;   // "上传" or "修改密码"
    QString invoiceCode, invoiceNumber;
    QString host, action;
    QStringList fields; // "NAME=value" as sent, masked
    int httpStatus = 0;
    QString transportError;
    QString resultValue, resultMessage;
    qint64 elapsedMs = 0;
};

// The entry of one exchange as TMyIdHttp made it, begun at time.
JournalEntry JournalEntryOf(const QString &kind, const QString &invoiceCode, const QString &invoiceNumber,
                            const TMyIdHttp &http, const QDateTime &time);
// The entry of an exchange about to be made: what will be sent, and where.
JournalEntry JournalEntryBefore(const QString &kind, const QString &invoiceCode, const QString &invoiceNumber,
                                const QString &url, const QStringList &fields, const QDateTime &time);
// The fields as the journal keeps them: PASSWORD and NEW_PASSWORD as "******", RZDATA as its size
// and SHA-256.
QStringList MaskedFields(const QStringList &fields);
// The entry as text, one "name: value" line each, for the clipboard.
QString JournalEntryText(const JournalEntry &entry);

// The journal file: upload-journal.sqlite in the user's data folder.
QString UploadJournalPath();

class UploadJournal final
{
public:
    // Opens (and makes) the journal at path; Error() says why when it could not.
    explicit UploadJournal(const QString &path = UploadJournalPath());
    ~UploadJournal();
    UploadJournal(const UploadJournal &) = delete;
    UploadJournal &operator=(const UploadJournal &) = delete;

    bool IsOpen() const { return m_open; }
    QString Error() const { return m_error; }

    // Adds the entry in its state; its id, or -1 on failure.
    qint64 Append(const JournalEntry &entry);
    // Replaces the entry of that id by this one, in its state.
    bool Update(qint64 id, const JournalEntry &entry);
    // The entries still Sending or Accepted, oldest first.
    QList<JournalEntry> Unfinished() const;
    // Newest first; days from and to (included) of the exchange's time, the invoice number
    // containing numberPart (all when empty).
    QList<JournalEntry> Entries(const QDate &from, const QDate &to, const QString &numberPart = {}) const;
    // Removes the entries older than before; the number removed, or -1 on failure.
    int PruneBefore(const QDateTime &before);

private:
    bool fail(const QString &what, const QString &why);
    QList<JournalEntry> select(const QString &condition, const QVariantList &values, const QString &order) const;

    QString m_connection;
    bool m_open = false;
    mutable QString m_error;
};

// Writes the entry into the user's journal. The journal never stops an exchange: when it cannot
// be written, the reason is shown once for the life of the program and the exchange goes on.
void JournalExchange(const JournalEntry &entry);
// The same for an exchange in steps: the entry written before the request (its id, -1 when the
// journal did not take it), then the same entry in its new state; the id to update it by next.
qint64 JournalBegin(const JournalEntry &entry);
qint64 JournalUpdate(qint64 id, const JournalEntry &entry);
// Start-up: entries older than a year before now go; a journal that is not there is not made.
// Problems are shown as JournalExchange's.
void PruneUploadJournal(const QDateTime &now);
