#include "controls/OutBarLayout.h"

#include <algorithm>

namespace veltroma {

QRect OutBarFrame::FolderRect(int folder) const
{
    const int h = folderHeight;
    const int bottom = client.y() + client.height();
    if (folder <= selFolder)
        return {client.x(), client.y() - 1 + folder * h, client.width(), h};
    return {client.x(), bottom - (folderCount - folder) * h, client.width(), h};
}

QRect OutBarFrame::InsideRect() const
{
    const int h = folderHeight;
    const int top = client.y() + (selFolder + 1) * h - 1;
    const int bottom = client.y() + client.height() - (folderCount - selFolder - 1) * h;
    return {client.x(), top, client.width(), std::max(0, bottom - top)};
}

std::vector<OutBarItemPlace> PlaceOutBarItems(const QRect& inside,
                                              std::span<const OutBarItemMetrics> items,
                                              int firstItem, bool smallView,
                                              const OutBarSpacing& spacing)
{
    std::vector<OutBarItemPlace> places;
    if (firstItem < 0 || firstItem >= static_cast<int>(items.size()))
        return places;
    places.reserve(items.size() - static_cast<std::size_t>(firstItem));

    int y = inside.y() + spacing.yTopMargin;
    for (auto it = items.begin() + firstItem; it != items.end(); ++it) {
        OutBarItemPlace place;
        if (smallView) {
            const int height = std::max(it->icon.height(), it->label.height());
            const int iconX = inside.x() + spacing.xLeftMargin + 2;
            place.icon = QRect(QPoint(iconX, y + (height - it->icon.height()) / 2), it->icon);
            const int labelX = iconX + it->icon.width() + spacing.xSmallIconLabelOffset;
            place.label = QRect(QPoint(labelX, y + (height - it->label.height()) / 2), it->label);
            place.bounds = QRect(iconX, y, labelX + it->label.width() - iconX, height);
            y += height + spacing.ySmallIconSpacing;
        } else {
            const int centre = inside.x() + inside.width() / 2;
            place.icon = QRect(QPoint(centre - it->icon.width() / 2, y), it->icon);
            const int labelTop = y + it->icon.height() + spacing.yLargeIconLabelOffset;
            place.label = QRect(QPoint(centre - it->label.width() / 2, labelTop), it->label);
            const int width = std::max(it->icon.width(), it->label.width());
            const int height = it->icon.height() + it->label.height() + spacing.yLargeIconLabelOffset;
            place.bounds = QRect(centre - width / 2, y, width, height);
            y += height + spacing.yLargeIconSpacing;
        }
        places.push_back(place);
    }
    return places;
}

} // namespace veltroma
