"""Times python's xlrd reading a whole month file: every cell of the cover and the 31 day
sheets. Prints the seconds taken, the cells read and the processor seconds taken, for
comparison with our reader in the same run (the processor time stays fair on a busy machine)."""
import sys
import time

import xlrd


def read_month(path):
    book = xlrd.open_workbook(path)
    cells = 0
    for sheet in book.sheets():
        for r in range(sheet.nrows):
            cells += len(sheet.row_values(r))
    return cells


if __name__ == "__main__":
    start = time.perf_counter()
    cpu_start = time.process_time()
    count = read_month(sys.argv[1])
    print(f"{time.perf_counter() - start:.6f} {count} {time.process_time() - cpu_start:.6f}")
