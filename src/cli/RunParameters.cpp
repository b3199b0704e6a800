#include "cli/RunParameters.h"

#include "access/AccessRule.h"
#include "base/Clock.h"
#include "channel/Channel.h"
#include "cli/Messages.h"
#include "cli/ParameterRegistration.h"
#include "cli/ProgramOptions.h"
#include "cli/ProgramStartup.h"
#include "config/ProgramPaths.h"
#include "monitor/ConsolePrompt.h"
#include "monitor/InverterSettings.h"
#include "params/GridLink.h"
#include "params/GridParameterFile.h"

#include <QDateTime>
#include <QFile>

#include <vector>

namespace veltroma {

namespace {

constexpr int kBetweenWritesMs = 15;
// An access code is a short word: a longer first line is no code.
constexpr qint64 kMaxCodeLineBytes = 256;

class Run {
public:
    Run(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

    void say(const QString& text) const { printMessage(text, err_); }

    void print(const QString& line) const
    {
        std::fprintf(out_, "%s\n", line.toUtf8().constData());
    }

    ExitCode exit(ExitCode code) const
    {
        std::fflush(out_);
        return code;
    }

private:
    std::FILE* out_;
    std::FILE* err_;
};

// The access code as given: on the command line, on the first line of standard input ("-")
// or of a file (whose line end is not part of it). None when it cannot be read.
std::optional<QString> accessCodeOf(const ProgramOptions& options)
{
    const auto firstLine = [](QIODevice& device) -> std::optional<QString> {
        const QByteArray line = device.readLine(kMaxCodeLineBytes);
        if (line.isEmpty())
            return std::nullopt;
        return QString::fromUtf8(line).remove(u'\n').remove(u'\r');
    };
    if (!options.accessCodeFile.isEmpty()) {
        QFile file(options.accessCodeFile);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return firstLine(file);
    }
    if (options.accessCode == u'-') {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly))
            return std::nullopt;
        return firstLine(input);
    }
    return options.accessCode;
}

// The inverter's present values; the link is held only for the reading.
std::optional<GridTexts> readPresent(DialogChannel& link, GridLink& grid)
{
    LinkSession session(link, false);
    return grid.readUntilAnswered(session);
}

QString resultLine(const RowCheck& check)
{
    const QString head = QLatin1String(kGridParameters[check.row].name) + u'=' + check.wrote;
    if (!check.acknowledged)
        return head + QStringLiteral(" failed: the inverter did not acknowledge the write");
    if (!check.reported)
        return head + QStringLiteral(" unconfirmed: the inverter did not answer the read-back");
    if (*check.reported != check.wrote)
        return head + QStringLiteral(" differs: the inverter reports %1").arg(*check.reported);
    return head + QStringLiteral(" ok");
}

} // namespace

ExitCode runParameters(ParameterAction action, const ProgramOptions& options, std::FILE* out,
                       std::FILE* err)
{
    const Run run(out, err);
    const bool write = action == ParameterAction::Write;
    // Sets the program folder (the backups go under its Data folder) and the language of
    // the messages.
    const ProgramStart start =
        startProgram(options.home, nullptr, {options.port, options.savePort});
    if (start.failure) {
        run.say(*start.failure);
        return run.exit(ExitCode::Failure);
    }
    if (start.note)
        run.say(*start.note);
    const auto code = accessCodeOf(options);
    if (!code) {
        run.say(QStringLiteral("cannot read the access code from %1: nothing was sent")
                    .arg(options.accessCodeFile.isEmpty() ? QStringLiteral("standard input")
                                                          : options.accessCodeFile));
        return run.exit(ExitCode::Usage);
    }
    if (!CodeOpens(AccessEntry::ParameterRocker, *code)) {
        run.say(QStringLiteral("the access code is not correct: nothing was sent"));
        return run.exit(ExitCode::WrongAccessCode);
    }

    // The whole file is judged before the port is opened: one wrong line and nothing goes.
    ParameterFileContents contents;
    if (write) {
        QFile file(options.parameterFile);
        if (!file.open(QIODevice::ReadOnly)) {
            run.say(QStringLiteral("cannot read %1: %2").arg(options.parameterFile, file.errorString()));
            return run.exit(ExitCode::Usage);
        }
        contents = parseParameterFile(file.readAll());
        QStringList problems = contents.problems;
        problems << consistencyProblems(contents.values);
        if (!problems.isEmpty()) {
            for (const QString& problem : problems)
                run.say(options.parameterFile + QStringLiteral(": ") + problem);
            run.say(QStringLiteral("nothing was sent"));
            return run.exit(ExitCode::Usage);
        }
    }

    if (start.portProblem) {
        run.say(*start.portProblem);
        return run.exit(ExitCode::Usage);
    }
    ConsolePrompt prompt(err);
    Channel channel(steadyClock(), prompt);
    if (!openPort(channel, start.settings)) {
        run.say(QStringLiteral("the port %1 is unavailable or busy")
                    .arg(start.settings.portDescription));
        return run.exit(ExitCode::PortUnavailable);
    }

    DialogChannel link = dialogChannel(channel);
    GridLink grid(static_cast<std::uint8_t>(options.address));
    std::optional<GridTexts> present = readPresent(link, grid);
    if (!present) {
        // An inverter that slept or lost power forgets its address: it is given it again.
        const ParameterRegistration registration = registerForParameters(
            channel, inverterSettings(g_szSettingPath()).inverters, options.address);
        run.say(QStringLiteral("no reply from the inverter at address %1; %2")
                    .arg(options.address)
                    .arg(registration.message));
        if (registration.assigned)
            present = readPresent(link, grid);
        if (!present) {
            if (registration.assigned)
                run.say(QStringLiteral("no reply from the inverter at address %1 after its registration")
                            .arg(options.address));
            return run.exit(ExitCode::Failure);
        }
    }
    LinkSession session(link, false);
    if (!write) {
        for (std::size_t row = 0; row < kGridParameterCount; ++row)
            run.print(QLatin1String(kGridParameters[row].name) + u'=' + (*present)[row]);
        return run.exit(ExitCode::Ok);
    }

    GridTexts target = *present;
    for (std::size_t row = 0; row < kGridParameterCount; ++row) {
        if (contents.values[row])
            target[row] = *contents.values[row];
    }
    // Values outside the ranges pass only where the inverter holds them already.
    if (const QStringList problems = rangeProblems(contents, *present); !problems.isEmpty()) {
        for (const QString& problem : problems)
            run.say(options.parameterFile + QStringLiteral(": ") + problem);
        run.say(QStringLiteral("nothing was written"));
        return run.exit(ExitCode::Usage);
    }
    if (const QStringList problems = consistencyProblems(target); !problems.isEmpty()) {
        for (const QString& problem : problems)
            run.say(problem);
        run.say(QStringLiteral("nothing was written: the file and the inverter's values together "
                               "break the order of the limits"));
        return run.exit(ExitCode::Usage);
    }

    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < kGridParameterCount; ++row) {
        if (target[row] != (*present)[row])
            rows.push_back(row);
    }
    if (rows.empty()) {
        run.say(QStringLiteral("the inverter holds these values already: nothing to write"));
        return run.exit(ExitCode::Ok);
    }
    const auto backup = writeBackup(g_szCurPath(), options.address, *present, grid.serialNumber(session),
                                    QDateTime::currentDateTime());
    if (!backup) {
        run.say(QStringLiteral("cannot back up the present values under %1Data: nothing was written")
                    .arg(g_szCurPath()));
        return run.exit(ExitCode::Failure);
    }
    run.say(QStringLiteral("backup: %1").arg(*backup));

    std::vector<RowCheck> writes;
    for (const std::size_t row : rows) {
        writes.push_back({row, target[row], grid.write(session, row, target[row]), {}});
        session.sleepMs(kBetweenWritesMs);
    }
    bool allVerified = true;
    for (const RowCheck& check : checkWrites(writes, grid.readUntilAnswered(session))) {
        run.print(resultLine(check));
        allVerified = allVerified && check.verified();
    }
    return run.exit(allVerified ? ExitCode::Ok : ExitCode::Failure);
}

} // namespace veltroma
