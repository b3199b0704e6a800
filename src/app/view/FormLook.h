#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QSize>
#include <QString>

#include <initializer_list>

class QPainter;
class QWidget;

namespace veltroma {

class DialogUnits;

// The look of the monitor form: a dark instrument panel of brushed steel with recessed
// fields behind the groups of controls, and the styles of its plain Qt controls.
namespace formlook {

inline const QColor kPanelTop{0x2a, 0x30, 0x36};
inline const QColor kPanelBottom{0x15, 0x19, 0x1d};
inline const QColor kCaptionInk{0xf2, 0xf4, 0xf6};

// The form's palette: light ink on the dark panel, amber for focus and selection.
[[nodiscard]] QPalette palette(const QPalette& base);

// Paints the form's background for a form of `size` laid out with `units`; `valuesBand` is
// the band of live values in dialog units (it grows with the inverters on the bus).
void paintBackground(QPainter& painter, QSize size, const DialogUnits& units, const QRect& valuesBand);

// With several inverters on the bus: the colour of a slot's curves and of its switch's light,
// so a curve is told by its colour whose it is. Distinct on the dark plot; slot 1..6.
[[nodiscard]] QColor slotColor(int slot);

// Style sheets of the push buttons, the date picker (with its text size) and the list.
[[nodiscard]] QString buttonStyle();
[[nodiscard]] QString datePickerStyle(double pointSize);
[[nodiscard]] QString listStyle();
// The bar of a read in progress and its cancel button, a recessed field like the date picker's.
[[nodiscard]] QString progressStyle(double pointSize);

// The template's small controls keep their places in every language: their texts take the
// largest size from 8 pt down to 6 pt in which each is at most `room` pixels wide.
inline constexpr double kLargestPointSize = 8.0;
inline constexpr double kSmallestPointSize = 6.0;
[[nodiscard]] double fittingPointSize(QFont font, std::initializer_list<QString> texts, int room);
// Gives `widget` that size.
void fitFont(QWidget& widget, std::initializer_list<QString> texts, int room);

} // namespace formlook

} // namespace veltroma
