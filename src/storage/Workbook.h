#pragma once

#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace veltroma {

// The few looks a cell can carry through a save: what the record files use, and what a
// workbook from another program is reduced to when it is written back.
enum class CellStyle : std::uint8_t { Plain, Heading, Title };

// A stored cell: one that holds a text or a look, or held one.
struct Cell {
    QString text;
    int column = 0;
    CellStyle style = CellStyle::Plain;
};

// The stored cells of one row, in ascending columns.
struct StoredRow {
    int index = 0;
    std::vector<Cell> cells;
};

// A rectangle of cells, rows and columns counted from 0, both ends included.
struct CellRange {
    int firstRow = 0;
    int lastRow = 0;
    int firstColumn = 0;
    int lastColumn = 0;

    bool operator==(const CellRange&) const = default;
};

inline constexpr int kMaxSheetRows = 65536;
inline constexpr int kMaxSheetColumns = 256;
inline constexpr int kMaxSheets = 4096; // the sheet id list of a workbook must fit in one record

// One sheet held whole in memory. Rows and columns count from 0 here; the spreadsheet layer
// above counts from 1. Formatting (styles, merged areas, column widths) belongs to cell
// positions, so clearing the values keeps the sheet's layout.
//
// Only the cells that hold something are stored, row by row: a sheet costs memory by what
// it holds, never by how far its cells lie apart.
class Sheet {
public:
    explicit Sheet(QString name) : m_name(std::move(name)) {}

    [[nodiscard]] const QString& name() const { return m_name; }

    // The rows holding stored cells, in ascending order.
    [[nodiscard]] const std::vector<StoredRow>& rows() const { return m_rows; }
    // The stored cells of row `row`, in ascending columns; none for a row that holds none.
    [[nodiscard]] std::span<const Cell> cells(int row) const;
    [[nodiscard]] QString text(int row, int column) const;
    [[nodiscard]] CellStyle style(int row, int column) const;
    void setText(int row, int column, const QString& text);
    void setStyle(int row, int column, CellStyle style);
    // Stores the cells of a row (in ascending columns, none of them twice): the fast way to
    // fill a sheet that is being read, row after row. A row that comes again, or out of
    // order, is merged cell by cell: a text or a look given replaces the stored one.
    void putRow(int row, std::vector<Cell> cells);
    // Empties every cell; styles, merged areas and column widths stay.
    void clearTexts();

    // The used range: the table extent declared by the file or by the last write, grown to
    // every cell with a value or a style and every merged area.
    [[nodiscard]] int usedRows() const;
    [[nodiscard]] int usedColumns() const;
    // The extent of the cells with a value or a style alone.
    [[nodiscard]] int cellRows() const;
    [[nodiscard]] int cellColumns() const;
    void setTableExtent(int rows, int columns);
    void growTableExtent(int rows, int columns);

    [[nodiscard]] const std::vector<CellRange>& merges() const { return m_merges; }
    void addMerge(const CellRange& range) { m_merges.push_back(range); }
    [[nodiscard]] std::vector<CellRange> takeMerges() { return std::exchange(m_merges, {}); }

    // Column widths in 1/256 of the width of a digit, by column.
    [[nodiscard]] const std::map<int, int>& columnWidths() const { return m_columnWidths; }
    void setColumnWidth(int column, int width) { m_columnWidths[column] = width; }

private:
    [[nodiscard]] const Cell* find(int row, int column) const;
    Cell& cellAt(int row, int column);

    QString m_name;
    std::vector<StoredRow> m_rows; // ascending by index
    std::vector<CellRange> m_merges;
    std::map<int, int> m_columnWidths;
    int m_tableRows = 0;
    int m_tableColumns = 0;
};

// The sheets of one workbook in their order. Copies share sheets until one is changed, so a
// cached workbook is handed out cheaply and changed copies leave the cache alone.
class Workbook {
public:
    [[nodiscard]] int sheetCount() const { return static_cast<int>(m_sheets.size()); }
    [[nodiscard]] const Sheet& sheet(int index) const { return *m_sheets[static_cast<std::size_t>(index)]; }
    // The sheet as shared with the copies of this workbook: the same pointer as long as no
    // copy changed it, which lets a writer keep what it encoded of unchanged sheets.
    [[nodiscard]] std::shared_ptr<const Sheet> sharedSheet(int index) const
    {
        return m_sheets[static_cast<std::size_t>(index)];
    }
    Sheet& editSheet(int index);
    // Sheet names are compared without regard to case, as spreadsheet programs do.
    [[nodiscard]] std::optional<int> findSheet(const QString& name) const;
    Sheet& appendSheet(const QString& name) { return appendSheet(Sheet(name)); }
    Sheet& appendSheet(Sheet sheet);

private:
    std::vector<std::shared_ptr<Sheet>> m_sheets;
};

} // namespace veltroma
