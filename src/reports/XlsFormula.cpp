#include "XlsFormula.h"

#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>

#include "config/AppError.h"

namespace {

// Built-in function numbers of the BIFF8 function table; all of these take a variable number
// of arguments.
struct Function {
    const char *name;
    quint16 index;
};
const Function Functions[] = {
    {"COUNT", 0}, {"SUM", 4}, {"AVERAGE", 5}, {"MIN", 6}, {"MAX", 7},
};

// Token ids; the class bits (0x20 reference, 0x40 value) are added where the token stands.
enum : quint8 { PtgNum = 0x1F, PtgFuncVar = 0x02, PtgRef = 0x04, PtgArea = 0x05 };
constexpr quint8 ReferenceClass = 0x20;
constexpr quint8 ValueClass = 0x40;

constexpr int MaxRows = 65536;
constexpr int MaxColumns = 256;

struct Reference {
    int row = 0;
    int column = 0;
    bool rowRelative = true;
    bool columnRelative = true;
};

bool parseReference(const QString &text, Reference &reference)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\$?)([A-Z]{1,2})(\\$?)([0-9]{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text.toUpper());
    if (!match.hasMatch())
        return false;
    int column = 0;
    for (const QChar letter : match.captured(2))
        column = column * 26 + (letter.unicode() - 'A' + 1);
    const int row = match.captured(4).toInt();
    if (row < 1 || row > MaxRows || column > MaxColumns)
        return false;
    reference = {row, column, match.captured(3).isEmpty(), match.captured(1).isEmpty()};
    return true;
}

void append16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void appendRow(QByteArray &out, const Reference &reference)
{
    append16(out, quint16(reference.row - 1));
}

// Column with its two relative flags, as BIFF8 references carry it.
void appendColumn(QByteArray &out, const Reference &reference)
{
    quint16 value = quint16(reference.column - 1);
    if (reference.rowRelative)
        value |= 0x4000;
    if (reference.columnRelative)
        value |= 0x8000;
    append16(out, value);
}

[[noreturn]] void refuse(const QString &formula)
{
    throw AppError(QStringLiteral("不能写入的公式：%1").arg(formula));
}

void appendOperand(QByteArray &out, const QString &text, quint8 tokenClass, const QString &formula)
{
    const QStringList ends = text.split(QLatin1Char(':'));
    Reference first;
    Reference last;
    if (ends.size() == 1 && parseReference(ends[0], first)) {
        out.append(char(PtgRef | tokenClass));
        appendRow(out, first);
        appendColumn(out, first);
        return;
    }
    if (ends.size() == 2 && parseReference(ends[0], first) && parseReference(ends[1], last)) {
        out.append(char(PtgArea | tokenClass));
        appendRow(out, first);
        appendRow(out, last);
        appendColumn(out, first);
        appendColumn(out, last);
        return;
    }
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    if (!isNumber)
        refuse(formula);
    out.append(char(PtgNum));
    char bytes[8];
    qToLittleEndian(number, bytes);
    out.append(bytes, 8);
}

} // namespace

bool ParseCellReference(const QString &text, int &row, int &column)
{
    Reference reference;
    if (!parseReference(text, reference))
        return false;
    row = reference.row;
    column = reference.column;
    return true;
}

QByteArray ParsedXlsFormula(const QString &formula)
{
    QString text = formula;
    text.remove(QLatin1Char(' '));
    QByteArray tokens;
    const qsizetype open = text.indexOf(QLatin1Char('('));
    if (open < 0) {
        appendOperand(tokens, text, ValueClass, formula);
        return tokens;
    }
    if (!text.endsWith(QLatin1Char(')')))
        refuse(formula);
    const QString name = text.left(open).toUpper();
    const Function *function = nullptr;
    for (const Function &candidate : Functions) {
        if (name == QLatin1String(candidate.name))
            function = &candidate;
    }
    const QString inner = text.mid(open + 1, text.size() - open - 2);
    if (!function || inner.isEmpty() || inner.contains(QLatin1Char('(')))
        refuse(formula);
    const QStringList arguments = inner.split(QLatin1Char(','));
    if (arguments.size() > 30)
        refuse(formula);
    for (const QString &argument : arguments)
        appendOperand(tokens, argument, ReferenceClass, formula);
    tokens.append(char(PtgFuncVar | ValueClass));
    tokens.append(char(arguments.size()));
    append16(tokens, function->index);
    return tokens;
}
