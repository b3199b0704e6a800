#include "instruments/CiSwitchLedX.h"

#include "instruments/InstrumentArt.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace veltroma {

namespace {

constexpr double kHeight = 28.0;
constexpr double kFrame = 2.5;
constexpr double kRadius = 4.5;

} // namespace

CiSwitchLedX::CiSwitchLedX(QWidget* parent)
    : PaintedInstrument(QSizeF(150, kHeight), Scaling::FitHeight, parent),
      indicatorColor_(art::kLedGreen)
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void CiSwitchLedX::SetActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    update();
}

void CiSwitchLedX::SetCaption(const QString& caption)
{
    if (caption == caption_)
        return;
    caption_ = caption;
    update();
}

void CiSwitchLedX::setIndicatorColor(const QColor& color)
{
    if (color == indicatorColor_)
        return;
    indicatorColor_ = color;
    update();
}

void CiSwitchLedX::SetIndicatorHeight(long height)
{
    // The strip cannot be taller than the button face below the frame.
    const long clamped = std::clamp(height, 0L, long(kHeight / 2));
    if (clamped == indicatorHeight_)
        return;
    indicatorHeight_ = clamped;
    update();
}

QSize CiSwitchLedX::sizeHint() const
{
    const QFontMetricsF metrics(art::font(font(), 12.0, QFont::DemiBold));
    const int width = int(metrics.horizontalAdvance(caption_) + 28.0);
    return QSize(std::max(width, 110), int(kHeight));
}

QSize CiSwitchLedX::minimumSizeHint() const
{
    return QSize(48, 18);
}

void CiSwitchLedX::toggleByUser()
{
    active_ = !active_;
    update();
    emit userChanged(active_);
}

void CiSwitchLedX::paintStatic(QPainter& painter)
{
    const QRectF area = logicalRect().adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath well;
    well.addRoundedRect(area.adjusted(kFrame, kFrame, -kFrame, -kFrame), 2.5, 2.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x05, 0x06, 0x07));
    painter.drawPath(well);
    art::metalFrame(painter, area, kRadius, kFrame);
}

void CiSwitchLedX::paintDynamic(QPainter& painter)
{
    const bool down = active_ != pressed_;
    // A pushed-in key sits a little lower and darker in its well.
    const double sink = down ? 1.0 : 0.0;
    const QRectF key = logicalRect().adjusted(kFrame + 1.5, kFrame + 1.5 + sink, -kFrame - 1.5,
                                              -kFrame - 1.5 + sink * 0.3);
    QPainterPath keyPath;
    keyPath.addRoundedRect(key, 2.5, 2.5);
    QLinearGradient cap(key.topLeft(), key.bottomLeft());
    const int lift = hovered_ && isEnabled() ? 112 : 100;
    if (down) {
        cap.setColorAt(0.0, QColor(0x1d, 0x21, 0x26).lighter(lift));
        cap.setColorAt(1.0, QColor(0x2f, 0x34, 0x3b).lighter(lift));
    } else {
        cap.setColorAt(0.0, QColor(0x4b, 0x52, 0x5b).lighter(lift));
        cap.setColorAt(0.5, QColor(0x33, 0x39, 0x40).lighter(lift));
        cap.setColorAt(1.0, QColor(0x24, 0x28, 0x2d).lighter(lift));
    }
    painter.setPen(QPen(QColor(0, 0, 0, 200), 0.8));
    painter.setBrush(cap);
    painter.drawPath(keyPath);
    if (!down) {
        painter.setPen(QPen(QColor(255, 255, 255, 60), 0.8));
        painter.drawLine(QPointF(key.left() + 2.5, key.top() + 0.9),
                         QPointF(key.right() - 2.5, key.top() + 0.9));
    }

    QRectF textArea = key;
    if (indicatorHeight_ > 0) {
        const QRectF strip(key.left() + 5.0, key.top() + 2.5, key.width() - 10.0,
                           double(indicatorHeight_));
        QPainterPath stripPath;
        stripPath.addRoundedRect(strip, std::min(1.5, strip.height() / 2),
                                 std::min(1.5, strip.height() / 2));
        if (active_)
            art::ledHalo(painter, strip, indicatorColor_);
        art::led(painter, stripPath, strip, indicatorColor_, active_);
        textArea.setTop(strip.bottom() + 0.5);
    }

    if (hasFocus()) {
        QColor ring = palette().color(QPalette::Highlight);
        ring.setAlpha(220);
        painter.setPen(QPen(ring, 1.2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(key.adjusted(0.8, 0.8, -0.8, -0.8), 2, 2);
    }

    if (caption_.isEmpty())
        return;
    QFont font = art::font(this->font(), 12.0, QFont::DemiBold);
    const double room = textArea.width() - 8.0;
    const double needed = QFontMetricsF(font).horizontalAdvance(caption_);
    if (needed > room && needed > 0)
        font = art::font(this->font(), std::max(12.0 * room / needed, 7.0), QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0, 160));
    painter.drawText(textArea.translated(0, 0.8), Qt::AlignCenter | Qt::TextSingleLine, caption_);
    painter.setPen(isEnabled() ? QColor(0xee, 0xf1, 0xf4) : QColor(0x80, 0x86, 0x8c));
    painter.drawText(textArea, Qt::AlignCenter | Qt::TextSingleLine, caption_);
}

void CiSwitchLedX::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    pressed_ = true;
    update();
}

void CiSwitchLedX::mouseMoveEvent(QMouseEvent* event)
{
    // Dragging off the key cancels the press, as with any push button.
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != pressed_) {
        pressed_ = inside;
        update();
    }
}

void CiSwitchLedX::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    const bool click = pressed_ && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        toggleByUser();
    else
        update();
}

void CiSwitchLedX::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return
        || event->key() == Qt::Key_Enter) {
        toggleByUser();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CiSwitchLedX::enterEvent(QEnterEvent* event)
{
    hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void CiSwitchLedX::leaveEvent(QEvent* event)
{
    hovered_ = false;
    update();
    QWidget::leaveEvent(event);
}

void CiSwitchLedX::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void CiSwitchLedX::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

} // namespace veltroma
