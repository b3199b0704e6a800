#pragma once

#include <QString>

namespace veltroma {

// "Veltroma monitor 3.00", followed by the revision the program was built from when known.
QString versionText();

} // namespace veltroma
