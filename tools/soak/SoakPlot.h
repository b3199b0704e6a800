#pragma once

#include "SoakRun.h"

namespace veltroma::soak {

// Draws the rows per day (expected and written) with every fault marked on its day, as a
// PNG at `path`. False when the picture could not be saved.
bool drawSoakPlot(const SoakOptions& options, const SoakResult& result, const QString& path);

} // namespace veltroma::soak
