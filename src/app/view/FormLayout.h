#pragma once

#include "monitor/InverterModel.h"

#include <QRect>
#include <QSize>

namespace veltroma {

// Where the monitor form's controls sit, in the form template's dialog units. The template is
// 764 units wide; its controls reach down to unit 431.
namespace formtemplate {

inline constexpr QSize kExtent{764, 431};

inline constexpr QRect kPlot{0, 0, 754, 193};
inline constexpr QRect kSlider{74, 206, 595, 14};
inline constexpr QRect kList{75, 219, 592, 44};
inline constexpr QRect kRotary{7, 291, 302, 94};
// The template sets the connect switch into the rotary's lower left corner; the rotary's
// knob and labels are drawn in the part of its rectangle right of it.
inline constexpr QRect kRotaryArtwork{105, 291, 195, 94};
inline constexpr QRect kStatusLamp{618, 1, 145, 18};
inline constexpr QRect kGauge{636, 299, 97, 81};
inline constexpr QRect kOdometerToday{421, 325, 56, 11};
inline constexpr QRect kOdometerTotal{539, 326, 56, 11};
inline constexpr QRect kCaptionToday{425, 302, 50, 11};
inline constexpr QRect kCaptionTotal{545, 302, 50, 11};
inline constexpr QRect kConnectSwitch{9, 348, 96, 16};
inline constexpr QRect kOpenHistorySwitch{365, 415, 96, 16};
inline constexpr QRect kTestSwitch{348, 319, 41, 16};
inline constexpr QRect kDatePicker{237, 296, 67, 14};
inline constexpr QRect kHelpButton{448, 4, 50, 14};
inline constexpr QRect kSelectComButton{368, 4, 56, 14};
inline constexpr QRect kUpdateButton{523, 4, 71, 14};
// The template gives these two a place but no size; they take the size of "Help".
inline constexpr QRect kOpenFileButton{255, 333, 50, 14};
inline constexpr QRect kTestButton{271, 367, 50, 14};
// Not in the template: the link counters of debug mode, over the plot's upper right corner.
inline constexpr QRect kLinkCounters{604, 22, 146, 152};
// In the two history modes: the free upper left of the switch panel, on the date picker's
// line (the connect switch below it is hidden there).
inline constexpr QRect kExportCsvButton{14, 296, 70, 14};
// Not in the template: the progress of a history read, below the export button.
inline constexpr QRect kHistoryProgress{14, 314, 88, 14};
// Not in the template: the status line runs along the strip below the panels, left of the
// maker's mark.
inline constexpr QRect kStatusLine{7, 409, 565, 11};

// Per inverter slot 1..6.
[[nodiscard]] QRect slotSwitch(int slot);
[[nodiscard]] QRect rocker(int slot);
[[nodiscard]] QRect stateLamp(int slot);

// The recessed band behind the slider and the list of live values.
inline constexpr QRect kValuesBand{2, 199, 760, 70};

} // namespace formtemplate

// Where the parts that depend on the number of inverters on the bus sit, in dialog units.
// With one inverter it is the template. With more, the list has a row per slot, each slot's
// switch, rocker and state lamp stand beside its row, and the plot gives the band of live
// values the height those rows need; the panels below stay where they are.
class SlotLayout {
public:
    // With several slots: a list row and the list's heading.
    static constexpr int kRowUnits = 15;
    static constexpr int kHeaderUnits = 12;

    // `count` is taken within 1..6.
    explicit SlotLayout(int count);

    [[nodiscard]] int slotCount() const { return slots_; }
    [[nodiscard]] bool several() const { return slots_ > 1; }
    [[nodiscard]] QRect plot() const;
    [[nodiscard]] QRect slider() const;
    [[nodiscard]] QRect list() const;
    [[nodiscard]] QRect valuesBand() const;
    // Empty for a slot outside 1..6; the controls of slots past slotCount() stay hidden. With
    // several slots these give the columns and heights; the form lines them up with the
    // list's rows in pixels (see MonitorForm).
    [[nodiscard]] QRect slotSwitch(int slot) const;
    [[nodiscard]] QRect rocker(int slot) const;
    [[nodiscard]] QRect stateLamp(int slot) const;
    // Debug mode's link counters, over the plot's upper right corner; where the plot has given
    // the list too much of its height for the tall panel, a wide one of half the height.
    [[nodiscard]] QRect linkCounters() const;
    [[nodiscard]] bool wideLinkCounters() const;

private:
    [[nodiscard]] QRect besideRow(int slot, int left, int width) const;

    int slots_;
    // How far the band reaches up into the plot's template place.
    int lift_;
};

// Dialog units to pixels, one scale across and one down, the same for every control.
class DialogUnits {
public:
    // The scale at which the template's extent fills `pixels`.
    [[nodiscard]] static DialogUnits fitting(QSize pixels);

    // Edges are scaled, not sizes, so controls that touch in the template touch on screen.
    [[nodiscard]] QRect toPixels(const QRect& units) const;
    // The rectangle grown evenly about its centre to at least `minimum` units first: some
    // instruments need more room than the template gave them to be read on screen.
    [[nodiscard]] QRect toPixels(const QRect& units, QSize minimum) const;

    [[nodiscard]] double xScale() const { return x_; }
    [[nodiscard]] double yScale() const { return y_; }

private:
    DialogUnits(double x, double y) : x_(x), y_(y) {}
    double x_;
    double y_;
};

// The size the form asks for: about 1.48 pixels per unit across and 1.44 down.
inline constexpr QSize kFormPixels{1130, 620};

} // namespace veltroma
