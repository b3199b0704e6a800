#pragma once

#include "storage/WorkbookStore.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace veltroma {

// A sheet read as a table: its used range from the first row and column, the first row
// holding the field names. Every row has `columns` cells; an empty cell is an empty text.
struct SheetTable {
    int columns = 0;
    std::vector<QStringList> rows;
};

// The statements the spreadsheet layer issues against a workbook, carried out directly on
// the workbook held in memory. Connecting loads the file; the statements change the copy;
// close() writes it back in one atomic save. A connection dropped without close() - after a
// failed statement - changes nothing on disk.
//
// Cells hold text only. A cell written as one space, the layer's blank cell, is stored
// empty. A text may hold any character, quotes included, up to 255 characters as a field of
// the layer's tables does.
class WorkbookConnection {
public:
    explicit WorkbookConnection(QString path, WorkbookStore& store = WorkbookStore::shared());

    // Loads the file; a missing file is a new, empty workbook when `createMissing`.
    bool connect(bool createMissing);
    // After a failed connect: there was no file at all.
    [[nodiscard]] bool fileMissing() const { return m_missing; }

    // The sheet's table, or nothing when there is no such sheet.
    [[nodiscard]] std::optional<SheetTable> select(const QString& sheet) const;
    // The same table handed to `take` row by row, top first, never held whole: its width,
    // or nothing when there is no such sheet. The row given is valid during the call only.
    std::optional<int> selectRows(const QString& sheet, const std::function<void(const QStringList&)>& take) const;

    // Empties the sheet. It keeps its place among the sheets, its merged areas, column
    // widths and the looks of its cells.
    bool dropTable(const QString& sheet);

    // Writes the field names as the first row. `existingSheet`: into a sheet that exists
    // (emptied before); otherwise into a new sheet added after the others, or into an
    // existing sheet that holds no value, in its place.
    bool createTable(const QString& sheet, const QStringList& fieldNames, bool existingSheet);

    // Writes `values`, by position from column A, into the sheet's row `row` (from 1).
    bool insertRow(const QString& sheet, long row, const QStringList& values);

    // In every row below the first whose first cells equal `where`, sets the first cells to
    // `values`.
    bool updateRows(const QString& sheet, const QStringList& values, const QStringList& where);

    // Writes the workbook back if a statement changed it.
    bool close();

    [[nodiscard]] const QString& lastError() const { return m_error; }

private:
    Sheet* sheetNamed(const QString& name);
    bool fail(const QString& error);
    bool checkTexts(const QStringList& texts);

    QString m_path;
    WorkbookStore& m_store;
    std::optional<WorkbookFile> m_file;
    // The sheet found last, by name: a table is written row by row. Sheets are only ever
    // added, so an index once found stays right.
    std::optional<std::pair<QString, int>> m_lastSheet;
    bool m_changed = false;
    bool m_missing = false;
    QString m_error;
};

} // namespace veltroma
