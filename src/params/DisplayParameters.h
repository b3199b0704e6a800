#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace veltroma {

// The inverter's own display: its language and LCD contrast, as the display parameter
// dialog shows and writes them.

// The languages in the order of their codes 0 to 3, named as the inverter's manual names
// them (these texts are shown and compared as they stand).
[[nodiscard]] QStringList DisplayLanguageNames();

// The code of a language name; none for any other text.
[[nodiscard]] std::optional<std::uint8_t> DisplayLanguageCode(const QString& name);

// The name of a language code; none for codes beyond the four.
[[nodiscard]] std::optional<QString> DisplayLanguageName(std::uint8_t code);

// The display settings byte of a realtime reply: language in the low four bits, contrast in
// the high four.
struct DisplaySettings {
    std::uint8_t language;
    std::uint8_t contrast;
};
[[nodiscard]] DisplaySettings DecodeDisplaySettings(std::uint8_t byte);

// What a typed contrast becomes: its leading integer held within 0 to 6.
[[nodiscard]] QString ValidateContrastEntry(const QString& typed);

// The contrast byte written for the text in the grid: its number rounded half up, low byte.
[[nodiscard]] std::uint8_t PackContrast(const QString& text);

} // namespace veltroma
