#pragma once

#include "instruments/PaintedInstrument.h"

namespace veltroma {

// A round pointer instrument: a scale over 240 degrees, a needle, a reading window below the
// hub (label 1) and a caption on a plate under the dial (label 2), where it has the room to be
// read without touching the scale.
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

    // Where the caption is drawn and the font it is drawn with, both in widget pixels; and
    // the dial's bounding box, which the caption stays clear of.
    [[nodiscard]] QRectF captionRect() const;
    [[nodiscard]] QFont captionFont() const;
    [[nodiscard]] QRectF dialRect() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintStatic(QPainter& painter) override;
    void paintDynamic(QPainter& painter) override;

private:
    [[nodiscard]] double angleOf(double value) const;
    void paintScale(QPainter& painter);
    // The caption's font in logical units: as large as the plate allows, down to a least
    // size below which the text is cut with an ellipsis instead.
    [[nodiscard]] QFont logicalCaptionFont() const;

    double minimum_ = 0.0;
    double maximum_ = 100.0;
    double position_ = 0.0;
    QString label1_;
    QString label2_;
};

} // namespace veltroma
