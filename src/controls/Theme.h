#pragma once

#include <QColor>

namespace veltroma::theme {

// The product's own colours. The drawn controls take their defaults from here where the
// platform offers no matching role (there is no "desktop colour" on this platform), and
// the artwork is drawn in the same family.
inline QColor Desktop() { return {0x24, 0x48, 0x50}; }     // deep teal: item areas
inline QColor Brand() { return {0x2c, 0x57, 0x5f}; }       // the start dialog's text colour
inline QColor Accent() { return {0xf2, 0xa3, 0x3a}; }      // solar amber: marks and focus
inline QColor Surface() { return {0xe9, 0xee, 0xf0}; }     // light panels
inline QColor Steel() { return {0x8f, 0x9f, 0xa6}; }       // rules and frames

} // namespace veltroma::theme
