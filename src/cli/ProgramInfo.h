#pragma once

#include <QString>

class QCommandLineParser;

namespace veltroma {

// "Veltroma monitor 3.00", followed by the revision the program was built from when known.
QString versionText();

// The text of --help: the program's name and version, usage, every option the parser knows, where the program folder is and
// the exit codes.
QString helpText(const QCommandLineParser& parser);

} // namespace veltroma
