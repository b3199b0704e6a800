#pragma once

#include "monitor/CsvExport.h"

#include <QDateTime>
#include <QString>

#include <cstddef>
#include <list>
#include <optional>

namespace veltroma {

// What a read of a month file (or of one of its days) gave.
struct MonthRead {
    bool missing = false;                // no such file: no rows, and no fault either
    std::optional<MonthRecords> records; // none when missing or unreadable
    QString error;                       // why it could not be read
};

// The month files the web view reads, kept as read until the file changes (its modification
// time or size), so that a page that asks again costs no read, and a day of a month held
// whole is taken from it. The recorder replaces a month file in one step, so a read sees it
// whole, before or after a save.
//
// The session's thread alone uses it.
class MonthRecordCache {
public:
    static constexpr std::size_t kHeldReads = 8;

    // The records of the month file at `path`, of every day or of `day` alone. The answer
    // stays valid until the next read.
    [[nodiscard]] const MonthRead& read(const QString& path, std::optional<int> day = {});

private:
    struct Entry {
        QString path;
        std::optional<int> day;
        QDateTime modified;
        qint64 size = -1;
        MonthRead result;
    };

    // The whole month's read of the file as it is now; none when it is not held.
    [[nodiscard]] const MonthRead* current(const QString& path, const QDateTime& modified,
                                           qint64 size) const;

    std::list<Entry> entries_; // most recently used first
};

} // namespace veltroma
