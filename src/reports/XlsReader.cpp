#include "XlsSheet.h"

#include <map>
#include <memory>
#include <utility>

#include <freexl.h>

#include <QFile>
#include <QLocale>
#include <QtEndian>

namespace {

quint16 u16At(const QByteArray &bytes, qsizetype at)
{
    return at + 2 <= bytes.size() ? qFromLittleEndian<quint16>(bytes.constData() + at) : 0;
}

quint32 u32At(const QByteArray &bytes, qsizetype at)
{
    return at + 4 <= bytes.size() ? qFromLittleEndian<quint32>(bytes.constData() + at) : 0xFFFFFFFF;
}

// The "Workbook" stream of a compound file with 512-byte sectors whose FAT the header lists;
// empty for any other file.
QByteArray workbookStream(const QByteArray &file)
{
    constexpr int Sector = 512;
    if (!file.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1")) || u16At(file, 30) != 9)
        return {};
    auto sector = [&](quint32 number) { return file.mid(Sector * (qsizetype(number) + 1), Sector); };
    QByteArray fat;
    for (int slot = 0; slot < 109 && slot < int(u32At(file, 44)); ++slot)
        fat += sector(u32At(file, 76 + 4 * slot));
    auto chain = [&](quint32 start, qsizetype limit) {
        QByteArray bytes;
        for (quint32 at = start; at < 0xFFFFFFFA && bytes.size() < limit; at = u32At(fat, 4 * qsizetype(at))) {
            const QByteArray next = sector(at);
            if (next.isEmpty())
                return QByteArray();
            bytes += next;
        }
        return bytes;
    };
    const QByteArray directory = chain(u32At(file, 48), 64 * Sector);
    for (qsizetype entry = 0; entry + 128 <= directory.size(); entry += 128) {
        const QString name = QString::fromUtf16(reinterpret_cast<const char16_t *>(directory.constData() + entry),
                                                std::max(0, u16At(directory, entry + 64) / 2 - 1));
        const quint32 size = u32At(directory, entry + 120);
        if (directory.at(entry + 66) == 2 && name == QLatin1String("Workbook") && size >= 4096)
            return chain(u32At(directory, entry + 116), size).left(size);
    }
    return {};
}

// The stored results of the number formulas of the first sheet, by row and column from 0.
// freexl leaves formula cells empty; the report window shows their values all the same.
std::map<std::pair<int, int>, double> formulaValues(const QString &path)
{
    std::map<std::pair<int, int>, double> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    const QByteArray stream = workbookStream(file.readAll());
    qsizetype sheet = -1;
    for (qsizetype at = 0; at + 4 <= stream.size() && sheet < 0;) {
        const quint16 id = u16At(stream, at);
        if (id == 0x000A)
            break;
        if (id == 0x0085)
            sheet = u32At(stream, at + 4);
        at += 4 + u16At(stream, at + 2);
    }
    for (qsizetype at = sheet + 4 + u16At(stream, sheet + 2); sheet >= 0 && at + 4 <= stream.size();) {
        const quint16 id = u16At(stream, at);
        const quint16 size = u16At(stream, at + 2);
        if (id == 0x000A || id == 0x0809)
            break;
        // A result whose top two bytes are 0xFFFF is a text, truth value or error, not a number.
        if (id == 0x0006 && size >= 20 && at + 4 + size <= stream.size() && u16At(stream, at + 16) != 0xFFFF)
            values[{u16At(stream, at + 4), u16At(stream, at + 6)}] = qFromLittleEndian<double>(stream.constData() + at + 10);
        at += 4 + size;
    }
    return values;
}

QString shortestDecimal(double value)
{
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

} // namespace

QList<QStringList> ReadXlsCells(const QString &path)
{
    const void *handle = nullptr;
    const int opened = freexl_open(QFile::encodeName(path).constData(), &handle);
    const auto close = [](const void *h) { freexl_close(h); };
    const std::unique_ptr<const void, decltype(close)> owner(handle, close);
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (opened != FREEXL_OK || freexl_select_active_worksheet(handle, 0) != FREEXL_OK
        || freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK)
        return {};

    const auto formulas = formulaValues(path);
    QList<QStringList> cells;
    for (unsigned int row = 0; row < rows; ++row) {
        QStringList texts;
        for (unsigned short column = 0; column < columns; ++column) {
            FreeXL_CellValue value;
            QString text;
            if (freexl_get_cell_value(handle, row, column, &value) == FREEXL_OK) {
                switch (value.type) {
                case FREEXL_CELL_INT:
                    text = QString::number(value.value.int_value);
                    break;
                case FREEXL_CELL_DOUBLE:
                    text = shortestDecimal(value.value.double_value);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    text = QString::fromUtf8(value.value.text_value);
                    break;
                default:
                    break;
                }
            }
            const auto formula = formulas.find({int(row), int(column)});
            if (text.isEmpty() && formula != formulas.end())
                text = shortestDecimal(formula->second);
            texts.append(text);
        }
        cells.append(texts);
    }
    return cells;
}
