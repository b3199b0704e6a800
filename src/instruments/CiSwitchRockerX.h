#pragma once

#include "instruments/PaintedInstrument.h"

namespace veltroma {

// A two-way rocker switch: "I" pressed is on. Upright in a tall widget, lying in a wide one.
class CiSwitchRockerX : public PaintedInstrument {
    Q_OBJECT
public:
    explicit CiSwitchRockerX(QWidget* parent = nullptr);

    [[nodiscard]] bool isOn() const { return on_; }
    // Changes the state without a changed event.
    void setOn(bool on);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    // The user rocked the switch; `on` is the new state.
    void changed(bool on);

protected:
    void paintStatic(QPainter& painter) override;
    void paintDynamic(QPainter& painter) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rockByUser();
    [[nodiscard]] bool lying() const { return width() > height(); }
    // Turns the painter so that the upright artwork fits a lying widget.
    void orient(QPainter& painter) const;

    bool on_ = false;
};

} // namespace veltroma
