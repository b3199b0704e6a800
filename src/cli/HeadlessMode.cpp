#include "cli/HeadlessMode.h"

#include "base/Clock.h"
#include "channel/Channel.h"
#include "channel/PortDescription.h"
#include "cli/Messages.h"
#include "cli/ProgramInfo.h"
#include "cli/ProgramOptions.h"
#include "cli/ProgramStartup.h"
#include "monitor/HeadlessLog.h"
#include "monitor/RunHeadless.h"
#include "publish/MqttStartup.h"
#include "web/WebStartup.h"

#include <QPointer>

#include <cstdio>
#include <memory>

namespace veltroma {

namespace {

// The port's message box at start would be a legacy text on standard error: the logger says
// the fault in one line of its own instead, with the channel's reason.
class NoMessagePrompt final : public Prompt {
public:
    PromptAnswer message(const QString&, const QString&, PromptButtons, PromptIcon) override
    {
        return PromptAnswer::Ok;
    }
    std::optional<QString> password(const QString&) override { return std::nullopt; }
    std::optional<QString> openFile(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
};

} // namespace

ExitCode runHeadlessMode(const ProgramOptions& options)
{
    NoMessagePrompt prompt;
    Channel channel(steadyClock(), prompt);
    const ProgramStart start =
        startProgram(options.home, &channel, {options.port, options.savePort});
    if (start.failure) {
        printMessage(*start.failure);
        return ExitCode::Failure;
    }
    if (start.note)
        printMessage(*start.note);
    // Waiting would be for ever: the description is not read again while the logger runs.
    if (start.portProblem) {
        printMessage(*start.portProblem);
        return ExitCode::Usage;
    }
    const QString portName = portNameForUser(start.settings.portDescription);
    // Else the first word of it would be the loss of the link twenty seconds later.
    if (start.settings.portIsDefault) {
        printMessage(QStringLiteral("setting.ini names no port (CommNum): using %1; choose one "
                                    "with --port DEV --save, see --list-ports")
                         .arg(portName));
    }
    // A logger started before its adapter is plugged in waits for it: the channel opens the
    // port again by itself, and the loss is reported like any other until the inverter answers.
    if (!channel.ChannelOK()) {
        const LinkHealth* health = channel.health();
        const QString reason = health != nullptr ? health->snapshot().lastError : QString();
        printEventLine(stderr, reason.isEmpty()
                                   ? QStringLiteral("%1 is not open; waiting for it").arg(portName)
                                   : QStringLiteral("%1 (waiting for it)").arg(reason));
    }
    // The web view shows the publisher's counters; the publisher goes after the web view.
    auto publisher = std::make_shared<QPointer<MqttPublisher>>();
    const HeadlessAddOn mqtt = [broker = options.mqttHost, publisher](MonitorSession& session,
                                                                      const QString& settingPath) {
        HeadlessExtra extra = startHeadlessMqtt(session, settingPath, broker);
        *publisher = qobject_cast<MqttPublisher*>(extra.object.get());
        return extra;
    };
    const HeadlessAddOn web = [listen = options.webListen, portName, publisher](
                                  MonitorSession& session, const QString& settingPath) {
        return startHeadlessWeb(session, settingPath, listen, [&](MonitorSession& forSession) {
            return sessionWebContent(forSession, {portName, versionNumber(), [publisher] {
                                                      return *publisher ? std::optional((*publisher)->counters())
                                                                        : std::nullopt;
                                                  }});
        });
    };
    return runHeadless(channel, portName, {mqtt, web}, options.everyReply) == 0 ? ExitCode::Ok
                                                                               : ExitCode::Failure;
}

} // namespace veltroma
