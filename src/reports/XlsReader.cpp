#include "XlsSheet.h"

#include <memory>

#include <freexl.h>

#include <QFile>
#include <QLocale>

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
                    text = QString::number(value.value.double_value, 'f', QLocale::FloatingPointShortest);
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
            texts.append(text);
        }
        cells.append(texts);
    }
    return cells;
}
