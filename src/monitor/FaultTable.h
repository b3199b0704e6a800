#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace veltroma {

inline constexpr std::size_t kFaultTextLength = 16;

// The fault texts, row k for bit 31 - k of the fault word; each exactly 16 characters,
// spaces included. Bits without a fault of their own carry sixteen spaces.
extern const std::array<std::string_view, 32> bErrorString;

// The text of the most significant set bit of `faultWord`; nothing when no bit is set.
[[nodiscard]] std::optional<std::string_view> faultText(std::uint32_t faultWord);

// The fault text of `faultWord`, remembered in `sErrorString`. A word with no bit set keeps
// and returns the text found last (empty if there was none).
QString sGetErrorString(QString& sErrorString, std::uint32_t faultWord);

} // namespace veltroma
