#pragma once

#include <QString>

namespace veltroma {

// The export mode: writes the records of the month file `monthFile` as CSV to `output`
// ("-" or empty: standard output; a file is replaced in one step). Messages go to standard
// error. Returns the exit code: 0 when written, 2 when the file is no month workbook (or
// missing), 1 when the output cannot be written.
int runExportCsv(const QString& monthFile, const QString& output);

} // namespace veltroma
