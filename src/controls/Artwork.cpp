#include "controls/Artwork.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <array>

// The pictures are compiled into this static library; their registration must be pulled
// in explicitly, and from the global namespace.
static void InitArtworkResources()
{
    Q_INIT_RESOURCE(artwork);
}

namespace veltroma::artwork {

namespace {

struct Entry {
    const char* file;
    QSize size;
};

constexpr std::array<Entry, 16> kEntries{{
    {"nav-monitor.svg", {32, 32}},
    {"nav-settings.svg", {32, 32}},
    {"nav-link.svg", {32, 32}},
    {"nav-help.svg", {32, 32}},
    {"nav-parameters.svg", {32, 32}},
    {"nav-autotest.svg", {32, 32}},
    {"nav-update.svg", {32, 32}},
    {"button-normal.svg", {110, 31}},
    {"button-hover.svg", {110, 31}},
    {"button-pressed.svg", {110, 31}},
    {"button-disabled.svg", {110, 31}},
    {"close-normal.svg", {29, 21}},
    {"close-hover.svg", {29, 21}},
    {"close-pressed.svg", {29, 21}},
    {"start-background.svg", {332, 312}},
    {"app-icon.svg", {64, 64}},
}};

const Entry& EntryOf(Art art)
{
    return kEntries[static_cast<std::size_t>(art)];
}

void EnsureResources()
{
    [[maybe_unused]] static const bool registered = (InitArtworkResources(), true);
}

} // namespace

QString ResourcePath(Art art)
{
    EnsureResources();
    return QStringLiteral(":/artwork/") + QLatin1String(EntryOf(art).file);
}

QSize NaturalSize(Art art)
{
    return EntryOf(art).size;
}

QPixmap Render(Art art, QSize size, qreal dpr)
{
    if (size.isEmpty())
        size = NaturalSize(art);
    if (dpr <= 0)
        dpr = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
    QSvgRenderer renderer(ResourcePath(art));
    QImage image((QSizeF(size) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        renderer.render(&painter);
    }
    image.setDevicePixelRatio(dpr);
    return QPixmap::fromImage(image);
}

ImageList NavigationImages(int edge, qreal dpr)
{
    ImageList list(QSize(edge, edge));
    for (int i = 0; i < kNavImageCount; ++i)
        list.Add(Render(static_cast<Art>(i), QSize(edge, edge), dpr));
    return list;
}

} // namespace veltroma::artwork
