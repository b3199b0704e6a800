#include "instruments/PaintedInstrument.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace veltroma {

PaintedInstrument::PaintedInstrument(QSizeF logicalSize, Scaling scaling, QWidget* parent)
    : QWidget(parent), logicalSize_(logicalSize), scaling_(scaling)
{
}

double PaintedInstrument::scale() const
{
    const double byHeight = height() / logicalSize_.height();
    if (scaling_ == Scaling::FitHeight)
        return std::max(byHeight, 1e-6);
    return std::max(std::min(width() / logicalSize_.width(), byHeight), 1e-6);
}

QRectF PaintedInstrument::logicalRect() const
{
    if (scaling_ == Scaling::FitHeight)
        return QRectF(0, 0, width() / scale(), logicalSize_.height());
    return QRectF(QPointF(0, 0), logicalSize_);
}

QTransform PaintedInstrument::logicalTransform() const
{
    const double s = scale();
    const QRectF area = logicalRect();
    QTransform t;
    t.translate((width() - area.width() * s) / 2.0, (height() - area.height() * s) / 2.0);
    t.scale(s, s);
    return t;
}

QPointF PaintedInstrument::toLogical(QPointF widgetPoint) const
{
    return logicalTransform().inverted().map(widgetPoint);
}

QPointF PaintedInstrument::toWidget(QPointF logicalPoint) const
{
    return logicalTransform().map(logicalPoint);
}

QSize PaintedInstrument::scaledSize(double factor) const
{
    return (logicalSize_ * factor).toSize();
}

void PaintedInstrument::invalidateStatic()
{
    layers_.clear();
    update();
}

void PaintedInstrument::setLogicalSize(QSizeF logicalSize)
{
    logicalSize_ = logicalSize;
    updateGeometry();
    invalidateStatic();
}

void PaintedInstrument::paintEvent(QPaintEvent*)
{
    const double ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    QPixmap& artwork = layers_[look()];
    if (artwork.isNull() || artwork.size() != pixels) {
        artwork = QPixmap(pixels);
        artwork.setDevicePixelRatio(ratio);
        artwork.fill(Qt::transparent);
        QPainter layer(&artwork);
        layer.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing
                             | QPainter::SmoothPixmapTransform);
        layer.setTransform(logicalTransform());
        paintStatic(layer);
        paintLook(layer);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, artwork);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing
                           | QPainter::SmoothPixmapTransform);
    painter.setTransform(logicalTransform());
    paintDynamic(painter);
}

void PaintedInstrument::resizeEvent(QResizeEvent* event)
{
    layers_.clear();
    QWidget::resizeEvent(event);
}

void PaintedInstrument::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::EnabledChange:
        invalidateStatic();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

} // namespace veltroma
