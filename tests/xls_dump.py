"""Prints what xlrd sees in the first sheet of an .xls file, as JSON: every cell with its type,
value, borders, font and number format, the column widths, the merged ranges and anything xlrd
complained about while reading."""
import io
import json
import sys

import xlrd

log = io.StringIO()
book = xlrd.open_workbook(sys.argv[1], formatting_info=True, logfile=log, verbosity=0)
sheet = book.sheet_by_index(0)
kinds = {xlrd.XL_CELL_EMPTY: "empty", xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number",
         xlrd.XL_CELL_BLANK: "blank", xlrd.XL_CELL_BOOLEAN: "boolean", xlrd.XL_CELL_ERROR: "error",
         xlrd.XL_CELL_DATE: "date"}
cells = []
for row in range(sheet.nrows):
    for column in range(sheet.ncols):
        cell = sheet.cell(row, column)
        if cell.ctype == xlrd.XL_CELL_EMPTY:
            continue
        xf = book.xf_list[cell.xf_index]
        border = xf.border
        font = book.font_list[xf.font_index]
        cells.append({
            "row": row + 1, "column": column + 1, "type": kinds[cell.ctype], "value": cell.value,
            "lines": [border.top_line_style, border.bottom_line_style, border.left_line_style,
                      border.right_line_style],
            "colours": [border.top_colour_index, border.bottom_colour_index,
                        border.left_colour_index, border.right_colour_index],
            "format": book.format_map[xf.format_key].format_str,
            "align": xf.alignment.hor_align,
            "font": {"name": font.name, "height": font.height, "bold": bool(font.bold)},
        })
print(json.dumps({
    "sheets": book.sheet_names(),
    "cells": cells,
    "widths": {str(column + 1): info.width for column, info in sheet.colinfo_map.items()},
    "merged": [[r0 + 1, c0 + 1, r1, c1] for r0, r1, c0, c1 in sheet.merged_cells],
    "log": log.getvalue(),
}, ensure_ascii=False))
