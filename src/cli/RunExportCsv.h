#pragma once

#include "cli/ExitCode.h"

#include <QString>

namespace veltroma {

// The export mode: writes the records of the month file `monthFile` as CSV to `output`
// ("-" or empty: standard output; a file is replaced in one step and is 0600). Messages go
// to standard error. Returns ExitCode::Ok when written, ExitCode::Usage when the file is no
// month workbook (or missing), ExitCode::Failure when the output cannot be written.
[[nodiscard]] ExitCode runExportCsv(const QString& monthFile, const QString& output);

} // namespace veltroma
