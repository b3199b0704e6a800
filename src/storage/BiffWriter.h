#pragma once

#include "storage/SharedStrings.h"
#include "storage/Workbook.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

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

// A workbook stream as read from a file, with where its parts lie: what an encoder needs to
// take the file's encoding as its own.
struct EncodedWorkbook {
    struct SheetBytes {
        qsizetype start; // the sheet's BOF
        qsizetype end;   // past its EOF
        std::uint32_t labels; // cells referring to the shared strings
    };
    QByteArray stream;
    std::vector<QString> strings;   // the shared string table, in its order
    std::vector<SheetBytes> sheets; // per sheet of the workbook, in order
};

// Writes the streams of successive versions of one workbook, keeping what it encoded of the
// last: a sheet that no copy changed since (the same shared sheet) is not encoded again, so
// saving a row costs the encoding of its own sheet. Texts keep their shared-string index
// from one version to the next. The stream is a valid workbook that readers take as
// writeWorkbookStream's, though not byte for byte the same. Safe to use from several threads.
class WorkbookEncoder {
public:
    [[nodiscard]] QByteArray encode(const Workbook& book);

    // Takes the encoding of a file just read as if this encoder had written it, so that the
    // first save after a load encodes only the sheets that changed. `book` is what was read
    // from `encoded`. Taken only when the encoder holds none of the book's sheets already and
    // the stream is exactly what it writes for `book`; false otherwise, and nothing changes.
    bool adopt(const Workbook& book, const EncodedWorkbook& encoded);

private:
    struct EncodedSheet {
        std::shared_ptr<const Sheet> sheet; // held, so that its address is not reused
        QByteArray bytes;                   // the substream from its BOF to its EOF
        bool first = false;                 // encoded as the selected first sheet
        std::uint32_t labels = 0;           // cells referring to the shared strings
    };
    static constexpr std::uint32_t kStaleStringAllowance = 4096;

    // The globals followed by the sheets in their order.
    static QByteArray assemble(const Workbook& book, const std::vector<const EncodedSheet*>& order,
                               SharedStrings& strings);

    std::mutex m_mutex;
    SharedStrings m_strings;
    std::unordered_map<const Sheet*, EncodedSheet> m_encoded;
};

} // namespace veltroma
