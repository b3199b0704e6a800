"""Prints, as JSON, the record rows python's xlrd reads from a month file: the cover's
serial number and Year-Month and, for each day sheet, its rows from the last one up to row 3 (oldest first),
every cell as text, rows without any text left out."""
import json
import sys

import xlrd


def text(cell):
    if cell.ctype == xlrd.XL_CELL_NUMBER:
        value = cell.value
        return str(int(value)) if value == int(value) else repr(value)
    return str(cell.value)


def main(path):
    book = xlrd.open_workbook(path)
    cover = book.sheet_by_name("Cover")
    result = {"serial": text(cover.cell(35, 3)), "yearMonth": text(cover.cell(38, 3)), "days": {}}
    for day in range(1, 32):
        try:
            sheet = book.sheet_by_name(str(day))
        except xlrd.XLRDError:
            continue
        rows = []
        for r in range(sheet.nrows - 1, 1, -1):
            cells = [text(sheet.cell(r, c)) for c in range(sheet.ncols)]
            if any(c.strip() for c in cells):
                rows.append(cells)
        result["days"][str(day)] = rows
    json.dump(result, sys.stdout)


if __name__ == "__main__":
    main(sys.argv[1])
