#pragma once

#include "storage/BiffWriter.h"
#include "storage/Workbook.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <variant>

namespace veltroma {

struct WorkbookFile {
    Workbook book;
    // What writing the workbook back would lose; empty when nothing.
    QString lostOnSave;
};

struct ReadWorkbook {
    WorkbookFile file;
    // The stream as our own writer wrote it, for the encoder of the next save to keep; null
    // for a file written by anything else.
    std::shared_ptr<const EncodedWorkbook> encoded;
};

// Reads every sheet and every cell, as text, of the .xls file whose bytes are `content` and
// which the value reader opens at `nativePath` (the same file). Excel 97-2003 workbooks are
// read from their stream: values, merged areas, column widths, bold cells and formula
// results; the value reader (FreeXL) only renders numbers in date or time formats, and reads
// older formats whole. Numbers read as at most fifteen significant digits, dates as
// YYYY-MM-DD, times as HH:MM:SS. The error text when the file is no readable workbook.
//
// Reading is bounded by the file, not by what it claims (see the limits in BiffReader.h): a
// file that holds or claims more is refused, and neither it nor a container our own reader
// cannot walk ever reaches the value reader, which would take the claims at their word.
[[nodiscard]] std::variant<ReadWorkbook, QString> readXlsWorkbook(const QByteArray& nativePath,
                                                                  const QByteArray& content);

} // namespace veltroma
