#pragma once

#include "storage/Workbook.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>
#include <variant>
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

// What reading a workbook may cost, whoever wrote it. A month file (32 sheets, some 170,000
// cells laid out) stays far below; a file made to exhaust memory or time is refused.
// Cells holding a text or a look, all sheets together; also the most texts a shared string
// table may hold, since no more can be used.
inline constexpr qint64 kMaxReadCells = qint64{1} << 20;
// Rows x columns of the used ranges of all sheets together: what readers that lay a sheet
// out as a table (the spreadsheet layer, the value reader) allocate.
inline constexpr qint64 kMaxLaidOutCells = qint64{1} << 22;

enum class ScanFailure : std::uint8_t {
    Unreadable, // another version, encrypted or damaged: another reader may try
    TooLarge,   // beyond the limits above: no reader may try
};

// Reads a BIFF8 workbook stream: every worksheet's cell values as text (shared and inline
// strings, numbers at most fifteen significant digits, the stored results of formulas,
// booleans as 1 and 0, error values as empty), which cells are bold headings or titles,
// merged areas and column widths.
//
// A sheet's used range is the one its DIMENSIONS record and merged areas declare, grown to
// its cells, while all sheets together stay within kMaxLaidOutCells. Beyond, the sheets that
// declare most past their cells are cut back to their cells, losing the merged areas that
// reach further (which a save would then lose). Cells whose spread alone passes the limit,
// or more than kMaxReadCells cells or kMaxSheets sheets, make the stream TooLarge.
[[nodiscard]] std::variant<ScannedWorkbook, ScanFailure> scanWorkbookStream(QByteArrayView stream);

// Whether a workbook stream of any version claims more than the limits above: cells laid
// out by its DIMENSIONS records, texts of its shared string table, sheets in its list. What
// a reader that takes such claims at their word (the value reader) would allocate; read
// over the record frames alone, so that damage elsewhere hides no claim.
[[nodiscard]] bool claimsTooMuch(QByteArrayView stream);

} // namespace veltroma
