#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>

class QPainter;
class QPainterPath;

// Drawing pieces shared by the instruments, so that they all wear the same bezels, faces
// and lights. Everything is drawn in the caller's logical coordinates.
namespace veltroma::art {

// Colours of the instrument family.
inline const QColor kFaceTop{0x2b, 0x30, 0x37};
inline const QColor kFaceBottom{0x10, 0x13, 0x17};
inline const QColor kScaleInk{0xe8, 0xec, 0xf0};
inline const QColor kEngraving{0x9a, 0xa3, 0xad};
inline const QColor kAmber{0xff, 0xa8, 0x1e};
inline const QColor kLedGreen{0x3c, 0xf0, 0x5a};

// A rounded frame of brushed metal around `outer`, `width` wide, with a dark rim inside.
void metalFrame(QPainter& painter, const QRectF& outer, double radius, double width);
// A round bezel of turned metal: a ring from `outerRadius` to `innerRadius`; with an inner
// radius of 0, a solid turned disc.
void metalRing(QPainter& painter, QPointF centre, double outerRadius, double innerRadius);
// A dark recessed instrument face filling `path`.
void darkFace(QPainter& painter, const QPainterPath& path, const QRectF& bounds);
// A glass reflection over `bounds`, clipped to `path`.
void glass(QPainter& painter, const QPainterPath& path, const QRectF& bounds);
// An LED body filling `path`: lit with a hot centre and a soft glow, or dark with only a hint
// of its colour.
void led(QPainter& painter, const QPainterPath& path, const QRectF& bounds, const QColor& color,
         bool lit);
// A lit LED's light spilling over its surroundings.
void ledHalo(QPainter& painter, const QRectF& bounds, const QColor& color);

// The colour of a dark LED of this colour.
[[nodiscard]] QColor unlit(const QColor& color);
// The amber accent, deepened where it has to read on a light background.
[[nodiscard]] QColor accentOn(const QColor& background);
// Black or white, whichever reads better on `background`.
[[nodiscard]] QColor inkOn(const QColor& background);
// The widget's font family at a logical pixel size.
[[nodiscard]] QFont font(const QFont& base, double pixelSize, int weight = QFont::Normal);

} // namespace veltroma::art
