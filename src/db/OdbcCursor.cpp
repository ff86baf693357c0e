#include "OdbcCursor.h"

#include "InvoiceQuery.h"
#include "JdcConnection.h"
#include "config/AppError.h"

#include "OdbcHeaders.h"

#include <string>

namespace {

bool isNumericType(SQLSMALLINT type)
{
    switch (type) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
        return true;
    default:
        return false;
    }
}

QString diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, QString *state)
{
    QString text;
    SQLWCHAR sqlState[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR message[1024];
    SQLSMALLINT length = 0;
    for (SQLSMALLINT record = 1;
         SQL_SUCCEEDED(SQLGetDiagRecW(handleType, handle, record, sqlState, &native, message, 1024, &length)); ++record) {
        if (record == 1)
            *state = QString::fromUtf16(reinterpret_cast<const char16_t *>(sqlState), 5);
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QString::fromUtf16(reinterpret_cast<const char16_t *>(message), std::min<SQLSMALLINT>(length, 1023));
    }
    return text;
}

// Characters of a piece the driver wrote into a buffer of available bytes (the terminating zero
// not counted): a longer text fills it, and one of unknown length ends at the zero.
qsizetype pieceUnits(const char16_t *buffer, SQLLEN length, SQLLEN available)
{
    const qsizetype room = available / 2;
    if (length >= 0)
        return length <= available ? length / 2 : room;
    const char16_t *zero = std::char_traits<char16_t>::find(buffer, std::size_t(room), u'\0');
    return zero ? zero - buffer : room;
}

} // namespace

OdbcCursor::OdbcCursor(TJdcConnection &connection, const QString &statement)
    : m_connection(connection)
    , m_statement(AdaptStatement(statement, connection.Dialect()))
{
    connection.EnsureOpen();
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(connection.OdbcHandle()), &stmt))) {
        QString state;
        const QString text = diagnostics(SQL_HANDLE_DBC, connection.OdbcHandle(), &state);
        connection.NoteFailure(state, text);
        throw AppError(text + QLatin1Char('\n') + m_statement);
    }
    m_handle.reset(stmt);
    const std::u16string sql = m_statement.toStdU16String();
    if (!SQL_SUCCEEDED(SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR *>(const_cast<char16_t *>(sql.c_str())), SQL_NTS)))
        Fail(m_statement);

    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    for (SQLUSMALLINT c = 1; c <= columns; ++c) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        SQLDescribeColW(stmt, c, name, 256, &nameLength, &type, &size, &digits, &nullable);
        m_names << QString::fromUtf16(reinterpret_cast<const char16_t *>(name), std::min<SQLSMALLINT>(nameLength, 255));
        m_numeric.push_back(isNumericType(type));
    }
    m_values.resize(static_cast<size_t>(columns));
    m_text.resize(static_cast<size_t>(columns));
    m_buffers.resize(static_cast<size_t>(columns) * ColumnBuffer);
    m_read.assign(static_cast<size_t>(columns), true);
}

OdbcCursor::~OdbcCursor() = default;

void OdbcCursor::FreeStatement::operator()(void *handle) const
{
    SQLFreeHandle(SQL_HANDLE_STMT, static_cast<SQLHSTMT>(handle));
}

void OdbcCursor::Fail(const QString &what)
{
    QString state;
    const QString text = diagnostics(SQL_HANDLE_STMT, static_cast<SQLHSTMT>(m_handle.get()), &state);
    m_connection.NoteFailure(state, text);
    throw AppError(text + QLatin1Char('\n') + what);
}

int OdbcCursor::IndexOf(const QString &name) const
{
    for (int i = 0; i < m_names.size(); ++i) {
        if (m_names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void OdbcCursor::ReadOnly(const std::vector<int> &columns)
{
    m_read.assign(m_values.size(), false);
    for (const int column : columns) {
        if (column >= 0 && static_cast<size_t>(column) < m_read.size())
            m_read[static_cast<size_t>(column)] = true;
    }
    for (size_t c = 0; c < m_values.size(); ++c) {
        if (!m_read[c]) {
            m_values[c].clear();
            m_text[c] = QStringView();
        }
    }
}

bool OdbcCursor::Next()
{
    auto *stmt = static_cast<SQLHSTMT>(m_handle.get());
    const SQLRETURN fetched = SQLFetch(stmt);
    if (fetched == SQL_NO_DATA)
        return false;
    if (!SQL_SUCCEEDED(fetched))
        Fail(m_statement);
    for (size_t c = 0; c < m_values.size(); ++c) {
        // Columns are read in ascending order, as every driver allows; skipped ones are left.
        if (!m_read[c])
            continue;
        readColumn(c);
        if (m_numeric[c] && !m_numberText && !m_text[c].isEmpty()) {
            bool ok = false;
            const double number = m_text[c].toDouble(&ok);
            if (ok) {
                m_values[c] = FieldText(number);
                m_text[c] = m_values[c];
            }
        }
    }
    return true;
}

void OdbcCursor::readColumn(size_t c)
{
    auto *stmt = static_cast<SQLHSTMT>(m_handle.get());
    const auto column = static_cast<SQLUSMALLINT>(c + 1);
    char16_t *buffer = m_buffers.data() + c * ColumnBuffer;
    constexpr auto bufferBytes = static_cast<SQLLEN>(ColumnBuffer * sizeof(char16_t));
    SQLLEN length = 0;
    SQLRETURN got = SQLGetData(stmt, column, SQL_C_WCHAR, buffer, bufferBytes, &length);
    if (got == SQL_NO_DATA || length == SQL_NULL_DATA) {
        m_text[c] = QStringView();
        return;
    }
    if (!SQL_SUCCEEDED(got))
        Fail(m_statement);
    constexpr SQLLEN available = bufferBytes - static_cast<SQLLEN>(sizeof(char16_t));
    if (got == SQL_SUCCESS && length >= 0 && length <= available) {
        // The whole text fits: it is read where the driver wrote it.
        m_text[c] = QStringView(buffer, length / 2);
        return;
    }
    // Long texts come in pieces; a length the driver does not know is taken as a full buffer.
    QString &value = m_values[c];
    value.resize(0); // keeps the room of the previous row
    while (true) {
        value.append(QStringView(buffer, pieceUnits(buffer, length, available)));
        if (got != SQL_SUCCESS_WITH_INFO)
            break;
        got = SQLGetData(stmt, column, SQL_C_WCHAR, buffer, bufferBytes, &length);
        if (got == SQL_NO_DATA || length == SQL_NULL_DATA)
            break;
        if (!SQL_SUCCEEDED(got))
            Fail(m_statement);
    }
    m_text[c] = value;
}

QStringView OdbcCursor::Text(int column) const
{
    return m_text[static_cast<size_t>(column)];
}
