#pragma once

#include <QRect>
#include <QSize>

#include <span>
#include <vector>

namespace veltroma {

// Where the folder headers and the item area of the navigation bar lie. Selected folder
// `sel`: headers 0..sel stack at the top, the others at the bottom, the items between.
struct OutBarFrame {
    QRect client;
    int folderCount = 0;
    int selFolder = 0;
    int folderHeight = 22;

    QRect FolderRect(int folder) const;
    QRect InsideRect() const;
};

struct OutBarSpacing {
    int xSmallIconLabelOffset = 4;
    int yLargeIconLabelOffset = 3;
    int ySmallIconSpacing = 10;
    int yLargeIconSpacing = 8;
    int xLeftMargin = 5;
    int yTopMargin = 5;
};

// The measured parts of one item: its icon (empty without an image list) and its label
// (already wrapped to the item area's width in the large view).
struct OutBarItemMetrics {
    QSize icon;
    QSize label;
};

struct OutBarItemPlace {
    QRect icon;
    QRect label;
    QRect bounds; // the whole item, icon and label; what a click or hover hits
};

// Places the items from `firstItem` on, top-down from the item area's top margin, each
// followed by its view's spacing. Items that run past the bottom are placed all the same:
// painting clips them and the down arrow tells the user there is more.
std::vector<OutBarItemPlace> PlaceOutBarItems(const QRect& inside,
                                              std::span<const OutBarItemMetrics> items,
                                              int firstItem, bool smallView,
                                              const OutBarSpacing& spacing);

} // namespace veltroma
