#include "storage/RowBatch.h"

#include <algorithm>
#include <map>
#include <vector>

namespace veltroma {

namespace {

constexpr int kMaxFieldText = 255;

QString storedText(const QString& text)
{
    return text == QLatin1String(" ") ? QString() : text;
}

std::optional<QString> rowLimitError(const SheetRow& row)
{
    if (row.cells.size() > kMaxSheetColumns)
        return QStringLiteral("A row for sheet \"%1\" has more than %2 cells").arg(row.sheet).arg(kMaxSheetColumns);
    for (const QString& text : row.cells) {
        if (text.size() > kMaxFieldText)
            return QStringLiteral("Text longer than %1 characters: %2...").arg(kMaxFieldText).arg(text.left(20));
    }
    return std::nullopt;
}

// Puts `block` (top first) at row index `first` of the sheet and the texts that were there
// from that row on below it.
void insertTexts(Sheet& sheet, int first, const std::vector<const QStringList*>& block)
{
    struct Text {
        int row;
        int column;
        QString text;
    };
    std::vector<Text> below;
    for (const StoredRow& row : sheet.rows()) {
        if (row.index < first)
            continue;
        for (const Cell& cell : row.cells) {
            if (!cell.text.isEmpty())
                below.push_back({row.index, cell.column, cell.text});
        }
    }
    for (const Text& moved : below)
        sheet.setText(moved.row, moved.column, QString());
    int r = first;
    int columns = 0;
    for (const QStringList* cells : block) {
        for (int c = 0; c < cells->size(); ++c)
            sheet.setText(r, c, storedText((*cells)[c]));
        columns = std::max(columns, static_cast<int>(cells->size()));
        ++r;
    }
    const auto shift = static_cast<int>(block.size());
    for (const Text& moved : below)
        sheet.setText(moved.row + shift, moved.column, moved.text);
    sheet.growTableExtent(first + shift, columns);
}

} // namespace

std::optional<QString> insertRowsAt(const QString& path, std::span<const SheetRow> rows, long atRow,
                                    WorkbookStore& store)
{
    if (atRow < 1 || atRow > kMaxSheetRows)
        return QStringLiteral("Row %1 is outside a sheet (1 to %2)").arg(atRow).arg(kMaxSheetRows);
    auto loaded = store.load(path);
    if (!loaded.file)
        return loaded.missing ? QStringLiteral("No workbook %1").arg(path) : loaded.error;
    WorkbookFile& file = *loaded.file;
    if (!file.lostOnSave.isEmpty())
        return QStringLiteral("%1 holds %2, which this program cannot write back; it was not changed")
            .arg(path, file.lostOnSave);

    // Per sheet, the rows in the order they end up in: the last given on top.
    std::map<int, std::vector<const QStringList*>> blocks;
    for (const SheetRow& row : rows) {
        if (auto error = rowLimitError(row))
            return error;
        const auto index = file.book.findSheet(row.sheet);
        if (!index)
            return QStringLiteral("No sheet \"%1\" in %2").arg(row.sheet, path);
        blocks[*index].push_back(&row.cells);
    }
    for (auto& [index, block] : blocks) {
        std::reverse(block.begin(), block.end());
        Sheet& sheet = file.book.editSheet(index);
        if (std::max(sheet.usedRows(), static_cast<int>(atRow - 1)) + static_cast<qsizetype>(block.size()) >
            kMaxSheetRows)
            return QStringLiteral("Sheet \"%1\" would pass %2 rows").arg(sheet.name()).arg(kMaxSheetRows);
        insertTexts(sheet, static_cast<int>(atRow - 1), block);
    }
    if (blocks.empty())
        return std::nullopt;
    return store.save(path, file.book);
}

} // namespace veltroma
