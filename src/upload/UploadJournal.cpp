#include "UploadJournal.h"

#include "MyIdHttp.h"
#include "config/GbkText.h"
#include "config/MessageBoxes.h"
#include "config/TimeText.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QUrl>
#include <QVariant>

#include <atomic>

namespace {

const QString Schema = QStringLiteral(
    "create table if not exists exchanges (id integer primary key, time text not null, kind text, invoice_code text, "
    "invoice_number text, host text, action text, fields text, http_status integer, transport_error text, "
    "result_value text, result_message text, elapsed_ms integer, state integer)");
// The entry's columns in the order the insert and update bind and the select reads them.
const QStringList Columns{QStringLiteral("time"),           QStringLiteral("kind"),        QStringLiteral("invoice_code"),
                          QStringLiteral("invoice_number"), QStringLiteral("host"),        QStringLiteral("action"),
                          QStringLiteral("fields"),         QStringLiteral("http_status"), QStringLiteral("transport_error"),
                          QStringLiteral("result_value"),   QStringLiteral("result_message"),
                          QStringLiteral("elapsed_ms"),     QStringLiteral("state")};

QVariantList columnValues(const JournalEntry &e)
{
    return {TimeText::dateTime(e.time), e.kind,          e.invoiceCode,         e.invoiceNumber,
            e.host,                     e.action,        e.fields.join(QLatin1Char('\n')), e.httpStatus,
            e.transportError,           e.resultValue,   e.resultMessage,       e.elapsedMs,
            int(e.state)};
}

std::atomic<int> connections{0};

QString fieldName(const QString &field)
{
    return field.section(QLatin1Char('='), 0, 0);
}

} // namespace

QStringList MaskedFields(const QStringList &fields)
{
    QStringList masked;
    for (const QString &field : fields) {
        const QString name = fieldName(field);
        const QString value = field.mid(name.size() + 1);
        if (name.compare(QLatin1String("PASSWORD"), Qt::CaseInsensitive) == 0
            || name.compare(QLatin1String("NEW_PASSWORD"), Qt::CaseInsensitive) == 0) {
            masked << name + QStringLiteral("=******");
        } else if (name.compare(QLatin1String("RZDATA"), Qt::CaseInsensitive) == 0) {
            // As the server received it: the header's bytes.
            const QByteArray bytes = Gbk::encode(value);
            masked << name + QStringLiteral("=%1 bytes, SHA-256 %2")
                                 .arg(bytes.size())
                                 .arg(QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
        } else {
            masked << field;
        }
    }
    return masked;
}

JournalEntry JournalEntryBefore(const QString &kind, const QString &invoiceCode, const QString &invoiceNumber,
                                const QString &address, const QStringList &fields, const QDateTime &time)
{
    const QUrl url(address);
    JournalEntry entry;
    entry.state = JournalEntry::Sending;
    entry.time = time;
    entry.kind = kind;
    entry.invoiceCode = invoiceCode;
    entry.invoiceNumber = invoiceNumber;
    entry.host = url.host().isEmpty() ? address : url.host() + (url.port() > 0 ? QStringLiteral(":%1").arg(url.port()) : QString());
    entry.action = url.path().section(QLatin1Char('/'), -1);
    entry.fields = MaskedFields(fields);
    return entry;
}

JournalEntry JournalEntryOf(const QString &kind, const QString &invoiceCode, const QString &invoiceNumber,
                            const TMyIdHttp &http, const QDateTime &time)
{
    // The server that answered, which a redirect may have made another port's.
    const QString &address = http.EffectiveUrl.isEmpty() ? http.Url : http.EffectiveUrl;
    JournalEntry entry = JournalEntryBefore(kind, invoiceCode, invoiceNumber, address, http.Fields, time);
    entry.state = JournalEntry::Finished;
    entry.httpStatus = http.HttpStatus;
    entry.transportError = http.Failure;
    entry.resultValue = http.ResultValue;
    entry.resultMessage = http.ResultMessage;
    entry.elapsedMs = http.ElapsedMs;
    return entry;
}

QString JournalEntryText(const JournalEntry &e)
{
    QStringList lines{QStringLiteral("时间: ") + TimeText::dateTime(e.time),
                      QStringLiteral("类型: ") + e.kind,
                      QStringLiteral("发票代码: ") + e.invoiceCode,
                      QStringLiteral("发票号码: ") + e.invoiceNumber,
                      QStringLiteral("服务器: ") + e.host,
                      QStringLiteral("动作: ") + e.action,
                      QStringLiteral("HTTP 状态: ") + (e.httpStatus ? QString::number(e.httpStatus) : QString()),
                      QStringLiteral("传输错误: ") + e.transportError,
                      QStringLiteral("ResultValue: ") + e.resultValue,
                      QStringLiteral("ResultMessage: ") + e.resultMessage,
                      QStringLiteral("用时: %1 ms").arg(e.elapsedMs),
                      QStringLiteral("发送的字段:")};
    for (const QString &field : e.fields)
        lines << QStringLiteral("  ") + field;
    return lines.join(QLatin1Char('\n'));
}

QString UploadJournalPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("upload-journal.sqlite"));
}

UploadJournal::UploadJournal(const QString &path)
    : m_connection(QStringLiteral("upload-journal-%1").arg(++connections))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    if (!db.isValid()) {
        fail(path, QStringLiteral("没有 SQLite 数据库驱动"));
        return;
    }
    if (!db.open()) {
        fail(path, db.lastError().text());
        return;
    }
    QSqlQuery query(db);
    if (!query.exec(Schema) || !query.exec(QStringLiteral("create index if not exists exchanges_time on exchanges (time)"))) {
        fail(path, query.lastError().text());
        return;
    }
    // A journal of an earlier version has no state: its entries are all finished.
    if (!db.record(QStringLiteral("exchanges")).contains(QStringLiteral("state"))
        && !query.exec(QStringLiteral("alter table exchanges add column state integer"))) {
        fail(path, query.lastError().text());
        return;
    }
    m_open = true;
}

UploadJournal::~UploadJournal()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool UploadJournal::fail(const QString &what, const QString &why)
{
    m_error = what + QStringLiteral("：") + why;
    return false;
}

qint64 UploadJournal::Append(const JournalEntry &e)
{
    if (!m_open)
        return -1;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("insert into exchanges (%1) values (%2)")
                      .arg(Columns.join(QStringLiteral(", ")), QStringList(Columns.size(), QStringLiteral("?")).join(QLatin1Char(','))));
    for (const QVariant &value : columnValues(e))
        query.addBindValue(value);
    if (!query.exec()) {
        fail(QStringLiteral("写入上传日志"), query.lastError().text());
        return -1;
    }
    return query.lastInsertId().toLongLong();
}

bool UploadJournal::Update(qint64 id, const JournalEntry &e)
{
    if (!m_open)
        return false;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("update exchanges set %1 = ? where id = ?").arg(Columns.join(QStringLiteral(" = ?, "))));
    for (const QVariant &value : columnValues(e))
        query.addBindValue(value);
    query.addBindValue(id);
    if (!query.exec() || query.numRowsAffected() != 1)
        return fail(QStringLiteral("写入上传日志"), query.lastError().text());
    return true;
}

QList<JournalEntry> UploadJournal::select(const QString &condition, const QVariantList &values, const QString &order) const
{
    QList<JournalEntry> entries;
    if (!m_open)
        return entries;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("select id, %1 from exchanges where %2 order by %3")
                      .arg(Columns.join(QStringLiteral(", ")), condition, order));
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        m_error = query.lastError().text();
        return entries;
    }
    while (query.next()) {
        JournalEntry e;
        e.id = query.value(0).toLongLong();
        e.time = TimeText::parseDateTime(query.value(1).toString());
        e.kind = query.value(2).toString();
        e.invoiceCode = query.value(3).toString();
        e.invoiceNumber = query.value(4).toString();
        e.host = query.value(5).toString();
        e.action = query.value(6).toString();
        e.fields = query.value(7).toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        e.httpStatus = query.value(8).toInt();
        e.transportError = query.value(9).toString();
        e.resultValue = query.value(10).toString();
        e.resultMessage = query.value(11).toString();
        e.elapsedMs = query.value(12).toLongLong();
        const int state = query.value(13).toInt();
        e.state = state == JournalEntry::Sending || state == JournalEntry::Accepted ? JournalEntry::State(state)
                                                                                     : JournalEntry::Finished;
        entries.append(e);
    }
    return entries;
}

QList<JournalEntry> UploadJournal::Entries(const QDate &from, const QDate &to, const QString &numberPart) const
{
    // A null string binds as NULL.
    return select(QStringLiteral("time >= ? and time < ? and instr(coalesce(invoice_number, ''), ?) > 0"),
                  {TimeText::date(from), TimeText::date(to.addDays(1)), numberPart.isNull() ? QStringLiteral("") : numberPart},
                  QStringLiteral("time desc, id desc"));
}

QList<JournalEntry> UploadJournal::Unfinished() const
{
    return select(QStringLiteral("state in (?, ?)"), {int(JournalEntry::Sending), int(JournalEntry::Accepted)},
                  QStringLiteral("id"));
}

int UploadJournal::PruneBefore(const QDateTime &before)
{
    if (!m_open)
        return -1;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("delete from exchanges where time < ?"));
    query.addBindValue(TimeText::dateTime(before));
    if (!query.exec()) {
        fail(QStringLiteral("整理上传日志"), query.lastError().text());
        return -1;
    }
    return query.numRowsAffected();
}

namespace {

// Said once: a journal that cannot be written is a nuisance, not a reason to stop uploading.
void journalProblem(const QString &why)
{
    static bool said = false;
    if (said)
        return;
    said = true;
    ShowWarning(QStringLiteral("上传日志无法写入，上传照常进行：") + why);
}

} // namespace

void JournalExchange(const JournalEntry &entry)
{
    JournalBegin(entry);
}

qint64 JournalBegin(const JournalEntry &entry)
{
    UploadJournal journal;
    const qint64 id = journal.Append(entry);
    if (id < 0)
        journalProblem(journal.Error());
    return id;
}

qint64 JournalUpdate(qint64 id, const JournalEntry &entry)
{
    if (id < 0)
        return JournalBegin(entry); // the journal did not take the beginning: the outcome at least
    UploadJournal journal;
    if (!journal.Update(id, entry))
        journalProblem(journal.Error());
    return id;
}

void PruneUploadJournal(const QDateTime &now)
{
    if (!QFileInfo::exists(UploadJournalPath()))
        return; // nothing was ever sent from here
    UploadJournal journal;
    if (journal.PruneBefore(now.addYears(-1)) < 0)
        journalProblem(journal.Error());
}
