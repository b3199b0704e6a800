#pragma once

#include "instruments/PaintedInstrument.h"
#include "instruments/PositionMath.h"

#include <QStringList>

#include <optional>

namespace veltroma {

// A rotary selector with five labelled positions (0..4) on an arc above its knob. It turns
// by clicking a position or its label, dragging the knob round, the mouse wheel and the
// arrow, Home and End keys. A drag shows where the knob will land and changes the position
// once, when the button is released, so a drag across several positions is one change.
class CiSwitchRotaryX : public PaintedInstrument {
    Q_OBJECT
public:
    static constexpr int kPositionCount = 5;

    explicit CiSwitchRotaryX(QWidget* parent = nullptr);

    [[nodiscard]] int GetPosition() const { return position_; }
    // No positionChanged event; positions outside 0..4 are ignored.
    void SetPosition(int position);
    // One comma-separated text, a label per position in order; blanks round each are
    // dropped. Missing labels stay empty, extra ones are ignored.
    void SetPositionLabels(const QString& labels);

    [[nodiscard]] QStringList positionLabels() const { return labels_; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    // The user turned the switch to a new position.
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
    [[nodiscard]] int positionAt(QPointF widgetPoint) const;
    void turnByUser(int position);
    void paintLabels(QPainter& painter, int selected);

    int position_ = 0;
    std::optional<int> preview_;
    QStringList labels_;
    WheelSteps wheel_;
};

} // namespace veltroma
