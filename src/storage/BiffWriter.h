#pragma once

#include "storage/SharedStrings.h"
#include "storage/Workbook.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace veltroma {

// Sheet names that spreadsheet programs accept: 1 to 31 characters, none of : \ / ? * [ ],
// no apostrophe at either end, and not the name Excel keeps for itself.
[[nodiscard]] bool isValidSheetName(const QString& name);

// Why the workbook cannot be written as a valid file, or nothing when it can.
[[nodiscard]] std::optional<QString> workbookLimitError(const Workbook& book);

// The BIFF8 workbook stream of `book` (which must pass workbookLimitError): the globals
// (fonts with a bold title font, the text format, cell formats, sheet list, shared strings
// with their index) and one substream per sheet (column widths, used range, the cells as
// shared-string labels or styled blanks, window settings, merged areas). Every cell is
// written as text. The same workbook always gives the same bytes.
[[nodiscard]] QByteArray writeWorkbookStream(const Workbook& book);

// Writes the streams of successive versions of one workbook, keeping what it encoded of the
// last: a sheet that no copy changed since (the same shared sheet) is not encoded again, so
// saving a row costs the encoding of its own sheet. Texts keep their shared-string index
// from one version to the next. The stream is a valid workbook that readers take as
// writeWorkbookStream's, though not byte for byte the same. Safe to use from several threads.
class WorkbookEncoder {
public:
    [[nodiscard]] QByteArray encode(const Workbook& book);

private:
    struct EncodedSheet {
        std::shared_ptr<const Sheet> sheet; // held, so that its address is not reused
        QByteArray bytes;                   // the substream from its BOF to its EOF
        bool first = false;                 // encoded as the selected first sheet
        std::uint32_t labels = 0;           // cells referring to the shared strings
    };
    static constexpr std::uint32_t kStaleStringAllowance = 4096;

    std::mutex m_mutex;
    SharedStrings m_strings;
    std::unordered_map<const Sheet*, EncodedSheet> m_encoded;
};

} // namespace veltroma
