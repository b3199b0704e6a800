#pragma once

#include "storage/Workbook.h"

#include <QByteArray>
#include <QString>

#include <variant>

namespace veltroma {

struct WorkbookFile {
    Workbook book;
    // What writing the workbook back would lose; empty when nothing.
    QString lostOnSave;
};

// Reads every sheet and every cell, as text, of the .xls file whose bytes are `content` and
// which the value reader opens at `nativePath` (the same file). Values come from FreeXL;
// merged areas, column widths, bold cells and formula results from the layout of the
// stream. Numbers read as at most fifteen significant digits, dates as YYYY-MM-DD, times as
// HH:MM:SS. The error text when the file is no readable workbook.
[[nodiscard]] std::variant<WorkbookFile, QString> readXlsWorkbook(const QByteArray& nativePath,
                                                                  const QByteArray& content);

} // namespace veltroma
