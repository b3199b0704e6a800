#pragma once

#include <QByteArray>

namespace veltroma::test {

// Files made to cost a reader time or memory far beyond their size: every one is a valid
// container whose workbook, where it has one, our own writer wrote. The readers must read
// each, or refuse it, at about the cost of a normal month file.

// A cover and one day sheet with three records, as recording leaves them: what the next two
// files claim too much of.
[[nodiscard]] QByteArray coverAndDayWorkbook();

// A cover and one day sheet whose DIMENSIONS records claim 65,536 rows x 256 columns.
[[nodiscard]] QByteArray claimedExtentWorkbook();

// A cover and one day sheet, each with one merged area over 65,536 rows x 256 columns; the
// DIMENSIONS records tell the truth.
[[nodiscard]] QByteArray claimedMergeWorkbook();

// The day sheet "1" with one cell at column 255 (IV) on each of `rows` rows.
[[nodiscard]] QByteArray farColumnWorkbook(int rows = 16384);

// A compound file of about `bytes` (at most 7 MB) whose directory holds root entry after root
// entry, each naming the directory itself as its mini stream, before the entry of a small
// workbook.
[[nodiscard]] QByteArray manyRootsContainer(qsizetype bytes);

} // namespace veltroma::test
