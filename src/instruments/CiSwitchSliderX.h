#pragma once

#include "instruments/PaintedInstrument.h"
#include "instruments/PositionMath.h"

#include <optional>

namespace veltroma {

// A slide switch with nine detent positions (0..8) along a horizontal track, moved by
// clicking a position, dragging the knob, the mouse wheel and the arrow, Home and End keys.
class CiSwitchSliderX : public PaintedInstrument {
    Q_OBJECT
public:
    static constexpr int kPositionCount = 9;

    explicit CiSwitchSliderX(QWidget* parent = nullptr);

    [[nodiscard]] int GetPosition() const { return position_; }
    // Sets the position without a positionChanged event; positions outside 0..8 are ignored.
    void setPosition(int position);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    // The user moved the slider to a new position.
    void positionChanged(int position);

protected:
    void paintStatic(QPainter& painter) override;
    void paintDynamic(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    [[nodiscard]] double trackLeft() const;
    [[nodiscard]] double trackRight() const;
    [[nodiscard]] double xOf(int position) const;
    [[nodiscard]] int positionAt(double logicalX) const;
    void moveByUser(int position);

    int position_ = 0;
    // While the knob is dragged it follows the pointer; it settles on release.
    std::optional<double> dragX_;
    WheelSteps wheel_;
};

} // namespace veltroma
