#pragma once

#include <QString>

namespace veltroma {

// "Veltroma monitor 3.00", followed by the revision the program was built from when known.
QString versionText();
// "3.00": the version alone.
QString versionNumber();

} // namespace veltroma
