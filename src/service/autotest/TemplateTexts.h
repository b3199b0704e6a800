#pragma once

#include <QString>

namespace veltroma {

// A text of the auto test window's template, by key (texts/testview.txt, carried in the
// program as UTF-8). An unknown key gives the key itself, so a missing text shows up on
// screen instead of leaving a blank.
[[nodiscard]] QString testViewText(const QString& key);

} // namespace veltroma
