#pragma once

#include "storage/Workbook.h"

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace veltroma {

struct ScannedSheet {
    explicit ScannedSheet(QString name) : sheet(std::move(name)) {}

    // Values as text, bold headings and titles, merged areas, column widths, table extent.
    Sheet sheet;
    // Cells holding a number in a date or time format, which this reader leaves as numbers:
    // (row, column).
    std::vector<std::pair<int, int>> datedNumbers;
    // Where the sheet's substream lies in the workbook stream, from its BOF to past its EOF.
    qsizetype start = 0;
    qsizetype end = 0;
    std::uint32_t labels = 0; // cells that refer to the shared strings
    // Nothing in the substream but the records our own writer writes.
    bool plainRecords = true;
};

struct ScannedWorkbook {
    std::vector<ScannedSheet> sheets; // the worksheets, in the order of the workbook's sheet list
    std::vector<QString> strings;     // the shared string table, in its order
    // Sheets that are no worksheets (charts, macros), which are not read.
    bool otherSheets = false;
    // What a save would lose (formulas, charts, drawings, comments, macro sheets); empty
    // when nothing.
    QString lostOnSave;
};

// Reads a BIFF8 workbook stream: every worksheet's cell values as text (shared and inline
// strings, numbers at most fifteen significant digits, the stored results of formulas,
// booleans as 1 and 0, error values as empty), which cells are bold headings or titles,
// merged areas and column widths. Nothing for other versions and for encrypted or damaged
// streams.
[[nodiscard]] std::optional<ScannedWorkbook> scanWorkbookStream(QByteArrayView stream);

} // namespace veltroma
