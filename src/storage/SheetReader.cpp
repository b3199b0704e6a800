#include "storage/SheetReader.h"

namespace veltroma {

SheetReader::SheetReader(const QString& file, const QString& sheet, WorkbookStore& store)
{
    auto loaded = store.load(file);
    if (!loaded.file) {
        error_ = loaded.error;
        return;
    }
    book_ = std::move(loaded.file->book);
    const auto index = book_.findSheet(sheet);
    if (!index)
        return;
    sheet_ = *index;
    columns_ = book_.sheet(sheet_).usedColumns();
    rows_ = columns_ == 0 ? 0 : book_.sheet(sheet_).usedRows();
}

bool SheetReader::readRow(QStringList& cells, long row) const
{
    cells.clear();
    if (row < 1 || row > rows_)
        return false;
    cells.resize(columns_);
    for (const Cell& cell : book_.sheet(sheet_).cells(static_cast<int>(row - 1))) {
        if (cell.column >= columns_)
            break;
        cells[cell.column] = cell.text;
    }
    return true;
}

bool SheetReader::readCell(QString& text, int column, long row) const
{
    text.clear();
    if (row < 1 || row > rows_ || column < 1 || column > columns_)
        return false;
    text = book_.sheet(sheet_).text(static_cast<int>(row - 1), column - 1);
    return true;
}

} // namespace veltroma
