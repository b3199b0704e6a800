#pragma once

#include "monitor/RecordPaths.h"
#include "monitor/RecordingState.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace veltroma {

// Writes the cover values of a month file, D36 downwards: serial number, model, software
// version, year-month. The reason when the file could not be saved.
[[nodiscard]] std::optional<QString> writeCoverTexts(const QString& file, const QStringList& values);

// The lock file an office program keeps beside `file` while it has it open
// (".~lock.NAME#" or "~$NAME"), or an empty text when there is none.
[[nodiscard]] QString officeLockFile(const QString& file);

// The name an unreadable month file is kept under: "<folder>/2011-5.unreadable-20110507-091503.xls",
// with "-2", "-3" ... before ".xls" when that name is taken already.
[[nodiscard]] QString keptAsidePath(const RecordPaths& paths, const QDateTime& now);

struct PreparedMonthFile {
    std::optional<QString> error; // why the file cannot take rows now
    bool created = false;         // a new file from the template: its cover is still blank
    std::vector<RecordingNotice> notices;
};

// Makes the month file of `paths` ready to take rows: created from the template when it is
// missing. A file that is there but is no month workbook this program can write back
// (damaged, not a workbook, or holding content the writer would lose) is renamed unchanged to
// its kept-aside name and a new file from the template takes its place; when the kept file
// could still be read, its cover values and the rows of every day are copied into the new
// one first, as text. A file that cannot even be opened for reading is left alone and
// reported as an error: it is no proof of damage.
[[nodiscard]] PreparedMonthFile prepareMonthFile(const RecordPaths& paths, const QDateTime& now);

} // namespace veltroma
