#pragma once

#include "channel/PortList.h"
#include "cli/ExitCode.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <vector>

namespace veltroma {

struct ProgramOptions;

// The port the program would open, and who chose it.
struct PortInUse {
    QString description; // as given: "/dev/ttyUSB0", "COM1,9600,8,N,1"
    QString source;      // "--port", "setting.ini", or "default" when setting.ini names none
};

// The lines of --list-ports, one per port of `ports`:
//   PATH [(COMn)] [-> NODE] [  USB strings] [  <- in use (SOURCE)]
// A stable name shows the node it names now; /dev/ttyS0../dev/ttyS8 show their COM name. The
// port in use is the one whose path is the device its description names; when no port
// has that path, a last line names it as not reported by the system, and when the
// description names no port, a last line says so. Any thread.
[[nodiscard]] QStringList portListLines(const std::vector<SystemPort>& ports,
                                        const PortInUse& inUse);

// --list-ports: prints portListLines() for the system's ports and the port of --port, else of
// setting.ini's CommNum in the program folder of --home. Writes nothing: a missing
// setting.ini is not made. Returns ExitCode::Ok.
[[nodiscard]] ExitCode runListPorts(const ProgramOptions& options, std::FILE* out = stdout);

} // namespace veltroma
