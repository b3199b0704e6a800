#pragma once

#include "publish/MqttSettings.h"
#include "update/UpdateHost.h"
#include "web/WebServerSettings.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace veltroma {

// What the program was started to do. Given several, the first of these holds: the list of
// ports, the parameter modes, the export, the status, the logger, the window (help and version
// before all of them).
enum class Mode {
    Window,
    Headless,
    ReadParameters,
    WriteParameters,
    ExportCsv,
    Status,
    ListPorts,
    Help,
    Version,
};

// The options of the command line, checked. An option a mode does not use is ignored by it.
struct ProgramOptions {
    QString home;                         // --home DIR; empty: the default program folder
    UpdateHost updateHost = defaultUpdateHost(); // --update-host
    std::optional<MqttHost> mqttHost;     // --mqtt; overrides the broker of setting.ini
    std::optional<WebListen> webListen;   // --web; overrides Listen of [Web] in setting.ini
    QString parameterFile;                // --write-parameters FILE
    // --access-code ("-": from standard input) or --access-code-file; one of them is never
    // empty in the parameter modes.
    QString accessCode;
    QString accessCodeFile;
    int address = 1;                      // --address, the inverter's bus address, 1..255
    QString exportFile;                   // --export-csv MONTH.xls
    QString output;                       // --output; empty or "-": standard output
    bool everyReply = false;              // --every-reply, with --headless
    QString port;                         // --port; a port description, overrides CommNum
    bool savePort = false;                // --save: `port` is stored as CommNum too
};

struct CommandLine {
    Mode mode = Mode::Window;
    ProgramOptions options;
};

// Why the command line was refused: one line for the user, without the program's name.
struct UsageError {
    QString message;
};

// Reads the program's arguments (the first is the program itself). Every value is checked
// here, before anything starts, whatever the mode: an unknown option, a missing or unexpected
// value, an argument that is no option, a server that is no HOST[:PORT], a web view address
// that is no ADDRESS:PORT, a bus address
// outside 1..255, a --port that names no port, --save without --port or beside a mode that
// opens no port, and for the parameter modes both or neither of read and write, or no
// access code. Whether the access code is the right one is the parameter modes' business.
// Needs no application object.
[[nodiscard]] std::variant<CommandLine, UsageError> parseCommandLine(const QStringList& arguments);

// The text of --help: the program's name and version, usage, every option, where the
// program folder is and the exit codes.
[[nodiscard]] QString helpText();

} // namespace veltroma
