#pragma once

#include <QString>
#include <QStringList>

namespace veltroma {

// A row as the spreadsheet layer keeps it in memory: every cell between double quotes, the
// cells joined by the separator. Cell texts are not escaped.
[[nodiscard]] QString joinRowText(const QStringList& cells, const QString& separator);

// The cells of a row text. Where quote, separator, quote occurs, the row splits there and
// loses its first and last character (the outer quotes); else where the bare separator
// occurs, the row splits there and the parts stay as they are; else the row is one cell,
// without its quotes if it starts and ends with one. So a cell holding the separator stays
// whole in a row of several cells but splits a row of one cell.
[[nodiscard]] QStringList splitRowText(const QString& rowText, const QString& separator);

} // namespace veltroma
