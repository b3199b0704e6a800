#include "cli/ProgramInfo.h"

#include "BuildInfo.h"

#include <QCommandLineParser>

namespace veltroma {

QString versionText()
{
    QString text = QStringLiteral("Veltroma monitor %1").arg(QLatin1String(build::kVersion));
    if (const QLatin1String revision(build::kRevision); !revision.isEmpty())
        text += QStringLiteral(" (revision %1)").arg(revision);
    return text + u'\n';
}

QString helpText(const QCommandLineParser& parser)
{
    // The parser names the executable only once an application object exists; the options
    // are read before one does.
    QString options = parser.helpText();
    options.remove(0, options.indexOf(u'\n') + 1);
    return versionText() + QStringLiteral("Usage: veltroma-monitor [options]\n") + options
        + QStringLiteral(
            "\n"
            "Program folder (setting.ini, Language/, Data/, Help/, Update/):\n"
            "  1. the folder given with --home DIR;\n"
            "  2. else the executable's folder, when it holds setting.ini (a portable copy) or\n"
            "     is not the bin folder of an installation (the build tree);\n"
            "  3. else, installed, $XDG_DATA_HOME/veltroma-monitor (by default\n"
            "     ~/.local/share/veltroma-monitor), created on the first start.\n"
            "  The installed files are never written to.\n"
            "\n"
            "Exit codes: 0 done or stopped by SIGINT/SIGTERM; 1 the program folder cannot be\n"
            "written or the port cannot be opened (headless); 2 wrong command line.\n"
            "--read-parameters and --write-parameters: 0 done and verified; 1 no reply or a\n"
            "read-back difference; 2 invalid file or options; 3 wrong access code; 4 port\n"
            "unavailable or busy.\n");
}

} // namespace veltroma
