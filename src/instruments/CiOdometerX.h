#pragma once

#include "instruments/PaintedInstrument.h"

#include <optional>

class QVariantAnimation;

namespace veltroma {

// A mechanical counter: a row of digit wheels that roll from one value to the next; the
// wheels widen with the widget up to a natural shape. Each
// wheel turns with the one to its right as that one passes from 9 to 0. Wheels for decimals
// are red, and a decimal point stands before the first of them. Values below 0 show as 0; a
// value too large for the wheels adds whole wheels on the left instead of wrapping, since a
// total that silently reads as a small number would be a wrong reading.
class CiOdometerX : public PaintedInstrument {
    Q_OBJECT
public:
    explicit CiOdometerX(QWidget* parent = nullptr);

    void SetValue(double value);

    [[nodiscard]] double value() const { return target_; }
    // Least number of wheels, decimals included (1..12), and how many of them show decimals.
    void setDigitCount(int digits);
    void setDecimalCount(int decimals);
    [[nodiscard]] int digitCount() const { return digits_; }
    [[nodiscard]] int decimalCount() const { return decimals_; }
    // The wheels drawn for the current value: the digit count, or more when the value needs
    // them (at most 15, beyond which a double no longer holds whole tenths).
    [[nodiscard]] int wheelCount() const { return wheels_; }
    // How long the wheels take to roll to a new value; 0 sets them at once.
    void setRollDuration(int ms);

    // The wheel readings, left to right, as shown once the wheels have stopped.
    [[nodiscard]] QString readout() const;
    // The centre of the drawn decimal point in widget pixels; none without decimals.
    [[nodiscard]] std::optional<QPointF> decimalPointAt() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintStatic(QPainter& painter) override;
    void paintDynamic(QPainter& painter) override;

private:
    [[nodiscard]] double wheelWidth() const;
    // The counter's case: as wide as its wheels need, centred in the widget.
    [[nodiscard]] QRectF caseRect() const;
    [[nodiscard]] QRectF wheelRect(int indexFromLeft) const;
    // Where the decimal point sits, in logical units: in the gap before the tenths wheel.
    [[nodiscard]] QPointF pointCentre() const;
    // The value in units of the rightmost wheel, as a resting counter shows it.
    [[nodiscard]] double wheelUnits(double value) const;
    // Wheels needed to show the given value in full, never fewer than the digit count.
    [[nodiscard]] int wheelsFor(double units) const;
    void fitWheels(double units);
    [[nodiscard]] bool hasPoint() const { return decimals_ > 0; }

    int digits_ = 6;
    int wheels_ = 6;
    int decimals_ = 0;
    int rollMs_ = 700;
    double target_ = 0.0;
    double shown_ = 0.0; // in units of the rightmost wheel
    QVariantAnimation* roll_ = nullptr;
};

} // namespace veltroma
