#pragma once

#include "instruments/PaintedInstrument.h"

class QVariantAnimation;

namespace veltroma {

// A mechanical counter: a row of digit wheels that roll from one value to the next; the
// wheels widen with the widget up to a natural shape. Each
// wheel turns with the one to its right as that one passes from 9 to 0. Wheels for decimals
// are red. Values below 0 show as 0; values too large for the wheels wrap as on a real
// counter.
class CiOdometerX : public PaintedInstrument {
    Q_OBJECT
public:
    explicit CiOdometerX(QWidget* parent = nullptr);

    void SetValue(double value);

    [[nodiscard]] double value() const { return target_; }
    // Number of wheels, decimals included (1..12), and how many of them show decimals.
    void setDigitCount(int digits);
    void setDecimalCount(int decimals);
    [[nodiscard]] int digitCount() const { return digits_; }
    [[nodiscard]] int decimalCount() const { return decimals_; }
    // How long the wheels take to roll to a new value; 0 sets them at once.
    void setRollDuration(int ms);

    // The wheel readings, left to right, as shown once the wheels have stopped.
    [[nodiscard]] QString readout() const;

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
    // The value in units of the rightmost wheel, as a resting counter shows it.
    [[nodiscard]] double wheelUnits(double value) const;

    int digits_ = 6;
    int decimals_ = 0;
    int rollMs_ = 700;
    double target_ = 0.0;
    double shown_ = 0.0; // in units of the rightmost wheel
    QVariantAnimation* roll_ = nullptr;
};

} // namespace veltroma
