#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstddef>
#include <memory>
#include <vector>

class TJdcConnection;

// A forward-only result read straight through the ODBC C interface as text, one row at a time,
// for results too large for a value object per cell (the invoice list). Numbers come as plain
// decimals ("100000", "150442.48"), as FieldText writes them. Raises AppError as the connection's
// statements do.
class OdbcCursor final
{
public:
    OdbcCursor(TJdcConnection &connection, const QString &statement);
    ~OdbcCursor();
    OdbcCursor(const OdbcCursor &) = delete;
    OdbcCursor &operator=(const OdbcCursor &) = delete;

    const QStringList &ColumnNames() const { return m_names; }
    // Index of the column of that name (any case), or -1.
    int IndexOf(const QString &name) const;

    // Only these columns are read from here on; the others read as empty, and views of them
    // taken before end. A result much wider
    // than its use (a "t.*" query) then costs the driver only the cells used.
    void ReadOnly(const std::vector<int> &columns);

    // Numbers from here on come as the driver writes them ("150000.00", "1.5E5"): for readers that
    // parse them themselves and must not go through binary floating point.
    void KeepNumberText() { m_numberText = true; }

    bool Next();
    // The column's text in the current row, valid until the next call of Next(); NULL is empty.
    QStringView Text(int column) const;

private:
    [[noreturn]] void Fail(const QString &what);
    void readColumn(std::size_t column);

    // Characters of each column's own buffer: a text that fits is used where the driver put it.
    static constexpr std::size_t ColumnBuffer = 1024;

    // Frees the statement also when the constructor fails after making it.
    struct FreeStatement {
        void operator()(void *handle) const;
    };

    TJdcConnection &m_connection;
    QString m_statement;
    std::unique_ptr<void, FreeStatement> m_handle; // SQLHSTMT
    QStringList m_names;
    std::vector<bool> m_numeric;
    std::vector<bool> m_read;
    bool m_numberText = false;
    std::vector<QString> m_values;      // texts that did not fit their buffer, and converted numbers
    std::vector<QStringView> m_text;    // each column's text in the current row
    std::vector<char16_t> m_buffers;    // ColumnBuffer characters per column
};
