#pragma once

#include "monitor/RecordPaths.h"

#include <QStringList>

#include <cstddef>
#include <deque>
#include <vector>

namespace veltroma {

// The cover texts of a month file, taken with the row they came with.
struct CoverTexts {
    QString serial;
    QString model;
    QString version;
};

// A record row with the file, sheet and time it belongs to, and the cover of its file.
struct PendingRow {
    RecordPaths paths;
    QStringList row;
    CoverTexts cover;
};

// The rows that are still to be written, oldest first. When the rows of seven days are
// waiting, the oldest ones give way to new ones; how many were dropped is counted until
// someone takes the count.
class RowBacklog {
public:
    // Seven days at one row per 180 s.
    static constexpr std::size_t kCapacityRows = 7 * 24 * 3600 / 180;

    explicit RowBacklog(std::size_t capacity = kCapacityRows) : capacity_(capacity) {}

    void push(PendingRow row);

    // The files with waiting rows, in the order of their oldest row.
    [[nodiscard]] std::vector<QString> files() const;
    // The waiting rows of one file, oldest first.
    [[nodiscard]] std::vector<PendingRow> rowsOf(const QString& file) const;
    // Takes the rows of one file out: they are on disk.
    void remove(const QString& file);

    [[nodiscard]] std::size_t size() const { return rows_.size(); }
    [[nodiscard]] bool empty() const { return rows_.empty(); }
    // Rows dropped since the last call.
    [[nodiscard]] std::size_t takeDropped();

private:
    std::size_t capacity_;
    std::deque<PendingRow> rows_;
    std::size_t dropped_ = 0;
};

} // namespace veltroma
