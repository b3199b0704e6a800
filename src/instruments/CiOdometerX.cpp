#include "instruments/CiOdometerX.h"

#include "instruments/InstrumentArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace veltroma {

namespace {

constexpr double kFrame = 3.0;
constexpr double kPad = 1.5;
constexpr double kWheelHeight = 20.0;
constexpr double kHeight = kWheelHeight + 2 * (kFrame + kPad);
constexpr double kNarrowest = 9.0;
constexpr double kWidest = 20.0;
constexpr double kNaturalWidth = 13.0;
constexpr double kGap = 1.2;
// The gap before the first decimal wheel, wide enough for the decimal point.
constexpr double kPointGap = 4.0;
constexpr double kPointRadius = 1.3;
constexpr int kMostWheels = 15;

double caseWidth(int digits, double wheelWidth, bool point)
{
    return 2 * (kFrame + kPad) + digits * wheelWidth + (digits - 1) * kGap
        + (point ? kPointGap - kGap : 0.0);
}

} // namespace

CiOdometerX::CiOdometerX(QWidget* parent)
    : PaintedInstrument(QSizeF(caseWidth(6, kNaturalWidth, false), kHeight), Scaling::FitHeight,
                        parent),
      roll_(new QVariantAnimation(this))
{
    roll_->setEasingCurve(QEasingCurve::OutCubic);
    connect(roll_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        shown_ = v.toDouble();
        update();
    });
    // A counter that rolled down may need fewer wheels once it rests.
    connect(roll_, &QVariantAnimation::finished, this, [this] { fitWheels(shown_); });
}

double CiOdometerX::wheelWidth() const
{
    const double room = (logicalRect().width() - caseWidth(wheels_, 0.0, hasPoint())) / wheels_;
    // Extra wheels narrow the others rather than reach out of the widget.
    return std::min(std::clamp(room, kNarrowest, kWidest), std::max(room, 1.0));
}

QRectF CiOdometerX::caseRect() const
{
    const QRectF area = logicalRect();
    const double width = caseWidth(wheels_, wheelWidth(), hasPoint());
    return {area.center().x() - width / 2, area.top(), width, area.height()};
}

QSize CiOdometerX::sizeHint() const
{
    return QSizeF(caseWidth(wheels_, kNaturalWidth, hasPoint()) * 1.1, kHeight * 1.1).toSize();
}

QSize CiOdometerX::minimumSizeHint() const
{
    return QSizeF(caseWidth(wheels_, kNarrowest, hasPoint()) * 0.6, kHeight * 0.6).toSize();
}

void CiOdometerX::setDigitCount(int digits)
{
    digits_ = std::clamp(digits, 1, 12);
    decimals_ = std::min(decimals_, digits_ - 1);
    roll_->stop();
    shown_ = wheelUnits(target_);
    wheels_ = wheelsFor(shown_);
    updateGeometry();
    invalidateStatic();
}

void CiOdometerX::setDecimalCount(int decimals)
{
    decimals_ = std::clamp(decimals, 0, digits_ - 1);
    roll_->stop();
    shown_ = wheelUnits(target_);
    wheels_ = wheelsFor(shown_);
    updateGeometry();
    invalidateStatic();
}

void CiOdometerX::setRollDuration(int ms)
{
    rollMs_ = std::max(ms, 0);
}

double CiOdometerX::wheelUnits(double value) const
{
    const double units = std::max(value, 0.0) * std::pow(10.0, decimals_);
    // The values counted come in whole units of the last wheel (tenths of a kWh) but are kept
    // as floats: 12349.8 arrives as 12349.7998. Rounding to the nearest unit reads what was
    // meant and agrees with the same value printed with as many decimals.
    return std::round(units);
}

int CiOdometerX::wheelsFor(double units) const
{
    int needed = 1;
    while (needed < kMostWheels && units >= std::pow(10.0, needed))
        ++needed;
    return std::max(digits_, needed);
}

void CiOdometerX::fitWheels(double units)
{
    const int wheels = wheelsFor(units);
    if (wheels == wheels_)
        return;
    wheels_ = wheels;
    updateGeometry();
    invalidateStatic();
}

void CiOdometerX::SetValue(double value)
{
    if (!std::isfinite(value))
        return;
    target_ = value;
    const double units = wheelUnits(value);
    // The once-a-second refresh mostly brings the value shown, or rolled to, already: nothing
    // to draw.
    const bool rolling = roll_->state() == QAbstractAnimation::Running;
    if (rolling ? roll_->endValue().toDouble() == units : units == shown_)
        return;
    roll_->stop();
    // While rolling, the wheels cover both ends of the roll.
    fitWheels(std::max(units, shown_));
    if (rollMs_ == 0 || !isVisible() || units == shown_) {
        shown_ = units;
        fitWheels(units);
        update();
        return;
    }
    roll_->setDuration(rollMs_);
    roll_->setStartValue(shown_);
    roll_->setEndValue(units);
    roll_->start();
}

QString CiOdometerX::readout() const
{
    const double units = wheelUnits(target_);
    QString text;
    for (int i = wheelsFor(units) - 1; i >= 0; --i) {
        const double place = std::floor(units / std::pow(10.0, i));
        text += QChar(u'0' + int(std::fmod(place, 10.0)));
        if (i == decimals_ && decimals_ > 0)
            text += u'.';
    }
    return text;
}

QRectF CiOdometerX::wheelRect(int indexFromLeft) const
{
    const QRectF box = caseRect();
    const double width = wheelWidth();
    const bool pastPoint = hasPoint() && indexFromLeft >= wheels_ - decimals_;
    const double left = box.left() + kFrame + kPad + indexFromLeft * (width + kGap)
        + (pastPoint ? kPointGap - kGap : 0.0);
    return {left, box.top() + kFrame + kPad, width, kWheelHeight};
}

std::optional<QPointF> CiOdometerX::decimalPointAt() const
{
    if (!hasPoint())
        return std::nullopt;
    return toWidget(pointCentre());
}

QPointF CiOdometerX::pointCentre() const
{
    const QRectF firstDecimal = wheelRect(wheels_ - decimals_);
    return {firstDecimal.left() - kPointGap / 2, firstDecimal.bottom() - 3.0};
}

void CiOdometerX::paintStatic(QPainter& painter)
{
    const QRectF area = caseRect().adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x03, 0x03, 0x04));
    painter.drawRoundedRect(area.adjusted(kFrame - 0.5, kFrame - 0.5, -kFrame + 0.5, -kFrame + 0.5), 1.5, 1.5);
    art::metalFrame(painter, area, 3.5, kFrame);
}

void CiOdometerX::paintDynamic(QPainter& painter)
{
    const QFont digitFont = art::font(font(), 15.5, QFont::Bold);
    painter.setFont(digitFont);
    // Wheel i (0 = rightmost) shows floor(shown / 10^i) and rolls on only while every wheel
    // to its right stands at 9 and is itself rolling.
    double carry = shown_ - std::floor(shown_);
    for (int i = 0; i < wheels_; ++i) {
        const double place = std::floor(shown_ / std::pow(10.0, i));
        const int digit = int(std::fmod(place, 10.0));
        const double turn = carry;
        const QRectF wheel = wheelRect(wheels_ - 1 - i);
        const bool decimal = i < decimals_;

        QLinearGradient drum(wheel.topLeft(), wheel.bottomLeft());
        const QColor base = decimal ? QColor(0xb0, 0x1e, 0x16) : QColor(0x24, 0x27, 0x2b);
        drum.setColorAt(0.0, base.darker(260));
        drum.setColorAt(0.25, base.darker(115));
        drum.setColorAt(0.5, base.lighter(125));
        drum.setColorAt(0.75, base.darker(115));
        drum.setColorAt(1.0, base.darker(260));
        painter.setPen(Qt::NoPen);
        painter.setBrush(drum);
        painter.drawRect(wheel);

        painter.save();
        painter.setClipRect(wheel);
        painter.setPen(decimal ? QColor(0xff, 0xf4, 0xee) : QColor(0xf1, 0xf3, 0xf5));
        const QRectF current = wheel.translated(0, -turn * wheel.height());
        painter.drawText(current, Qt::AlignCenter, QString::number(digit));
        // The next digit shows only while the wheel turns; at rest it lies wholly below the
        // clip, and a roll repaints every wheel many times a second.
        if (turn > 0.0)
            painter.drawText(current.translated(0, wheel.height()), Qt::AlignCenter,
                             QString::number((digit + 1) % 10));
        painter.restore();

        // Curvature: the drum's top and bottom turn away into the dark.
        QLinearGradient curve(wheel.topLeft(), wheel.bottomLeft());
        curve.setColorAt(0.0, QColor(0, 0, 0, 200));
        curve.setColorAt(0.3, QColor(0, 0, 0, 0));
        curve.setColorAt(0.7, QColor(0, 0, 0, 0));
        curve.setColorAt(1.0, QColor(0, 0, 0, 200));
        painter.setBrush(curve);
        painter.drawRect(wheel);

        carry = digit == 9 ? turn : 0.0;
    }

    // One glass over the whole window.
    const QRectF window = caseRect().adjusted(kFrame, kFrame, -kFrame, -kFrame);
    QPainterPath glassPath;
    glassPath.addRect(window);
    art::glass(painter, glassPath, window);
    // The point is printed on the glass, so its reflection does not dim it.
    if (hasPoint()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xf1, 0xf3, 0xf5));
        painter.drawEllipse(pointCentre(), kPointRadius, kPointRadius);
    }
}

} // namespace veltroma
