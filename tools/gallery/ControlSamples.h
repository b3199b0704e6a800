#pragma once

#include "GallerySheet.h"

#include <vector>

namespace veltroma::gallery {

// The drawn controls set up as the program uses them, with sample readings. The texts come
// from the active language file.
std::vector<GalleryItem> MakeControlSamples(QWidget* parent);

} // namespace veltroma::gallery
