#pragma once

#include "storage/WorkbookStore.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <span>

namespace veltroma {

// One row for a sheet of a workbook.
struct SheetRow {
    QString sheet;
    QStringList cells;
};

// Inserts every row at row `atRow` (from 1) of its sheet, in the order given, moving what was
// there down - as that many single inserts at that row would, so that the last row given for
// a sheet ends on top - and saves the workbook once, atomically. Cells written as one space,
// the spreadsheet layer's blank cell, are stored empty; cell formats stay with their
// positions, as a rewrite of the sheet keeps them.
//
// Nothing is written when a sheet is missing, a row has more than 256 cells or a cell more
// than 255 characters, a sheet would pass 65536 rows, the file is missing or cannot be read,
// or it holds content the writer cannot keep. The reason, or nothing on success.
[[nodiscard]] std::optional<QString> insertRowsAt(const QString& path, std::span<const SheetRow> rows, long atRow,
                                                  WorkbookStore& store = WorkbookStore::shared());

} // namespace veltroma
