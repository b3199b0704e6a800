#pragma once

#include <QString>

namespace veltroma {

// A number stored by another program, as the text the spreadsheet layer hands out: at most
// fifteen significant digits, as spreadsheet programs show them, so that 230.1 stored as
// 230.09999999999999 reads "230.1" and whole numbers carry no decimals.
[[nodiscard]] QString numberText(double value);

} // namespace veltroma
