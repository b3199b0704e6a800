#include "instruments/CiSwitchRotaryX.h"

#include "instruments/InstrumentArt.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QWheelEvent>

#include <cmath>
#include <numbers>

namespace veltroma {

namespace {

constexpr QSizeF kLogical(390, 170);
constexpr QPointF kCentre(195, 106);
constexpr double kBezelOuter = 58.0;
constexpr double kPlate = 51.0;
constexpr double kLedRadius = 45.0;
constexpr double kSkirt = 37.0;
constexpr double kCap = 28.0;
constexpr double kTickInner = 61.0;
constexpr double kTickOuter = 66.0;
constexpr double kLabelRadius = 71.0;
// Positions sit 48 degrees apart, symmetric about straight up.
constexpr double kStep = 48.0;
constexpr double kFirst = -kStep * (CiSwitchRotaryX::kPositionCount - 1) / 2.0;

double angleOf(int position)
{
    return kFirst + kStep * position;
}

// Degrees clockwise from straight up.
QPointF along(double radius, double degrees)
{
    const double rad = degrees * std::numbers::pi / 180.0;
    return {kCentre.x() + radius * std::sin(rad), kCentre.y() - radius * std::cos(rad)};
}

} // namespace

CiSwitchRotaryX::CiSwitchRotaryX(QWidget* parent)
    : PaintedInstrument(kLogical, Scaling::Fit, parent)
{
    setFocusPolicy(Qt::WheelFocus);
    for (int i = 0; i < kPositionCount; ++i)
        labels_ << QString();
}

void CiSwitchRotaryX::SetPosition(int position)
{
    if (position < 0 || position >= kPositionCount || position == position_)
        return;
    position_ = position;
    update();
}

void CiSwitchRotaryX::SetPositionLabels(const QString& labels)
{
    const QStringList parts = labels.split(u',');
    QStringList next;
    for (int i = 0; i < kPositionCount; ++i)
        next << (i < parts.size() ? parts[i].trimmed() : QString());
    if (next == labels_)
        return;
    labels_ = next;
    update();
}

QSize CiSwitchRotaryX::sizeHint() const
{
    return scaledSize(1.0);
}

QSize CiSwitchRotaryX::minimumSizeHint() const
{
    return scaledSize(0.6);
}

int CiSwitchRotaryX::positionAt(QPointF widgetPoint) const
{
    const QPointF p = toLogical(widgetPoint) - kCentre;
    const double degrees = std::atan2(p.x(), -p.y()) * 180.0 / std::numbers::pi;
    return std::clamp(int(std::lround((degrees - kFirst) / kStep)), 0, kPositionCount - 1);
}

void CiSwitchRotaryX::turnByUser(int position)
{
    position = std::clamp(position, 0, kPositionCount - 1);
    if (position == position_)
        return;
    position_ = position;
    update();
    emit positionChanged(position_);
}

void CiSwitchRotaryX::paintStatic(QPainter& painter)
{
    // Ticks of the positions, outside the bezel.
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1.8, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < kPositionCount; ++i)
        painter.drawLine(along(kTickInner, angleOf(i)), along(kTickOuter, angleOf(i)));

    QRadialGradient shadow(kCentre + QPointF(0, 3), kBezelOuter + 4);
    shadow.setColorAt(0.88, QColor(0, 0, 0, 120));
    shadow.setColorAt(1.0, QColor(0, 0, 0, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shadow);
    painter.drawEllipse(kCentre + QPointF(0, 3), kBezelOuter + 4, kBezelOuter + 4);

    art::metalRing(painter, kCentre, kBezelOuter, kPlate);
    QPainterPath plate;
    plate.addEllipse(kCentre, kPlate, kPlate);
    art::darkFace(painter, plate, plate.boundingRect());

    // Dark position lamps on the plate.
    for (int i = 0; i < kPositionCount; ++i) {
        const QPointF at = along(kLedRadius, angleOf(i));
        QPainterPath lamp;
        lamp.addEllipse(at, 2.8, 2.8);
        art::led(painter, lamp, lamp.boundingRect(), art::kAmber, false);
    }

    // The knob: a knurled skirt and a turned cap; being round, it is the same at any angle.
    QRadialGradient skirtShadow(kCentre + QPointF(0, 2.5), kSkirt + 3);
    skirtShadow.setColorAt(0.85, QColor(0, 0, 0, 160));
    skirtShadow.setColorAt(1.0, QColor(0, 0, 0, 0));
    painter.setBrush(skirtShadow);
    painter.drawEllipse(kCentre + QPointF(0, 2.5), kSkirt + 3, kSkirt + 3);

    QRadialGradient skirt(kCentre - QPointF(0, 10), kSkirt * 1.3);
    skirt.setColorAt(0.0, QColor(0x4d, 0x54, 0x5c));
    skirt.setColorAt(1.0, QColor(0x15, 0x17, 0x1a));
    painter.setBrush(skirt);
    painter.setPen(QPen(QColor(0x05, 0x05, 0x06), 0.8));
    painter.drawEllipse(kCentre, kSkirt, kSkirt);
    for (int i = 0; i < 72; ++i) {
        const double a = i * 5.0;
        painter.setPen(QPen(i % 2 ? QColor(255, 255, 255, 34) : QColor(0, 0, 0, 120), 1.1));
        painter.drawLine(along(kCap + 3.0, a), along(kSkirt - 0.8, a));
    }
    art::metalRing(painter, kCentre, kCap, 0.0);
    QRadialGradient dome(kCentre - QPointF(6, 9), kCap * 1.2);
    dome.setColorAt(0.0, QColor(255, 255, 255, 70));
    dome.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(dome);
    painter.drawEllipse(kCentre, kCap, kCap);
}

void CiSwitchRotaryX::paintLabels(QPainter& painter, int selected)
{
    const QFont normal = art::font(font(), 11.0, QFont::DemiBold);
    const QFont chosen = art::font(font(), 11.0, QFont::Bold);
    const QColor ink = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::WindowText);
    for (int i = 0; i < kPositionCount; ++i) {
        if (labels_[i].isEmpty())
            continue;
        const double a = angleOf(i);
        const QPointF at = along(kLabelRadius, a);
        QRectF box;
        Qt::Alignment align;
        if (a < -10.0) {
            box = QRectF(at.x() - 160, at.y() - 9, 160, 18);
            align = Qt::AlignRight | Qt::AlignVCenter;
        } else if (a > 10.0) {
            box = QRectF(at.x(), at.y() - 9, 160, 18);
            align = Qt::AlignLeft | Qt::AlignVCenter;
        } else {
            box = QRectF(at.x() - 110, at.y() - 16, 220, 16);
            align = Qt::AlignHCenter | Qt::AlignBottom;
        }
        // A long label shrinks to stay inside the instrument rather than being cut.
        const double room = a < -10.0 ? at.x() - 2.0 : a > 10.0 ? kLogical.width() - at.x() - 2.0
                                                              : kLogical.width();
        QFont labelFont = i == selected ? chosen : normal;
        const double needed = QFontMetricsF(labelFont).horizontalAdvance(labels_[i]);
        if (needed > room)
            labelFont.setPixelSize(std::max(7, int(labelFont.pixelSize() * room / needed)));
        painter.setFont(labelFont);
        painter.setPen(i == selected ? art::accentOn(palette().color(QPalette::Window)) : ink);
        painter.drawText(box, align | Qt::TextSingleLine, labels_[i]);
    }
}

void CiSwitchRotaryX::paintDynamic(QPainter& painter)
{
    const int shown = preview_.value_or(position_);
    const double a = angleOf(shown);

    const QPointF led = along(kLedRadius, a);
    QPainterPath lamp;
    lamp.addEllipse(led, 2.8, 2.8);
    art::ledHalo(painter, lamp.boundingRect(), art::kAmber);
    art::led(painter, lamp, lamp.boundingRect(), art::kAmber, true);

    // The pointer: a white index across the cap and a notch in the skirt.
    painter.setPen(QPen(QColor(0, 0, 0, 120), 4.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(along(9.0, a) + QPointF(0.6, 1.0), along(kSkirt - 2.0, a) + QPointF(0.6, 1.0));
    painter.setPen(QPen(QColor(0xf7, 0xf8, 0xf9), 3.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(along(9.0, a), along(kSkirt - 2.0, a));
    painter.setPen(QPen(art::kAmber, 1.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(along(kCap + 1.0, a), along(kSkirt - 2.0, a));

    paintLabels(painter, shown);

    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.2, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(kCentre, kBezelOuter + 1.5, kBezelOuter + 1.5);
    }
}

void CiSwitchRotaryX::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    preview_ = positionAt(event->position());
    update();
}

void CiSwitchRotaryX::mouseMoveEvent(QMouseEvent* event)
{
    if (!preview_ || !(event->buttons() & Qt::LeftButton))
        return;
    const int at = positionAt(event->position());
    if (at != *preview_) {
        preview_ = at;
        update();
    }
}

void CiSwitchRotaryX::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !preview_)
        return QWidget::mouseReleaseEvent(event);
    const int target = *preview_;
    preview_.reset();
    update();
    turnByUser(target);
}

void CiSwitchRotaryX::wheelEvent(QWheelEvent* event)
{
    const int steps = wheel_.take(wheelTurn(event->angleDelta()));
    if (steps != 0)
        turnByUser(position_ + steps);
    event->accept();
}

void CiSwitchRotaryX::keyPressEvent(QKeyEvent* event)
{
    if (const auto target = positionForKey(event->key(), position_, kPositionCount))
        turnByUser(*target);
    else
        QWidget::keyPressEvent(event);
}

void CiSwitchRotaryX::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void CiSwitchRotaryX::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

} // namespace veltroma
