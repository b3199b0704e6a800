#pragma once

#include "cli/ExitCode.h"

#include <QString>

namespace veltroma {

// --status: for each inverter of setting.ini's [Inverters] Count, its newest recorded row,
// today's energy and the row's age, on standard output (see StatusReport.h). Reads the
// program folder for `home` and nothing else: never the port, so it works beside a running
// logger. Returns ExitCode::Failure when there is no program folder, or when in daylight an
// inverter's newest row is older than ten minutes or none is of today; ExitCode::Ok otherwise.
[[nodiscard]] ExitCode runStatus(const QString& home);

} // namespace veltroma
