#pragma once

#include <QPixmap>
#include <QWidget>

#include <map>

namespace veltroma {

// Base of the painted instruments. Each one draws in a fixed logical space that the painter
// scales to the widget, so the artwork keeps its proportions at any size. What does not
// change with the instrument's state (bezels, scales, tracks) is drawn once into a cached
// pixmap, redrawn after a resize or a change of palette, font or style. An instrument with a
// few looks (a lamp lit or dark) keeps one such pixmap per look, so blinking draws pixmaps,
// not gradients. Outside its artwork an instrument is transparent, so it sits on the form's
// picture.
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
    // Which of its few looks the instrument has now; each look's artwork is cached apart.
    [[nodiscard]] virtual int look() const { return 0; }
    // The artwork of the current look, drawn over the static artwork into the same pixmap
    // (where that is translucent, a colour may round one step apart from drawing on the
    // widget: unseen). No text here: text keeps the platform's rendering (subpixel on some
    // screens) only when drawn on the widget itself, by paintDynamic.
    virtual void paintLook(QPainter& /*painter*/) {}
    virtual void paintDynamic(QPainter& painter) = 0;

    // The logical rectangle being drawn: its height is the logical height; with FitHeight
    // its width follows the widget's shape.
    [[nodiscard]] QRectF logicalRect() const;
    [[nodiscard]] QPointF toLogical(QPointF widgetPoint) const;
    [[nodiscard]] QPointF toWidget(QPointF logicalPoint) const;
    // A widget size of the given logical scale, for size hints.
    [[nodiscard]] QSize scaledSize(double scale) const;

    // Drops the cached artwork of every look; the next paint draws it again.
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
    // The cached artwork by look.
    std::map<int, QPixmap> layers_;
};

} // namespace veltroma
