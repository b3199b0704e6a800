#pragma once

#include "storage/Workbook.h"

#include <QByteArray>
#include <QString>

#include <optional>

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

} // namespace veltroma
