#pragma once

#include "instruments/PaintedInstrument.h"

namespace veltroma {

// A round pointer instrument: a scale over 240 degrees, a needle, a caption above the hub
// (label 2) and a reading window below it (label 1).
class CiAngularGaugeX : public PaintedInstrument {
    Q_OBJECT
public:
    explicit CiAngularGaugeX(QWidget* parent = nullptr);

    void SetPosition(double position);
    void SetLabel1Text(const QString& text);
    void SetLabel2Text(const QString& text);

    // The scale; the needle stops at its ends.
    void setRange(double minimum, double maximum);
    [[nodiscard]] double minimum() const { return minimum_; }
    [[nodiscard]] double maximum() const { return maximum_; }
    [[nodiscard]] double position() const { return position_; }
    [[nodiscard]] QString label1Text() const { return label1_; }
    [[nodiscard]] QString label2Text() const { return label2_; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintStatic(QPainter& painter) override;
    void paintDynamic(QPainter& painter) override;

private:
    [[nodiscard]] double angleOf(double value) const;
    void paintScale(QPainter& painter);

    double minimum_ = 0.0;
    double maximum_ = 100.0;
    double position_ = 0.0;
    QString label1_;
    QString label2_;
};

} // namespace veltroma
