#include "instruments/CiSwitchRockerX.h"

#include "instruments/InstrumentArt.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace veltroma {

namespace {

// Upright artwork: 24 wide, 36 tall. A lying widget gets the same artwork turned a quarter.
constexpr double kWidth = 24.0;
constexpr double kHeight = 36.0;

} // namespace

CiSwitchRockerX::CiSwitchRockerX(QWidget* parent)
    : PaintedInstrument(QSizeF(kWidth, kHeight), Scaling::Fit, parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void CiSwitchRockerX::setOn(bool on)
{
    if (on == on_)
        return;
    on_ = on;
    update();
}

QSize CiSwitchRockerX::sizeHint() const
{
    return QSize(24, 36);
}

QSize CiSwitchRockerX::minimumSizeHint() const
{
    return QSize(12, 18);
}

void CiSwitchRockerX::orient(QPainter& painter) const
{
    // A lying widget has a lying logical area; the upright artwork is turned into it.
    if (lying()) {
        painter.translate(0, kWidth);
        painter.rotate(-90);
    }
}

void CiSwitchRockerX::resizeEvent(QResizeEvent* event)
{
    const QSizeF wanted = lying() ? QSizeF(kHeight, kWidth) : QSizeF(kWidth, kHeight);
    if (logicalRect().size() != wanted)
        setLogicalSize(wanted);
    PaintedInstrument::resizeEvent(event);
}

void CiSwitchRockerX::paintStatic(QPainter& painter)
{
    orient(painter);
    const QRectF body(0.5, 0.5, kWidth - 1, kHeight - 1);
    QPainterPath well;
    well.addRoundedRect(body.adjusted(2.5, 2.5, -2.5, -2.5), 2, 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x04, 0x05, 0x06));
    painter.drawPath(well);
    art::metalFrame(painter, body, 4.0, 2.6);
}

void CiSwitchRockerX::paintDynamic(QPainter& painter)
{
    orient(painter);
    const QRectF paddle(4.2, 4.2, kWidth - 8.4, kHeight - 8.4);
    const double half = paddle.height() / 2;
    const QRectF top(paddle.left(), paddle.top(), paddle.width(), half);
    const QRectF bottom(paddle.left(), paddle.top() + half, paddle.width(), half);
    // The pressed half falls into shadow, the raised half catches the light.
    // Each half is shaded from its far end to the pivot: a raised end catches the light,
    // a pressed one sinks into the well's shadow.
    const auto drawHalf = [&](const QRectF& r, bool pressed, bool upper) {
        const QPointF farEnd = upper ? r.topLeft() : r.bottomLeft();
        const QPointF pivot = upper ? r.bottomLeft() : r.topLeft();
        QLinearGradient shade(farEnd, pivot);
        if (pressed) {
            shade.setColorAt(0.0, QColor(0x0b, 0x0c, 0x0e));
            shade.setColorAt(1.0, QColor(0x24, 0x28, 0x2e));
        } else {
            shade.setColorAt(0.0, QColor(0x78, 0x80, 0x8a));
            shade.setColorAt(0.35, QColor(0x55, 0x5c, 0x65));
            shade.setColorAt(1.0, QColor(0x33, 0x38, 0x3f));
        }
        painter.setPen(QPen(QColor(0, 0, 0, 200), 0.7));
        painter.setBrush(shade);
        painter.drawRoundedRect(r, 1.5, 1.5);
        if (!pressed) {
            const double y = upper ? r.top() + 0.9 : r.bottom() - 0.9;
            painter.setPen(QPen(QColor(255, 255, 255, 110), 0.8));
            painter.drawLine(QPointF(r.left() + 1.5, y), QPointF(r.right() - 1.5, y));
        }
    };
    drawHalf(top, on_, true);
    drawHalf(bottom, !on_, false);

    // The ridge where the paddle tilts.
    painter.setPen(QPen(QColor(255, 255, 255, 45), 0.7));
    painter.drawLine(QPointF(paddle.left() + 1, paddle.center().y() + 0.6),
                     QPointF(paddle.right() - 1, paddle.center().y() + 0.6));

    // Markings: "I" on the upper half, "O" on the lower; the pressed one lit.
    const QColor onInk = on_ ? art::kAmber : art::kEngraving;
    const QColor offInk = on_ ? art::kEngraving : QColor(0xd8, 0xdd, 0xe2);
    painter.setPen(QPen(onInk, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(top.center().x(), top.top() + 3.5), QPointF(top.center().x(), top.bottom() - 3.5));
    painter.setPen(QPen(offInk, 1.3));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(bottom.center(), 2.6, 3.6);

    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.0));
        painter.drawRoundedRect(paddle.adjusted(-0.8, -0.8, 0.8, 0.8), 2, 2);
    }
}

void CiSwitchRockerX::rockByUser()
{
    on_ = !on_;
    update();
    emit changed(on_);
}

void CiSwitchRockerX::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        rockByUser();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void CiSwitchRockerX::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space) {
        rockByUser();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace veltroma
