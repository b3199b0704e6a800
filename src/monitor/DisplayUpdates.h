#pragma once

#include <QString>

#include <cstdint>

namespace veltroma {

// A colour as the controls take it: 0x00BBGGRR.
using ColorRef = std::uint32_t;

[[nodiscard]] constexpr ColorRef rgbColor(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return static_cast<ColorRef>(r) | (static_cast<ColorRef>(g) << 8)
        | (static_cast<ColorRef>(b) << 16);
}

inline constexpr ColorRef kLampGreen = rgbColor(0, 255, 0);
inline constexpr ColorRef kLampRed = rgbColor(255, 0, 0);

// What the engine asks of the monitor form. The decoder calls it on the worker thread; the
// form's implementation is reached through QueuedDisplay, which carries every call over to
// the thread that owns the controls.
class DisplayUpdates {
public:
    virtual ~DisplayUpdates() = default;

    // List cell of `row` (slot - 1) and `column` (the quantity index).
    virtual void setListText(int row, int column, const QString& text) = 0;
    // Total power gauge position in kW and its label ("1.500kW").
    virtual void setPowerGauge(double kilowatts, const QString& label) = 0;
    // The energy-today and energy-total odometers, kWh.
    virtual void setEnergyOdometers(double today, double total) = 0;
    // State lamp of `slot`: made visible with this colour and centre text.
    virtual void setStateLamp(int slot, ColorRef color, const QString& text) = 0;
    // Caption of the slot's switch: the serial number the registration read.
    virtual void setSlotCaption(int slot, const QString& caption) = 0;
};

} // namespace veltroma
