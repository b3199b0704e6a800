#include "app/view/FormLook.h"

#include "app/view/FormLayout.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QWidget>

#include <algorithm>
#include <array>

namespace veltroma::formlook {

namespace {

// Recessed fields behind the groups of controls below the band of live values, in dialog
// units: the mode, energy and power panels.
constexpr std::array<QRect, 3> kWells{{
    {2, 284, 324, 106},
    {404, 284, 212, 68},
    {624, 284, 138, 106},
}};

void brushedSteel(QPainter& painter, QSize size)
{
    QLinearGradient panel(0, 0, 0, size.height());
    panel.setColorAt(0.0, kPanelTop);
    panel.setColorAt(1.0, kPanelBottom);
    painter.fillRect(QRect(QPoint(0, 0), size), panel);

    // Fine horizontal grain; the same every time, so repaints do not shimmer.
    QRandomGenerator grain(7);
    for (int y = 0; y < size.height(); ++y) {
        const int shade = grain.bounded(0, 2) != 0 ? 255 : 0;
        const int alpha = grain.bounded(2, 9);
        painter.setPen(QColor(shade, shade, shade, alpha));
        const int from = grain.bounded(0, size.width() / 3);
        painter.drawLine(from, y, from + grain.bounded(size.width() / 3, size.width()), y);
    }

    // Light falls from above: a soft sheen at the top, darker corners below.
    QRadialGradient vignette(QPointF(size.width() * 0.5, size.height() * 0.25),
                             size.width() * 0.75);
    vignette.setColorAt(0.0, QColor(255, 255, 255, 10));
    vignette.setColorAt(0.7, QColor(0, 0, 0, 0));
    vignette.setColorAt(1.0, QColor(0, 0, 0, 90));
    painter.fillRect(QRect(QPoint(0, 0), size), vignette);
}

void screw(QPainter& painter, QPointF centre, double radius)
{
    QRadialGradient head(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.4);
    head.setColorAt(0.0, QColor(0xb8, 0xc0, 0xc8));
    head.setColorAt(0.6, QColor(0x6a, 0x72, 0x7b));
    head.setColorAt(1.0, QColor(0x2c, 0x31, 0x36));
    painter.setPen(QPen(QColor(0, 0, 0, 160), 1));
    painter.setBrush(head);
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(QPen(QColor(0x22, 0x26, 0x2a), 1.2));
    painter.drawLine(centre + QPointF(-radius * 0.6, radius * 0.25),
                     centre + QPointF(radius * 0.6, -radius * 0.25));
}

void well(QPainter& painter, const QRectF& area)
{
    constexpr double kRadius = 6.0;
    QPainterPath path;
    path.addRoundedRect(area, kRadius, kRadius);

    QLinearGradient floor(area.topLeft(), area.bottomLeft());
    floor.setColorAt(0.0, QColor(0x0c, 0x0f, 0x12, 235));
    floor.setColorAt(1.0, QColor(0x16, 0x1a, 0x1f, 235));
    painter.fillPath(path, floor);

    // Shadow under the upper edge, a catch of light on the lower one.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 170), 2.0));
    painter.drawPath(path);
    painter.setPen(QPen(QColor(255, 255, 255, 26), 1.0));
    painter.drawRoundedRect(area.adjusted(-1.0, -1.0, 1.0, 1.0), kRadius + 1, kRadius + 1);

    const double inset = 6.0;
    const double r = 2.6;
    for (const QPointF corner : {area.topLeft() + QPointF(inset, inset),
                                 area.topRight() + QPointF(-inset, inset),
                                 area.bottomLeft() + QPointF(inset, -inset),
                                 area.bottomRight() + QPointF(-inset, -inset)})
        screw(painter, corner, r);
}

void brandMark(QPainter& painter, const QRectF& area)
{
    QFont font = painter.font();
    font.setPixelSize(std::max(10, int(area.height() * 0.42)));
    font.setBold(true);
    font.setLetterSpacing(QFont::PercentageSpacing, 135);
    painter.setFont(font);
    // Engraved: a dark cut with a light edge below it.
    painter.setPen(QColor(255, 255, 255, 30));
    painter.drawText(area.translated(0, 1), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("VELTROMA"));
    painter.setPen(QColor(0, 0, 0, 150));
    painter.drawText(area, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("VELTROMA"));
}

} // namespace

QPalette palette(const QPalette& base)
{
    QPalette p = base;
    p.setColor(QPalette::Window, kPanelTop);
    p.setColor(QPalette::WindowText, QColor(0xd8, 0xdd, 0xe2));
    p.setColor(QPalette::Text, QColor(0xf2, 0xf4, 0xf6));
    p.setColor(QPalette::ButtonText, QColor(0xe6, 0xea, 0xee));
    p.setColor(QPalette::Highlight, QColor(0xf2, 0xa3, 0x3a));
    p.setColor(QPalette::HighlightedText, QColor(0x10, 0x13, 0x17));
    return p;
}

void paintBackground(QPainter& painter, QSize size, const DialogUnits& units, const QRect& valuesBand)
{
    painter.setRenderHint(QPainter::Antialiasing);
    brushedSteel(painter, size);
    well(painter, QRectF(units.toPixels(valuesBand)));
    for (const QRect& area : kWells)
        well(painter, QRectF(units.toPixels(area)));
    brandMark(painter, QRectF(units.toPixels(QRect(560, 400, 196, 26))));
}

QColor slotColor(int slot)
{
    static const std::array<QColor, 6> kSlotColors{
        QColor(0xff, 0xb3, 0x2e), QColor(0x34, 0xd3, 0xf5), QColor(0xf0, 0x6c, 0xd8),
        QColor(0x5c, 0xf0, 0x6e), QColor(0xf5, 0xe8, 0x42), QColor(0x8a, 0x9c, 0xff)};
    return kSlotColors[static_cast<std::size_t>(std::clamp(slot, 1, 6) - 1)];
}

QString buttonStyle()
{
    return QStringLiteral(
        "QPushButton { color: #e6eaee; padding: 0 2px;"
        " border: 1px solid #0b0d10; border-radius: 4px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4a525b, stop:0.5 #353b42,"
        " stop:1 #262b30); }"
        "QPushButton:hover { color: #ffc35a; border-color: #f2a33a; }"
        "QPushButton:pressed { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 #1d2125, stop:1 #30363c); padding-top: 1px; }"
        "QPushButton:focus { border-color: #f2a33a; }");
}

QString datePickerStyle(double pointSize)
{
    return QStringLiteral(
        "QDateEdit { font-size: %1pt; color: #f2f4f6; background: #101317; border: 1px solid #59616a;"
        " border-radius: 3px; padding: 0 4px; selection-background-color: #f2a33a;"
        " selection-color: #101317; }"
        "QDateEdit:focus { border-color: #f2a33a; }"
        "QDateEdit::drop-down { border-left: 1px solid #59616a; width: 16px; }"
        // Style sheets draw no triangles from borders: the arrow is a picture.
        "QDateEdit::down-arrow { image: url(:/artwork/down-arrow.svg); width: 8px; height: 5px; }")
        .arg(pointSize);
}

QString progressStyle(double pointSize)
{
    // The chunk is a dark amber, so that the light text reads on it and beside it alike.
    return QStringLiteral(
        "QProgressBar { font-size: %1pt; color: #f2f4f6; background: #101317;"
        " border: 1px solid #59616a; border-radius: 3px; text-align: center; }"
        "QProgressBar::chunk { background: #8a5a1c; border-radius: 2px; }"
        "QToolButton { font-size: %1pt; color: #f2f4f6; background: transparent; border: 1px solid"
        " transparent; border-radius: 3px; }"
        "QToolButton:hover { border-color: #f2a33a; }"
        "QToolButton:pressed { background: #2c3a44; }")
        .arg(pointSize);
}

QString listStyle()
{
    return QStringLiteral(
        "QTableWidget { background: #000000; color: #ffffff; border: 1px solid #0b0d10;"
        " selection-background-color: #2c3a44; selection-color: #ffffff; outline: 0; }"
        "QTableWidget::item { background: transparent; padding-left: 3px; }"
        // The header's own background shows right of the last column.
        "QHeaderView { background: #262b30; border: none; }"
        "QHeaderView::section { color: #e6eaee; padding: 0 3px;"
        " border: none; border-right: 1px solid #0b0d10; border-bottom: 1px solid #f2a33a;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3b424a, stop:1 #262b30); }");
}

double fittingPointSize(QFont font, std::initializer_list<QString> texts, int room)
{
    double size = kLargestPointSize;
    for (; size > kSmallestPointSize; size -= 0.5) {
        font.setPointSizeF(size);
        const QFontMetrics metrics(font);
        const bool fits = std::all_of(texts.begin(), texts.end(), [&](const QString& text) {
            return metrics.horizontalAdvance(text) <= room;
        });
        if (fits)
            break;
    }
    return size;
}

void fitFont(QWidget& widget, std::initializer_list<QString> texts, int room)
{
    QFont font = widget.font();
    font.setPointSizeF(fittingPointSize(font, texts, room));
    widget.setFont(font);
}

} // namespace veltroma::formlook
