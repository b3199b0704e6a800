#include "instruments/InstrumentArt.h"

#include <QConicalGradient>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace veltroma::art {

void metalFrame(QPainter& painter, const QRectF& outer, double radius, double width)
{
    painter.save();
    QPainterPath outerPath;
    outerPath.addRoundedRect(outer, radius, radius);
    const QRectF inner = outer.adjusted(width, width, -width, -width);
    QPainterPath innerPath;
    const double innerRadius = std::max(radius - width, 0.5);
    innerPath.addRoundedRect(inner, innerRadius, innerRadius);

    // Brushed metal lit from above: bright top edge, darker flanks.
    QLinearGradient metal(outer.topLeft(), outer.bottomLeft());
    metal.setColorAt(0.0, QColor(0xf2, 0xf4, 0xf6));
    metal.setColorAt(0.18, QColor(0xc9, 0xce, 0xd4));
    metal.setColorAt(0.5, QColor(0x9b, 0xa2, 0xaa));
    metal.setColorAt(0.82, QColor(0x6e, 0x75, 0x7d));
    metal.setColorAt(1.0, QColor(0x4a, 0x50, 0x57));
    painter.setPen(QPen(QColor(0x1a, 0x1d, 0x21), std::max(width * 0.18, 0.5)));
    painter.setBrush(metal);
    painter.drawPath(outerPath.subtracted(innerPath));

    // A fine highlight along the upper edge gives the frame its bevel.
    QLinearGradient shine(outer.topLeft(), outer.topRight());
    shine.setColorAt(0.0, QColor(255, 255, 255, 0));
    shine.setColorAt(0.5, QColor(255, 255, 255, 150));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setPen(QPen(QBrush(shine), std::max(width * 0.22, 0.4)));
    painter.setBrush(Qt::NoBrush);
    const double inset = width * 0.3;
    painter.drawLine(QPointF(outer.left() + radius, outer.top() + inset),
                     QPointF(outer.right() - radius, outer.top() + inset));

    painter.setPen(QPen(QColor(0x08, 0x09, 0x0b), std::max(width * 0.3, 0.6)));
    painter.drawPath(innerPath);
    painter.restore();
}

void metalRing(QPainter& painter, QPointF centre, double outerRadius, double innerRadius)
{
    painter.save();
    QPainterPath ring;
    ring.addEllipse(centre, outerRadius, outerRadius);
    QPainterPath hole;
    if (innerRadius > 0)
        hole.addEllipse(centre, innerRadius, innerRadius);
    // Subtracting paths is the dearest step here: once for both fills.
    const QPainterPath band = ring.subtracted(hole);

    // Turned metal: the light runs round the ring in bright and dull sectors.
    QConicalGradient turned(centre, 45);
    const QColor bright(0xf6, 0xf7, 0xf9);
    const QColor dull(0x7c, 0x83, 0x8b);
    const QColor mid(0xc3, 0xc8, 0xce);
    turned.setColorAt(0.00, bright);
    turned.setColorAt(0.12, mid);
    turned.setColorAt(0.25, dull);
    turned.setColorAt(0.38, mid);
    turned.setColorAt(0.50, bright);
    turned.setColorAt(0.62, mid);
    turned.setColorAt(0.75, dull);
    turned.setColorAt(0.88, mid);
    turned.setColorAt(1.00, bright);
    painter.setPen(Qt::NoPen);
    painter.setBrush(turned);
    painter.drawPath(band);

    // Shade the ring's profile: lit from above, in shadow below.
    QLinearGradient profile(centre.x(), centre.y() - outerRadius, centre.x(), centre.y() + outerRadius);
    profile.setColorAt(0.0, QColor(255, 255, 255, 70));
    profile.setColorAt(0.5, QColor(0, 0, 0, 0));
    profile.setColorAt(1.0, QColor(0, 0, 0, 90));
    painter.setBrush(profile);
    painter.drawPath(band);

    const double line = std::max((outerRadius - innerRadius) * 0.08, 0.6);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x22, 0x25, 0x29), line));
    painter.drawEllipse(centre, outerRadius - line / 2, outerRadius - line / 2);
    if (innerRadius > 0) {
        painter.setPen(QPen(QColor(0x05, 0x06, 0x07), line * 1.4));
        painter.drawEllipse(centre, innerRadius, innerRadius);
    }
    painter.restore();
}

void darkFace(QPainter& painter, const QPainterPath& path, const QRectF& bounds)
{
    painter.save();
    QRadialGradient face(QPointF(bounds.center().x(), bounds.top() + bounds.height() * 0.35),
                         std::max(bounds.width(), bounds.height()) * 0.75);
    face.setColorAt(0.0, kFaceTop);
    face.setColorAt(1.0, kFaceBottom);
    painter.setPen(Qt::NoPen);
    painter.setBrush(face);
    painter.drawPath(path);

    // Inner shadow under the bezel's upper edge: the face sits below the frame.
    QLinearGradient shadow(bounds.topLeft(), bounds.bottomLeft());
    shadow.setColorAt(0.0, QColor(0, 0, 0, 150));
    shadow.setColorAt(std::min(6.0 / std::max(bounds.height(), 1.0), 0.5), QColor(0, 0, 0, 0));
    shadow.setColorAt(1.0, QColor(0, 0, 0, 0));
    painter.setBrush(shadow);
    painter.drawPath(path);
    painter.restore();
}

void glass(QPainter& painter, const QPainterPath& path, const QRectF& bounds)
{
    painter.save();
    painter.setClipPath(path, Qt::IntersectClip);
    QPainterPath sheen;
    sheen.addEllipse(QRectF(bounds.left() - bounds.width() * 0.25, bounds.top() - bounds.height() * 0.55,
                            bounds.width() * 1.5, bounds.height() * 1.05));
    QLinearGradient light(bounds.topLeft(), QPointF(bounds.left(), bounds.top() + bounds.height() * 0.5));
    light.setColorAt(0.0, QColor(255, 255, 255, 46));
    light.setColorAt(1.0, QColor(255, 255, 255, 6));
    painter.setPen(Qt::NoPen);
    painter.setBrush(light);
    painter.drawPath(sheen);
    painter.restore();
}

void led(QPainter& painter, const QPainterPath& path, const QRectF& bounds, const QColor& color,
         bool lit)
{
    painter.save();
    const QPointF hot(bounds.center().x(), bounds.top() + bounds.height() * 0.4);
    const double reach = std::max(bounds.width(), bounds.height()) * 0.7;
    QRadialGradient body(hot, reach);
    if (lit) {
        body.setColorAt(0.0, color.lighter(165));
        body.setColorAt(0.45, color);
        body.setColorAt(1.0, color.darker(165));
    } else {
        const QColor dark = unlit(color);
        body.setColorAt(0.0, dark.lighter(135));
        body.setColorAt(1.0, dark.darker(160));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(body);
    painter.drawPath(path);

    // The lens: a bright reflection across its upper part.
    painter.setClipPath(path, Qt::IntersectClip);
    QLinearGradient lens(bounds.topLeft(), QPointF(bounds.left(), bounds.top() + bounds.height() * 0.55));
    lens.setColorAt(0.0, QColor(255, 255, 255, lit ? 120 : 55));
    lens.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setBrush(lens);
    const double inset = std::min(bounds.width(), bounds.height()) * 0.08;
    const QRectF lensRect(bounds.left() + inset, bounds.top() + inset * 0.6,
                          bounds.width() - 2 * inset, bounds.height() * 0.5);
    painter.drawRoundedRect(lensRect, lensRect.height() * 0.5, lensRect.height() * 0.5);
    painter.restore();

    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 170), std::max(bounds.height() * 0.04, 0.5)));
    painter.drawPath(path);
    painter.restore();
}

void ledHalo(QPainter& painter, const QRectF& bounds, const QColor& color)
{
    painter.save();
    const double reach = std::max(bounds.width(), bounds.height()) * 0.5 + bounds.height() * 0.6;
    QRadialGradient halo(bounds.center(), reach);
    QColor inner = color;
    inner.setAlpha(110);
    QColor outer = color;
    outer.setAlpha(0);
    halo.setColorAt(0.0, inner);
    halo.setColorAt(1.0, outer);
    painter.setPen(Qt::NoPen);
    painter.setBrush(halo);
    painter.drawEllipse(bounds.center(), reach, reach * (bounds.height() + reach) / (bounds.width() + reach));
    painter.restore();
}

QColor unlit(const QColor& color)
{
    const QColor hsv = color.toHsv();
    const int saturation = int(hsv.hsvSaturation() * 0.75);
    return QColor::fromHsv(std::max(hsv.hsvHue(), 0), saturation, 50).toRgb();
}

QColor accentOn(const QColor& background)
{
    return background.lightness() > 140 ? QColor(0xb3, 0x5c, 0x00) : kAmber;
}

QColor inkOn(const QColor& background)
{
    const double luminance = 0.299 * background.red() + 0.587 * background.green()
        + 0.114 * background.blue();
    return luminance > 140 ? QColor(0x10, 0x12, 0x14) : QColor(0xfb, 0xfc, 0xfd);
}

QFont font(const QFont& base, double pixelSize, int weight)
{
    QFont f(base);
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    f.setWeight(QFont::Weight(weight));
    // Hinted glyphs would be laid out for the logical size, not the scaled one.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

} // namespace veltroma::art
