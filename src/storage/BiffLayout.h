#pragma once

#include "storage/Workbook.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace veltroma {

struct StyledCell {
    int row;
    int column;
    CellStyle style;
};

struct CellText {
    int row;
    int column;
    QString text;
};

// What a sheet holds beyond its cell values.
struct SheetLayout {
    QString name;
    std::vector<CellRange> merges;
    std::map<int, int> columnWidths;
    std::vector<StyledCell> styledCells;
    // Cells the value reader leaves empty or misreads: the stored results of formulas, and
    // error values, which read as empty.
    std::vector<CellText> texts;
};

struct WorkbookLayout {
    std::vector<SheetLayout> sheets; // in the order of the workbook's sheet list
    // What a save would lose (formulas, charts, drawings, comments, macro sheets); empty
    // when nothing.
    QString lostOnSave;
};

// Reads the layout of a BIFF8 workbook stream: merged areas, column widths, which cells are
// bold headings or titles, formula results. Nothing for other versions and for encrypted or
// damaged streams.
[[nodiscard]] std::optional<WorkbookLayout> scanWorkbookLayout(QByteArrayView stream);

} // namespace veltroma
