#include "instruments/CiSwitchSliderX.h"

#include "instruments/InstrumentArt.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <cmath>

namespace veltroma {

namespace {

constexpr double kHeight = 24.0;
constexpr double kMidY = 12.0;
constexpr double kKnobWidth = 16.0;
constexpr double kKnobHeight = 22.0;

} // namespace

CiSwitchSliderX::CiSwitchSliderX(QWidget* parent)
    : PaintedInstrument(QSizeF(400, kHeight), Scaling::FitHeight, parent)
{
    setFocusPolicy(Qt::WheelFocus);
}

void CiSwitchSliderX::setPosition(int position)
{
    if (position < 0 || position >= kPositionCount || position == position_)
        return;
    position_ = position;
    update();
}

QSize CiSwitchSliderX::sizeHint() const
{
    return QSize(420, 24);
}

QSize CiSwitchSliderX::minimumSizeHint() const
{
    return QSize(kPositionCount * 14, 16);
}

double CiSwitchSliderX::trackLeft() const
{
    return logicalRect().left() + kKnobWidth / 2 + 2;
}

double CiSwitchSliderX::trackRight() const
{
    return logicalRect().right() - kKnobWidth / 2 - 2;
}

double CiSwitchSliderX::xOf(int position) const
{
    return trackLeft() + (trackRight() - trackLeft()) * position / (kPositionCount - 1);
}

int CiSwitchSliderX::positionAt(double logicalX) const
{
    const double travel = std::max(trackRight() - trackLeft(), 1.0);
    return nearestPosition((logicalX - trackLeft()) / travel, kPositionCount);
}

void CiSwitchSliderX::moveByUser(int position)
{
    position = std::clamp(position, 0, kPositionCount - 1);
    if (position == position_)
        return;
    position_ = position;
    update();
    emit positionChanged(position_);
}

void CiSwitchSliderX::paintStatic(QPainter& painter)
{
    const QRectF slot(trackLeft() - 4, kMidY - 3, trackRight() - trackLeft() + 8, 6);
    QLinearGradient groove(slot.topLeft(), slot.bottomLeft());
    groove.setColorAt(0.0, QColor(0x02, 0x02, 0x03));
    groove.setColorAt(1.0, QColor(0x26, 0x2a, 0x2f));
    painter.setPen(QPen(QColor(0x7d, 0x84, 0x8c), 0.8));
    painter.setBrush(groove);
    painter.drawRoundedRect(slot, 3, 3);

    painter.setPen(QPen(palette().color(QPalette::WindowText), 1.1, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < kPositionCount; ++i) {
        const double x = xOf(i);
        painter.drawLine(QPointF(x, 1.5), QPointF(x, 6.0));
        painter.drawLine(QPointF(x, kHeight - 6.0), QPointF(x, kHeight - 1.5));
    }
}

void CiSwitchSliderX::paintDynamic(QPainter& painter)
{
    // The travelled part of the slot glows faintly.
    const double x = dragX_ ? std::clamp(*dragX_, trackLeft(), trackRight()) : xOf(position_);
    const QRectF lit(trackLeft() - 2, kMidY - 1.2, x - trackLeft() + 2, 2.4);
    QColor glow = art::kAmber;
    glow.setAlpha(isEnabled() ? 190 : 70);
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.drawRoundedRect(lit, 1.2, 1.2);

    const QRectF knob(x - kKnobWidth / 2, kMidY - kKnobHeight / 2, kKnobWidth, kKnobHeight);
    painter.setBrush(QColor(0, 0, 0, 90));
    painter.drawRoundedRect(knob.translated(0.8, 1.2), 2.5, 2.5);

    QLinearGradient metal(knob.topLeft(), knob.topRight());
    metal.setColorAt(0.0, QColor(0x8d, 0x94, 0x9c));
    metal.setColorAt(0.3, QColor(0xee, 0xf1, 0xf4));
    metal.setColorAt(0.55, QColor(0xc2, 0xc8, 0xce));
    metal.setColorAt(1.0, QColor(0x6a, 0x71, 0x79));
    painter.setPen(QPen(QColor(0x20, 0x23, 0x27), 0.8));
    painter.setBrush(metal);
    painter.drawRoundedRect(knob, 2.5, 2.5);

    // Grip grooves either side of the index line.
    for (const double dx : {-5.0, -3.5, 3.5, 5.0}) {
        painter.setPen(QPen(QColor(0x3a, 0x3f, 0x45, 170), 0.6));
        painter.drawLine(QPointF(x + dx, knob.top() + 4), QPointF(x + dx, knob.bottom() - 4));
        painter.setPen(QPen(QColor(255, 255, 255, 140), 0.5));
        painter.drawLine(QPointF(x + dx + 0.6, knob.top() + 4), QPointF(x + dx + 0.6, knob.bottom() - 4));
    }
    painter.setPen(QPen(art::kAmber.darker(115), 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(x, knob.top() + 3), QPointF(x, knob.bottom() - 3));

    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(knob.adjusted(-1.2, -0.6, 1.2, 0.6), 3, 3);
    }
}

void CiSwitchSliderX::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const double lx = toLogical(event->position()).x();
    // A press on the knob picks it up; a press elsewhere jumps to that detent.
    if (std::abs(lx - xOf(position_)) <= kKnobWidth / 2)
        dragX_ = lx;
    else
        moveByUser(positionAt(lx));
    update();
}

void CiSwitchSliderX::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragX_ || !(event->buttons() & Qt::LeftButton))
        return;
    dragX_ = toLogical(event->position()).x();
    moveByUser(positionAt(*dragX_));
    update();
}

void CiSwitchSliderX::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    dragX_.reset();
    update();
}

void CiSwitchSliderX::wheelEvent(QWheelEvent* event)
{
    // Wheel up moves right, as turning up a value.
    const int steps = wheel_.take(wheelTurn(event->angleDelta()));
    if (steps != 0)
        moveByUser(position_ + steps);
    event->accept();
}

void CiSwitchSliderX::keyPressEvent(QKeyEvent* event)
{
    if (const auto target = positionForKey(event->key(), position_, kPositionCount))
        moveByUser(*target);
    else
        QWidget::keyPressEvent(event);
}

void CiSwitchSliderX::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void CiSwitchSliderX::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

} // namespace veltroma
