"""Prints what python's xlrd reads from a workbook, as JSON: an independent second reader
for the files our own writer produces."""
import json
import sys

import xlrd


def cell_text(cell):
    if cell.ctype == xlrd.XL_CELL_NUMBER:
        return repr(cell.value)
    return str(cell.value)


def main(path):
    book = xlrd.open_workbook(path, formatting_info=True)
    sheets = []
    for sheet in book.sheets():
        cells = []
        bold = []
        for r in range(sheet.nrows):
            for c in range(sheet.ncols):
                cell = sheet.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                if cell.ctype != xlrd.XL_CELL_BLANK:
                    cells.append([r, c, cell_text(cell)])
                font = book.font_list[book.xf_list[cell.xf_index].font_index]
                if font.weight >= 700:
                    bold.append([r, c])
        sheets.append({
            "name": sheet.name,
            "cells": cells,
            "bold": bold,
            "merged": [list(m) for m in sheet.merged_cells],
        })
    json.dump({"sheets": sheets}, sys.stdout)


if __name__ == "__main__":
    main(sys.argv[1])
