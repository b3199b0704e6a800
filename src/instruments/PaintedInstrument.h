#pragma once

#include <QPixmap>
#include <QWidget>

namespace veltroma {

// Base of the painted instruments. Each one draws in a fixed logical space that the painter
// scales to the widget, so the artwork keeps its proportions at any size. What does not
// change with the instrument's state (bezels, scales, tracks) is drawn once into a cached
// pixmap, redrawn after a resize or a change of palette, font or style. Outside its artwork
// an instrument is transparent, so it sits on the form's picture.
class PaintedInstrument : public QWidget {
    Q_OBJECT
public:
    // Fit: the whole logical area, scaled evenly and centred.
    // FitHeight: the logical height fills the widget; the logical width follows the widget,
    // for instruments that stretch sideways (lamps, switches, slider).
    enum class Scaling { Fit, FitHeight };

protected:
    PaintedInstrument(QSizeF logicalSize, Scaling scaling, QWidget* parent);

    virtual void paintStatic(QPainter& painter) = 0;
    virtual void paintDynamic(QPainter& painter) = 0;

    // The logical rectangle being drawn: its height is the logical height; with FitHeight
    // its width follows the widget's shape.
    [[nodiscard]] QRectF logicalRect() const;
    [[nodiscard]] QPointF toLogical(QPointF widgetPoint) const;
    [[nodiscard]] QPointF toWidget(QPointF logicalPoint) const;
    // A widget size of the given logical scale, for size hints.
    [[nodiscard]] QSize scaledSize(double scale) const;

    void invalidateStatic();
    // For instruments whose artwork grows with a setting, such as a counter's digits.
    void setLogicalSize(QSizeF logicalSize);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    [[nodiscard]] double scale() const;
    [[nodiscard]] QTransform logicalTransform() const;

    QSizeF logicalSize_;
    Scaling scaling_;
    QPixmap staticLayer_;
};

} // namespace veltroma
