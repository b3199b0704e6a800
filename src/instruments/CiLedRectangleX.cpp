#include "instruments/CiLedRectangleX.h"

#include "instruments/ColorRef.h"
#include "instruments/InstrumentArt.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace veltroma {

namespace {

constexpr double kHeight = 30.0;
constexpr double kFrame = 3.0;
constexpr double kRadius = 5.0;

} // namespace

CiLedRectangleX::CiLedRectangleX(QWidget* parent)
    : PaintedInstrument(QSizeF(110, kHeight), Scaling::FitHeight, parent),
      color_(colorFromRef(colorRef(0, 255, 0)))
{
}

void CiLedRectangleX::SetActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    update();
}

void CiLedRectangleX::SetActiveColor(std::uint32_t ref)
{
    const QColor color = colorFromRef(ref);
    if (color == color_)
        return;
    color_ = color;
    invalidateStatic();
}

void CiLedRectangleX::SetCenterLabelText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    update();
}

QSize CiLedRectangleX::sizeHint() const
{
    return QSize(120, 30);
}

QSize CiLedRectangleX::minimumSizeHint() const
{
    return QSize(40, 16);
}

QRectF CiLedRectangleX::faceRect() const
{
    return logicalRect().adjusted(kFrame + 1.0, kFrame + 1.0, -kFrame - 1.0, -kFrame - 1.0);
}

void CiLedRectangleX::paintStatic(QPainter& painter)
{
    const QRectF area = logicalRect().adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath well;
    well.addRoundedRect(area.adjusted(kFrame, kFrame, -kFrame, -kFrame), kRadius - kFrame / 2,
                        kRadius - kFrame / 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x06, 0x07, 0x08));
    painter.drawPath(well);
    art::metalFrame(painter, area, kRadius, kFrame);
}

void CiLedRectangleX::paintLook(QPainter& painter)
{
    const QRectF face = faceRect();
    QPainterPath lens;
    lens.addRoundedRect(face, 2.5, 2.5);
    art::led(painter, lens, face, color_, active_);
}

void CiLedRectangleX::paintDynamic(QPainter& painter)
{
    const QRectF face = faceRect();
    if (text_.isEmpty())
        return;
    // The text shrinks to fit rather than being cut: fault texts run to sixteen characters.
    const QString shown = text_.trimmed();
    QFont font = art::font(this->font(), 13.5, QFont::Bold);
    const double room = face.width() - 6.0;
    const double needed = QFontMetricsF(font).horizontalAdvance(shown);
    if (needed > room && needed > 0)
        font = art::font(this->font(), std::max(13.5 * room / needed, 7.0), QFont::Bold);
    painter.setFont(font);
    const QColor ink = active_ ? art::inkOn(color_) : QColor(0xb4, 0xbb, 0xc2);
    if (active_) {
        // A faint engraved edge keeps the text crisp on the bright lens.
        painter.setPen(ink.lightness() > 128 ? QColor(0, 0, 0, 90)
                                             : QColor(255, 255, 255, 90));
        painter.drawText(face.translated(0, 0.8), Qt::AlignCenter, shown);
    }
    painter.setPen(ink);
    painter.drawText(face, Qt::AlignCenter | Qt::TextSingleLine, shown);
}

} // namespace veltroma
