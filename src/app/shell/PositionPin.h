#pragma once

#include <QRect>

namespace veltroma {

// Where the main window always stands, outer frame included, in screen coordinates.
inline constexpr QRect kMainFramePin{100, 40, 1156, 650};

} // namespace veltroma
