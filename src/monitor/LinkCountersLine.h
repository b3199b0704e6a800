#pragma once

#include "link/LinkHealth.h"

#include <QString>

namespace veltroma {

// The link counters as one line of text, as the headless logger prints them, e.g.
// "link counters: sent 120, replies 118, timeouts 2, rejected checksum 0 header 0 length 0,
// echoes skipped 0, reopens 0, re-registrations 0, last error none".
QString linkCountersLine(const LinkCounters& counters);

} // namespace veltroma
