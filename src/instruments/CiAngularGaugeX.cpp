#include "instruments/CiAngularGaugeX.h"

#include "instruments/InstrumentArt.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace veltroma {

namespace {

constexpr QSizeF kLogical(160, 158);
constexpr QPointF kCentre(80, 74);
constexpr double kBezelOuter = 66.0;
constexpr double kFaceRadius = 60.0;
constexpr double kScaleRadius = 55.0;
constexpr double kLabelRadius = 39.0;
constexpr double kStartAngle = 210.0;
constexpr double kSweep = 240.0;

// The caption plate under the bezel, which ends at y = 140.
constexpr QRectF kCaptionPlate(2, 143, 156, 14);
constexpr double kCaptionPixels = 11.0;
constexpr double kLeastCaptionPixels = 8.5;

QRectF readingWindow()
{
    return {kCentre.x() - 32, kCentre.y() + 30, 64, 16};
}

QPointF polar(double radius, double degrees)
{
    const double rad = degrees * std::numbers::pi / 180.0;
    return {kCentre.x() + radius * std::cos(rad), kCentre.y() - radius * std::sin(rad)};
}

// A major step of 1, 2, 2.5 or 5 times a power of ten giving at most eight divisions,
// and the number of minor divisions inside one.
std::pair<double, int> scaleSteps(double span)
{
    const double raw = span / 8.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const auto& [mantissa, minors] : {std::pair{1.0, 5}, {2.0, 4}, {2.5, 5}, {5.0, 5}}) {
        if (mantissa * magnitude >= raw * 0.999)
            return {mantissa * magnitude, minors};
    }
    return {10.0 * magnitude, 5};
}

// A band from one fraction of the scale to another, just inside the ticks.
void band(QPainter& painter, double from, double to, const QColor& color)
{
    const double r = kScaleRadius - 2.0;
    const QRectF box(kCentre.x() - r, kCentre.y() - r, 2 * r, 2 * r);
    QPen pen(color, 3.2, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const double start = kStartAngle - kSweep * from;
    const double length = -kSweep * (to - from);
    painter.drawArc(box, int(std::lround(start * 16)), int(std::lround(length * 16)));
}

} // namespace

CiAngularGaugeX::CiAngularGaugeX(QWidget* parent)
    : PaintedInstrument(kLogical, Scaling::Fit, parent)
{
}

void CiAngularGaugeX::SetPosition(double position)
{
    if (std::isnan(position) || position == position_)
        return;
    position_ = position;
    update();
}

void CiAngularGaugeX::SetLabel1Text(const QString& text)
{
    if (text == label1_)
        return;
    label1_ = text;
    update();
}

void CiAngularGaugeX::SetLabel2Text(const QString& text)
{
    if (text == label2_)
        return;
    label2_ = text;
    invalidateStatic();
}

void CiAngularGaugeX::setRange(double minimum, double maximum)
{
    if (!(maximum > minimum))
        return;
    minimum_ = minimum;
    maximum_ = maximum;
    invalidateStatic();
}

QFont CiAngularGaugeX::logicalCaptionFont() const
{
    QFont caption = art::font(font(), kCaptionPixels, QFont::DemiBold);
    const double needed = QFontMetricsF(caption).horizontalAdvance(label2_);
    const double room = kCaptionPlate.width();
    if (needed > room)
        caption.setPixelSize(int(std::max(kLeastCaptionPixels, kCaptionPixels * room / needed)));
    return caption;
}

QRectF CiAngularGaugeX::captionRect() const
{
    return {toWidget(kCaptionPlate.topLeft()), toWidget(kCaptionPlate.bottomRight())};
}

QFont CiAngularGaugeX::captionFont() const
{
    QFont caption = logicalCaptionFont();
    const double scale = captionRect().height() / kCaptionPlate.height();
    caption.setPixelSize(std::max(1, int(caption.pixelSize() * scale)));
    return caption;
}

QRectF CiAngularGaugeX::dialRect() const
{
    const QPointF reach(kBezelOuter, kBezelOuter);
    return {toWidget(kCentre - reach), toWidget(kCentre + reach)};
}

QSize CiAngularGaugeX::sizeHint() const
{
    return scaledSize(1.25);
}

QSize CiAngularGaugeX::minimumSizeHint() const
{
    return scaledSize(0.6);
}

double CiAngularGaugeX::angleOf(double value) const
{
    const double fraction = std::clamp((value - minimum_) / (maximum_ - minimum_), 0.0, 1.0);
    return kStartAngle - kSweep * fraction;
}

void CiAngularGaugeX::paintScale(QPainter& painter)
{
    band(painter, 0.0, 0.75, QColor(0x2f, 0xb3, 0x4f, 170));
    band(painter, 0.75, 0.9, QColor(0xff, 0xa8, 0x1e, 210));
    band(painter, 0.9, 1.0, QColor(0xe8, 0x2c, 0x1e, 230));

    const auto [major, minors] = scaleSteps(maximum_ - minimum_);
    const double minor = major / minors;
    const double first = std::ceil(minimum_ / minor - 1e-9) * minor;
    painter.setFont(art::font(font(), 9.5, QFont::DemiBold));
    const int count = int(std::floor((maximum_ - first) / minor + 1e-6));
    for (int i = 0; i <= count; ++i) {
        const double v = first + i * minor;
        const double a = angleOf(v);
        const double steps = v / major;
        const bool isMajor = std::abs(steps - std::round(steps)) < 1e-6;
        const double inner = kScaleRadius - (isMajor ? 8.0 : 4.0);
        painter.setPen(QPen(art::kScaleInk, isMajor ? 1.6 : 0.8, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(polar(inner, a), polar(kScaleRadius, a));
        if (isMajor) {
            const QPointF at = polar(kLabelRadius, a);
            const QRectF box(at.x() - 14, at.y() - 6, 28, 12);
            painter.setPen(art::kScaleInk);
            painter.drawText(box, Qt::AlignCenter, QString::number(std::round(v / minor) * minor, 'g', 6));
        }
    }
}

void CiAngularGaugeX::paintStatic(QPainter& painter)
{
    // Drop shadow of the case on the form.
    QRadialGradient shadow(kCentre + QPointF(0, 2.5), kBezelOuter + 3);
    shadow.setColorAt(0.9, QColor(0, 0, 0, 120));
    shadow.setColorAt(1.0, QColor(0, 0, 0, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shadow);
    painter.drawEllipse(kCentre + QPointF(0, 2.5), kBezelOuter + 3, kBezelOuter + 3);

    art::metalRing(painter, kCentre, kBezelOuter, kFaceRadius);
    QPainterPath face;
    face.addEllipse(kCentre, kFaceRadius, kFaceRadius);
    art::darkFace(painter, face, face.boundingRect());
    paintScale(painter);

    if (!label2_.isEmpty()) {
        const QFont caption = logicalCaptionFont();
        painter.setFont(caption);
        painter.setPen(art::kEngraving);
        const QString shown = QFontMetricsF(caption).elidedText(label2_, Qt::ElideRight,
                                                                kCaptionPlate.width());
        painter.drawText(kCaptionPlate, Qt::AlignCenter | Qt::TextSingleLine, shown);
    }

    // The reading window below the hub.
    const QRectF window = readingWindow();
    painter.setPen(QPen(QColor(0x5a, 0x61, 0x69), 0.8));
    painter.setBrush(QColor(0x07, 0x09, 0x0b));
    painter.drawRoundedRect(window, 2.5, 2.5);
}

void CiAngularGaugeX::paintDynamic(QPainter& painter)
{
    const QRectF window = readingWindow();
    if (!label1_.isEmpty()) {
        QFont reading = art::font(font(), 10.5, QFont::Bold);
        const double room = window.width() - 6.0;
        const double needed = QFontMetricsF(reading).horizontalAdvance(label1_);
        if (needed > room)
            reading.setPixelSize(std::max(6, int(reading.pixelSize() * room / needed)));
        painter.setFont(reading);
        painter.setPen(art::kAmber);
        painter.drawText(window, Qt::AlignCenter | Qt::TextSingleLine, label1_);
    }

    const double a = angleOf(position_);
    // The needle is drawn pointing right, then turned to its angle.
    QPainterPath needle;
    needle.moveTo(-11, -2.6);
    needle.lineTo(kScaleRadius - 3, -0.55);
    needle.lineTo(kScaleRadius - 1, 0);
    needle.lineTo(kScaleRadius - 3, 0.55);
    needle.lineTo(-11, 2.6);
    needle.closeSubpath();

    painter.save();
    painter.translate(kCentre + QPointF(1.6, 2.4));
    painter.rotate(-a);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 110));
    painter.drawPath(needle);
    painter.restore();

    painter.save();
    painter.translate(kCentre);
    painter.rotate(-a);
    QLinearGradient paint(0, -2.6, 0, 2.6);
    paint.setColorAt(0.0, QColor(0xff, 0x8a, 0x5c));
    paint.setColorAt(0.5, QColor(0xff, 0x3d, 0x12));
    paint.setColorAt(1.0, QColor(0xb8, 0x22, 0x08));
    painter.setPen(QPen(QColor(0x5a, 0x0e, 0x02), 0.4));
    painter.setBrush(paint);
    painter.drawPath(needle);
    painter.restore();

    // Hub cap over the needle's root.
    art::metalRing(painter, kCentre, 7.5, 3.2);
    QRadialGradient cap(kCentre - QPointF(1, 1), 3.5);
    cap.setColorAt(0.0, QColor(0x4a, 0x50, 0x57));
    cap.setColorAt(1.0, QColor(0x0c, 0x0e, 0x10));
    painter.setPen(Qt::NoPen);
    painter.setBrush(cap);
    painter.drawEllipse(kCentre, 3.2, 3.2);

    QPainterPath face;
    face.addEllipse(kCentre, kFaceRadius, kFaceRadius);
    art::glass(painter, face, face.boundingRect());
}

} // namespace veltroma
