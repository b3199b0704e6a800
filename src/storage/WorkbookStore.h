#pragma once

#include "storage/AtomicFile.h"
#include "storage/BiffWriter.h"
#include "storage/XlsReader.h"

#include <QString>

#include <list>
#include <memory>
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

    // Why a load gave no workbook.
    enum class Problem : std::uint8_t {
        None,
        Missing,      // no file at the path
        Inaccessible, // the path cannot be opened or read (permissions, a folder, an I/O error)
        NotAWorkbook, // read, but no Excel 97-2003 workbook at all: empty, text, another format
        Damaged,      // a workbook container whose content cannot be read
    };

    struct LoadResult {
        std::optional<WorkbookFile> file;
        bool missing = false; // no file at the path
        QString error;        // when neither a file nor missing
        Problem problem = Problem::None;
    };
    LoadResult load(const QString& path);

    // Writes the whole workbook to `path` atomically. The error text, or nothing on success.
    // Sheets unchanged since the last load or save of the same path are not encoded again.
    std::optional<QString> save(const QString& path, const Workbook& book);

    // Drops every workbook held in memory, so that the next loads read the files.
    void clear();

private:
    struct Entry {
        QString path;
        FileStamp stamp;
        WorkbookFile file;
        std::shared_ptr<WorkbookEncoder> encoder;
        // The file's encoding as read, until the first save takes it over.
        std::shared_ptr<const EncodedWorkbook> encoded;
    };
    void remember(Entry entry);
    std::shared_ptr<WorkbookEncoder> encoderFor(const QString& absolutePath);

    static constexpr std::size_t kMaxEntries = 3; // the month being recorded and two being looked at
    std::mutex m_mutex;
    std::list<Entry> m_entries; // the most recently used first
};

} // namespace veltroma
