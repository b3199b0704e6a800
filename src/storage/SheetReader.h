#pragma once

#include "storage/WorkbookStore.h"

#include <QString>
#include <QStringList>

namespace veltroma {

// Reads one sheet of a workbook as the spreadsheet layer shows it - rows and columns from 1,
// the used range from the first row and column, every row as wide as the widest - but
// straight from the workbook held in memory: no row texts are built and split, and the cell
// texts are shared with the loaded workbook. For readers that go through many sheets of one
// file, as plotting a month does. A missing file or sheet reads as an empty sheet; lastError()
// says why when the file could not be read.
class SheetReader {
public:
    SheetReader(const QString& file, const QString& sheet, WorkbookStore& store = WorkbookStore::shared());

    [[nodiscard]] long totalRows() const { return rows_; }
    [[nodiscard]] int totalColumns() const { return columns_; }
    // The cells of row `row` (1 to totalRows()), totalColumns() of them.
    bool readRow(QStringList& cells, long row) const;
    // The cell at `column` (1 to totalColumns()) of row `row`.
    bool readCell(QString& text, int column, long row) const;
    [[nodiscard]] const QString& lastError() const { return error_; }

private:
    Workbook book_;
    int sheet_ = -1;
    long rows_ = 0;
    int columns_ = 0;
    QString error_;
};

} // namespace veltroma
