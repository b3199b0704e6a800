#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace veltroma {

// How a value of the grid is typed, shown and bounded.
enum class EntryRule { Integer, OneDecimal, TwoDecimals };

// One row of the grid protection parameters: where its value sits in the settings block,
// how it is shown, how it is written back and what may be entered.
struct GridParameter {
    const char* name;            // column 0
    const char* descriptionKey;  // column 2, a language file key
    int readWord;                // index of its word in the settings block reply
    std::uint8_t writeFunction;  // function code of its write request
    int scale;                   // shown value x scale = transmitted integer
    EntryRule rule;
    // The allowed range, as single-precision values like the inverter's own tables.
    float minimum;
    float maximum;
};

inline constexpr std::size_t kGridParameterCount = 7;

inline constexpr std::array<GridParameter, kGridParameterCount> kGridParameters{{
    {"Vpv-start", "IDC_LIST1_ROW1_DESCRIPTION", 0, 0x00, 10, EntryRule::OneDecimal, 150.0F, 300.0F},
    {"T-start", "IDC_LIST1_ROW2_DESCRIPTION", 1, 0x01, 1, EntryRule::Integer, 30.0F, 300.0F},
    {"Vac-min", "IDC_LIST1_ROW3_DESCRIPTION", 2, 0x04, 10, EntryRule::OneDecimal, 182.0F, 274.0F},
    {"Vac-max", "IDC_LIST1_ROW4_DESCRIPTION", 3, 0x05, 10, EntryRule::OneDecimal, 183.0F, 275.0F},
    {"f-min", "IDC_LIST1_ROW5_DESCRIPTION", 4, 0x06, 100, EntryRule::TwoDecimals, 45.1F, 50.2F},
    {"f-max", "IDC_LIST1_ROW6_DESCRIPTION", 5, 0x07, 100, EntryRule::TwoDecimals, 45.1F, 50.2F},
    {"DCI-Limit", "IDC_LIST1_ROW7_DESCRIPTION", 8, 0x3D, 1, EntryRule::Integer, 100.0F, 5000.0F},
}};

// Words 0 to 8 of the settings block carry the parameters (6 and 7 are not among them).
inline constexpr int kSettingsWords = 9;

// A word of the settings block as the grid shows it ("%.1f" of word / 10, and so on).
[[nodiscard]] QString FormatReadWord(const GridParameter& parameter, std::uint16_t word);

// What a typed text becomes in the grid: its number held within the allowed range and
// written with the row's format. Integer rows take only the leading integer (120.7 gives
// 120); decimal rows let a value pass the bound by a rounding tolerance. Text without a
// number counts as 0.
[[nodiscard]] QString ValidateGridEntry(const GridParameter& parameter, const QString& typed);

// The 16-bit value a write request carries for the text in the grid: the text's number
// times the scale in single precision, rounded half up, low 16 bits.
[[nodiscard]] std::uint16_t PackGridValue(const GridParameter& parameter, const QString& text);

} // namespace veltroma
