#pragma once

#include "storage/AtomicFile.h"
#include "storage/XlsReader.h"

#include <QString>

#include <list>
#include <mutex>
#include <optional>

namespace veltroma {

// Loads and saves whole workbook files. A loaded or saved workbook stays in memory while the
// file on disk is unchanged, so that opening the 32 sheets of a month file one after the
// other reads the file once, and a row insert costs one save and no read. Any change of the
// file by someone else (another stamp) makes the next load read it afresh. Safe to use from
// several threads.
class WorkbookStore {
public:
    static WorkbookStore& shared();

    struct LoadResult {
        std::optional<WorkbookFile> file;
        bool missing = false; // no file at the path
        QString error;        // when neither a file nor missing
    };
    LoadResult load(const QString& path);

    // Writes the whole workbook to `path` atomically. The error text, or nothing on success.
    std::optional<QString> save(const QString& path, const Workbook& book);

    // Drops every workbook held in memory, so that the next loads read the files.
    void clear();

private:
    struct Entry {
        QString path;
        FileStamp stamp;
        WorkbookFile file;
    };
    void remember(Entry entry);

    static constexpr std::size_t kMaxEntries = 3; // the month being recorded and two being looked at
    std::mutex m_mutex;
    std::list<Entry> m_entries; // the most recently used first
};

} // namespace veltroma
