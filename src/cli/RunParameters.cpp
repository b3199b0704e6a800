#include "cli/RunParameters.h"

#include "base/Clock.h"
#include "channel/Channel.h"
#include "config/ProgramPaths.h"
#include "config/SettingsStartup.h"
#include "monitor/ConsolePrompt.h"
#include "params/GridLink.h"
#include "params/GridParameterFile.h"
#include "access/AccessRule.h"

#include <QDateTime>
#include <QFile>

#include <optional>
#include <vector>

namespace veltroma {

namespace {

constexpr int kBetweenWritesMs = 15;
constexpr int kMaxAddress = 255;

class Run {
public:
    Run(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

    void say(const QString& text) const
    {
        std::fprintf(err_, "veltroma-monitor: %s\n", text.toLocal8Bit().constData());
    }

    void print(const QString& line) const
    {
        std::fprintf(out_, "%s\n", line.toUtf8().constData());
    }

    int exit(ParameterExit code) const
    {
        std::fflush(out_);
        return static_cast<int>(code);
    }

private:
    std::FILE* out_;
    std::FILE* err_;
};

std::optional<int> parseAddress(const QString& text)
{
    if (text.isEmpty())
        return 1;
    bool ok = false;
    const int address = text.toInt(&ok);
    if (!ok || address < 1 || address > kMaxAddress)
        return std::nullopt;
    return address;
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

int runParameters(const ParameterCommand& command, std::FILE* out, std::FILE* err)
{
    const Run run(out, err);
    const bool write = !command.writeFile.isEmpty();
    if (command.read == write) {
        run.say(QStringLiteral("give either --read-parameters or --write-parameters FILE"));
        return run.exit(ParameterExit::Invalid);
    }
    const auto address = parseAddress(command.address);
    if (!address) {
        run.say(QStringLiteral("'%1' is no bus address (1 to %2)").arg(command.address).arg(kMaxAddress));
        return run.exit(ParameterExit::Invalid);
    }
    if (command.accessCode.isEmpty()) {
        run.say(QStringLiteral("--access-code is needed"));
        return run.exit(ParameterExit::Invalid);
    }
    if (!CodeOpens(AccessEntry::ParameterRocker, command.accessCode)) {
        run.say(QStringLiteral("the access code is not correct: nothing was sent"));
        return run.exit(ParameterExit::WrongCode);
    }

    // Sets the program folder (the backups go under its Data folder) and the language of
    // the messages.
    const StartupSettings settings = loadStartupSettings(programFolder(command.home));

    // The whole file is judged before the port is opened: one wrong line and nothing goes.
    ParameterFileContents contents;
    if (write) {
        QFile file(command.writeFile);
        if (!file.open(QIODevice::ReadOnly)) {
            run.say(QStringLiteral("cannot read %1: %2").arg(command.writeFile, file.errorString()));
            return run.exit(ParameterExit::Invalid);
        }
        contents = parseParameterFile(file.readAll());
        QStringList problems = contents.problems;
        problems << consistencyProblems(contents.values);
        if (!problems.isEmpty()) {
            for (const QString& problem : problems)
                run.say(command.writeFile + QStringLiteral(": ") + problem);
            run.say(QStringLiteral("nothing was sent"));
            return run.exit(ParameterExit::Invalid);
        }
    }

    ConsolePrompt prompt(err);
    Channel channel(steadyClock(), prompt);
    channel.COMM_CFG = settings.portDescription;
    channel.PortInit(0);
    if (!channel.ChannelOK()) {
        run.say(QStringLiteral("the port %1 is unavailable or busy").arg(settings.portDescription));
        return run.exit(ParameterExit::PortFailed);
    }

    DialogChannel link = dialogChannel(channel);
    LinkSession session(link, false);
    GridLink grid(static_cast<std::uint8_t>(*address));
    const auto present = grid.readUntilAnswered(session);
    if (!present) {
        run.say(QStringLiteral("no reply from the inverter at address %1").arg(*address));
        return run.exit(ParameterExit::NotDone);
    }
    if (!write) {
        for (std::size_t row = 0; row < kGridParameterCount; ++row)
            run.print(QLatin1String(kGridParameters[row].name) + u'=' + (*present)[row]);
        return run.exit(ParameterExit::Done);
    }

    GridTexts target = *present;
    for (std::size_t row = 0; row < kGridParameterCount; ++row) {
        if (contents.values[row])
            target[row] = *contents.values[row];
    }
    // Values outside the ranges pass only where the inverter holds them already.
    if (const QStringList problems = rangeProblems(contents, *present); !problems.isEmpty()) {
        for (const QString& problem : problems)
            run.say(command.writeFile + QStringLiteral(": ") + problem);
        run.say(QStringLiteral("nothing was written"));
        return run.exit(ParameterExit::Invalid);
    }
    if (const QStringList problems = consistencyProblems(target); !problems.isEmpty()) {
        for (const QString& problem : problems)
            run.say(problem);
        run.say(QStringLiteral("nothing was written: the file and the inverter's values together "
                               "break the order of the limits"));
        return run.exit(ParameterExit::Invalid);
    }

    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < kGridParameterCount; ++row) {
        if (target[row] != (*present)[row])
            rows.push_back(row);
    }
    if (rows.empty()) {
        run.say(QStringLiteral("the inverter holds these values already: nothing to write"));
        return run.exit(ParameterExit::Done);
    }
    const auto backup = writeBackup(g_szCurPath(), *address, *present, grid.serialNumber(session),
                                    QDateTime::currentDateTime());
    if (!backup) {
        run.say(QStringLiteral("cannot back up the present values under %1Data: nothing was written")
                    .arg(g_szCurPath()));
        return run.exit(ParameterExit::NotDone);
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
    return run.exit(allVerified ? ParameterExit::Done : ParameterExit::NotDone);
}

} // namespace veltroma
