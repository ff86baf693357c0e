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
#include <QStandardPaths>
#include <QUrl>
#include <QVariant>

#include <atomic>

namespace {

const QString Schema = QStringLiteral(
    "create table if not exists exchanges (id integer primary key, time text not null, kind text, invoice_code text, "
    "invoice_number text, host text, action text, fields text, http_status integer, transport_error text, "
    "result_value text, result_message text, elapsed_ms integer)");
// The entry's columns in the order the insert binds and the select reads them.
const QString Columns = QStringLiteral("time, kind, invoice_code, invoice_number, host, action, fields, http_status, "
                                       "transport_error, result_value, result_message, elapsed_ms");

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

JournalEntry JournalEntryOf(const QString &kind, const QString &invoiceCode, const QString &invoiceNumber,
                            const TMyIdHttp &http, const QDateTime &time)
{
    // The server that answered, which a redirect may have made another port's.
    const QString &address = http.EffectiveUrl.isEmpty() ? http.Url : http.EffectiveUrl;
    const QUrl url(address);
    JournalEntry entry;
    entry.time = time;
    entry.kind = kind;
    entry.invoiceCode = invoiceCode;
    entry.invoiceNumber = invoiceNumber;
    entry.host = url.host().isEmpty() ? address : url.host() + (url.port() > 0 ? QStringLiteral(":%1").arg(url.port()) : QString());
    entry.action = url.path().section(QLatin1Char('/'), -1);
    entry.fields = MaskedFields(http.Fields);
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

bool UploadJournal::Append(const JournalEntry &e)
{
    if (!m_open)
        return false;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("insert into exchanges (%1) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)").arg(Columns));
    for (const QVariant &value :
         {QVariant(TimeText::dateTime(e.time)), QVariant(e.kind), QVariant(e.invoiceCode), QVariant(e.invoiceNumber),
          QVariant(e.host), QVariant(e.action), QVariant(e.fields.join(QLatin1Char('\n'))), QVariant(e.httpStatus),
          QVariant(e.transportError), QVariant(e.resultValue), QVariant(e.resultMessage), QVariant(e.elapsedMs)})
        query.addBindValue(value);
    if (!query.exec())
        return fail(QStringLiteral("写入上传日志"), query.lastError().text());
    return true;
}

QList<JournalEntry> UploadJournal::Entries(const QDate &from, const QDate &to, const QString &numberPart) const
{
    QList<JournalEntry> entries;
    if (!m_open)
        return entries;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("select %1 from exchanges where time >= ? and time < ? "
                                 "and instr(coalesce(invoice_number, ''), ?) > 0 order by time desc, id desc")
                      .arg(Columns));
    query.addBindValue(TimeText::date(from));
    query.addBindValue(TimeText::date(to.addDays(1)));
    query.addBindValue(numberPart.isNull() ? QStringLiteral("") : numberPart); // a null string binds as NULL
    if (!query.exec()) {
        m_error = query.lastError().text();
        return entries;
    }
    while (query.next()) {
        JournalEntry e;
        e.time = TimeText::parseDateTime(query.value(0).toString());
        e.kind = query.value(1).toString();
        e.invoiceCode = query.value(2).toString();
        e.invoiceNumber = query.value(3).toString();
        e.host = query.value(4).toString();
        e.action = query.value(5).toString();
        e.fields = query.value(6).toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        e.httpStatus = query.value(7).toInt();
        e.transportError = query.value(8).toString();
        e.resultValue = query.value(9).toString();
        e.resultMessage = query.value(10).toString();
        e.elapsedMs = query.value(11).toLongLong();
        entries.append(e);
    }
    return entries;
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
    UploadJournal journal;
    if (!journal.Append(entry))
        journalProblem(journal.Error());
}

void PruneUploadJournal(const QDateTime &now)
{
    if (!QFileInfo::exists(UploadJournalPath()))
        return; // nothing was ever sent from here
    UploadJournal journal;
    if (journal.PruneBefore(now.addYears(-1)) < 0)
        journalProblem(journal.Error());
}
