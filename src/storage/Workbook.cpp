#include "storage/Workbook.h"

#include <algorithm>

namespace veltroma {

namespace {

bool holdsSomething(const Cell& cell)
{
    return !cell.text.isEmpty() || cell.style != CellStyle::Plain;
}

auto rowAtOrAfter(auto& rows, int row)
{
    return std::lower_bound(rows.begin(), rows.end(), row,
                            [](const StoredRow& stored, int index) { return stored.index < index; });
}

auto cellAtOrAfter(auto& cells, int column)
{
    return std::lower_bound(cells.begin(), cells.end(), column,
                            [](const Cell& cell, int at) { return cell.column < at; });
}

} // namespace

std::span<const Cell> Sheet::cells(int row) const
{
    const auto stored = rowAtOrAfter(m_rows, row);
    if (stored == m_rows.end() || stored->index != row)
        return {};
    return stored->cells;
}

const Cell* Sheet::find(int row, int column) const
{
    const std::span<const Cell> stored = cells(row);
    const auto cell = cellAtOrAfter(stored, column);
    return cell != stored.end() && cell->column == column ? &*cell : nullptr;
}

QString Sheet::text(int row, int column) const
{
    const Cell* cell = find(row, column);
    return cell ? cell->text : QString();
}

CellStyle Sheet::style(int row, int column) const
{
    const Cell* cell = find(row, column);
    return cell ? cell->style : CellStyle::Plain;
}

Cell& Sheet::cellAt(int row, int column)
{
    // Rows and cells are mostly added in order: at the end, without a search.
    auto stored = !m_rows.empty() && m_rows.back().index < row ? m_rows.end() : rowAtOrAfter(m_rows, row);
    if (stored == m_rows.end() || stored->index != row)
        stored = m_rows.insert(stored, StoredRow{row, {}});
    auto& cells = stored->cells;
    auto cell = !cells.empty() && cells.back().column < column ? cells.end() : cellAtOrAfter(cells, column);
    if (cell == cells.end() || cell->column != column)
        cell = cells.insert(cell, Cell{{}, column, CellStyle::Plain});
    return *cell;
}

void Sheet::setText(int row, int column, const QString& text)
{
    if (text.isEmpty() && this->text(row, column).isEmpty())
        return; // nothing to store, and no cell made for it
    cellAt(row, column).text = text;
}

void Sheet::putRow(int row, std::vector<Cell> cells)
{
    if (m_rows.empty() || m_rows.back().index < row) {
        m_rows.push_back({row, std::move(cells)});
        return;
    }
    for (Cell& cell : cells) {
        if (!cell.text.isEmpty())
            setText(row, cell.column, cell.text);
        if (cell.style != CellStyle::Plain)
            setStyle(row, cell.column, cell.style);
    }
}

void Sheet::setStyle(int row, int column, CellStyle style)
{
    cellAt(row, column).style = style;
}

void Sheet::clearTexts()
{
    for (auto& stored : m_rows) {
        for (auto& cell : stored.cells)
            cell.text.clear();
    }
    m_tableRows = 0;
    m_tableColumns = 0;
}

int Sheet::cellRows() const
{
    for (auto stored = m_rows.rbegin(); stored != m_rows.rend(); ++stored) {
        if (std::any_of(stored->cells.begin(), stored->cells.end(), holdsSomething))
            return stored->index + 1;
    }
    return 0;
}

int Sheet::cellColumns() const
{
    int columns = 0;
    for (const StoredRow& stored : m_rows) {
        for (auto cell = stored.cells.rbegin(); cell != stored.cells.rend() && cell->column >= columns; ++cell) {
            if (holdsSomething(*cell)) {
                columns = cell->column + 1;
                break;
            }
        }
    }
    return columns;
}

int Sheet::usedRows() const
{
    int rows = std::max(m_tableRows, cellRows());
    for (const auto& m : m_merges)
        rows = std::max(rows, m.lastRow + 1);
    return rows;
}

int Sheet::usedColumns() const
{
    int columns = std::max(m_tableColumns, cellColumns());
    for (const auto& m : m_merges)
        columns = std::max(columns, m.lastColumn + 1);
    return columns;
}

void Sheet::setTableExtent(int rows, int columns)
{
    m_tableRows = rows;
    m_tableColumns = columns;
}

void Sheet::growTableExtent(int rows, int columns)
{
    m_tableRows = std::max(m_tableRows, rows);
    m_tableColumns = std::max(m_tableColumns, columns);
}

Sheet& Workbook::editSheet(int index)
{
    auto& slot = m_sheets[static_cast<std::size_t>(index)];
    if (slot.use_count() > 1)
        slot = std::make_shared<Sheet>(*slot);
    return *slot;
}

std::optional<int> Workbook::findSheet(const QString& name) const
{
    for (int i = 0; i < sheetCount(); ++i) {
        if (sheet(i).name().compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return std::nullopt;
}

Sheet& Workbook::appendSheet(Sheet sheet)
{
    m_sheets.push_back(std::make_shared<Sheet>(std::move(sheet)));
    return *m_sheets.back();
}

} // namespace veltroma
