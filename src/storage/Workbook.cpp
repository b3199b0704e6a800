#include "storage/Workbook.h"

#include <algorithm>

namespace veltroma {

QString Sheet::text(int row, int column) const
{
    if (row < 0 || row >= storedRows())
        return {};
    const auto& cells = m_rows[static_cast<std::size_t>(row)];
    if (column < 0 || column >= static_cast<int>(cells.size()))
        return {};
    return cells[static_cast<std::size_t>(column)].text;
}

Cell& Sheet::cellAt(int row, int column)
{
    if (row >= storedRows())
        m_rows.resize(static_cast<std::size_t>(row) + 1);
    auto& cells = m_rows[static_cast<std::size_t>(row)];
    if (column >= static_cast<int>(cells.size()))
        cells.resize(static_cast<std::size_t>(column) + 1);
    return cells[static_cast<std::size_t>(column)];
}

void Sheet::setText(int row, int column, const QString& text)
{
    if (text.isEmpty() && this->text(row, column).isEmpty())
        return; // nothing to store, and no row grown for it
    cellAt(row, column).text = text;
}

void Sheet::setRow(int row, std::vector<Cell> cells)
{
    if (row >= storedRows())
        m_rows.resize(static_cast<std::size_t>(row) + 1);
    m_rows[static_cast<std::size_t>(row)] = std::move(cells);
}

void Sheet::setStyle(int row, int column, CellStyle style)
{
    cellAt(row, column).style = style;
}

void Sheet::clearTexts()
{
    for (auto& cells : m_rows) {
        for (auto& cell : cells)
            cell.text.clear();
    }
    m_tableRows = 0;
    m_tableColumns = 0;
}

int Sheet::usedRows() const
{
    int rows = m_tableRows;
    for (int r = storedRows() - 1; r >= rows; --r) {
        const auto& cells = m_rows[static_cast<std::size_t>(r)];
        if (std::any_of(cells.begin(), cells.end(), [](const Cell& c) {
                return !c.text.isEmpty() || c.style != CellStyle::Plain;
            })) {
            rows = r + 1;
            break;
        }
    }
    for (const auto& m : m_merges)
        rows = std::max(rows, m.lastRow + 1);
    return rows;
}

int Sheet::usedColumns() const
{
    int columns = m_tableColumns;
    for (const auto& cells : m_rows) {
        for (int c = static_cast<int>(cells.size()) - 1; c >= columns; --c) {
            const Cell& cell = cells[static_cast<std::size_t>(c)];
            if (!cell.text.isEmpty() || cell.style != CellStyle::Plain) {
                columns = c + 1;
                break;
            }
        }
    }
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
