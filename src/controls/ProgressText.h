#pragma once

#include <QString>

namespace veltroma {

// The whole-number percentage of `pos` in [min, max], rounded down and held to 0..100;
// 0 for an empty range.
int ProgressPercent(int pos, int min, int max);

// The filled width in pixels of a bar `width` wide at `pos` in [min, max], rounded down
// and held to 0..width.
int ProgressBarWidth(int pos, int min, int max, int width);

// Fills a language file's percentage text: each "%d" becomes `value` and "%%" a single
// percent sign. Any other "%" sequence is kept as it stands, so a text with a stray or
// foreign conversion can never read beyond the one number it is given.
QString FormatPercentText(const QString& format, int value);

} // namespace veltroma
