#include "SqlDialect.h"

#include <QRegularExpression>

SqlDialect DialectOfDbms(const QString &dbmsName)
{
    if (dbmsName.contains(QLatin1String("SQLite"), Qt::CaseInsensitive))
        return SqlDialect::SQLite;
    if (dbmsName.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive))
        return SqlDialect::PostgreSQL;
    if (dbmsName.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive))
        return SqlDialect::SqlServer;
    return SqlDialect::Other;
}

namespace {

// Index of the parenthesis closing the one at open, skipping quoted text; -1 when unbalanced.
qsizetype closingParenthesis(const QString &text, qsizetype open, qsizetype *lastTopComma)
{
    int depth = 0;
    bool quoted = false;
    *lastTopComma = -1;
    for (qsizetype i = open; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            if (--depth == 0)
                return i;
        } else if (c == QLatin1Char(',') && depth == 1) {
            *lastTopComma = i;
        }
    }
    return -1;
}

QString leftAsSubstr(const QString &statement)
{
    static const QRegularExpression leftCall(QStringLiteral("\\bleft\\s*\\("), QRegularExpression::CaseInsensitiveOption);
    QString result;
    qsizetype from = 0;
    while (true) {
        const QRegularExpressionMatch match = leftCall.match(statement, from);
        if (!match.hasMatch())
            break;
        const qsizetype open = match.capturedEnd() - 1;
        // Text inside quotes is a value, never a call.
        if (statement.left(match.capturedStart()).count(QLatin1Char('\'')) % 2 != 0) {
            result += statement.mid(from, match.capturedEnd() - from);
            from = match.capturedEnd();
            continue;
        }
        qsizetype comma = -1;
        const qsizetype close = closingParenthesis(statement, open, &comma);
        if (close < 0 || comma < 0) {
            result += statement.mid(from, match.capturedEnd() - from);
            from = match.capturedEnd();
            continue;
        }
        result += statement.mid(from, match.capturedStart() - from);
        // The arguments may themselves hold Left(): adapt them too.
        const QString text = leftAsSubstr(statement.mid(open + 1, comma - open - 1));
        const QString length = leftAsSubstr(statement.mid(comma + 1, close - comma - 1));
        result += QStringLiteral("substr(") + text + QStringLiteral(",1,") + length.trimmed() + QLatin1Char(')');
        from = close + 1;
    }
    return result + statement.mid(from);
}

} // namespace

QString AdaptStatement(const QString &statement, SqlDialect dialect)
{
    if (dialect == SqlDialect::SQLite)
        return leftAsSubstr(statement);
    return statement;
}

QString QuotedSql(const QString &value)
{
    QString doubled = value;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}
