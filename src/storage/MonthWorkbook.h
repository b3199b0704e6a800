#pragma once

#include "storage/WorkbookStore.h"

#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <variant>
#include <vector>

namespace veltroma {

// What can be done with an existing month file before recording into it.
enum class WorkbookFitness : std::uint8_t {
    Missing,      // no file: a new one can be made
    Keepable,     // a workbook our writer reads and writes back whole
    NotKeepable,  // a workbook that reads, but holds what our writer would drop (formulas, charts)
    Damaged,      // a workbook container whose content cannot be read
    NotAWorkbook, // empty, text, or another format
    Inaccessible, // cannot be opened or read at all (permissions, a folder, an I/O error)
};

struct WorkbookCheck {
    WorkbookFitness fitness = WorkbookFitness::Missing;
    QString reason; // what is wrong, for the user; empty for Missing and Keepable
};

// Tells whether the file at `path` can be read and written back by our writer, and why not.
[[nodiscard]] WorkbookCheck checkWorkbook(const QString& path, WorkbookStore& store = WorkbookStore::shared());

// Why the file is no month workbook - one that opens with the sheet "Cover" and the day
// sheets "1" to "31" - or nothing when it is one.
[[nodiscard]] std::optional<QString> monthWorkbookProblem(const QString& path,
                                                          WorkbookStore& store = WorkbookStore::shared());

// The recorded content of a month file, as text: what is copied into a new month file when
// the old one cannot be kept.
struct MonthText {
    // The cover's values D36 to D39: serial number, model, software version, year-month.
    QStringList cover;
    // Per day (1 to 31) with rows: the sheet's rows from row 3 down, top (newest) first, each
    // as wide as the record; rows without any text are left out.
    std::map<int, std::vector<QStringList>> days;
};

// Reads a month file's cover values and day rows, also from a workbook that holds content
// our writer would not keep. The reason when the file cannot be read as a workbook.
[[nodiscard]] std::variant<MonthText, QString> readMonthText(const QString& path,
                                                             WorkbookStore& store = WorkbookStore::shared());

} // namespace veltroma
