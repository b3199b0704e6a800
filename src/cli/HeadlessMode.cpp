#include "cli/HeadlessMode.h"

#include "base/Clock.h"
#include "channel/Channel.h"
#include "cli/Messages.h"
#include "cli/ProgramOptions.h"
#include "cli/ProgramStartup.h"
#include "monitor/ConsolePrompt.h"
#include "monitor/RunHeadless.h"
#include "publish/MqttStartup.h"

#include <cstdio>

namespace veltroma {

ExitCode runHeadlessMode(const ProgramOptions& options)
{
    ConsolePrompt prompt(stderr);
    Channel channel(steadyClock(), prompt);
    const ProgramStart start = startProgram(options.home, &channel);
    if (start.failure) {
        printMessage(*start.failure);
        return ExitCode::Failure;
    }
    if (start.note)
        printMessage(*start.note);
    // A logger started before its adapter is plugged in waits for it: the channel opens the
    // port again by itself, and the loss is reported like any other until the inverter answers.
    const QString portName = start.settings.portDescription.section(QLatin1Char(','), 0, 0);
    if (!channel.ChannelOK()) {
        std::fprintf(stderr, "%s is not open; waiting for it\n", portName.toUtf8().constData());
        std::fflush(stderr);
    }
    const HeadlessAddOn publisher = [broker = options.mqttHost](MonitorSession& session,
                                                                const QString& settingPath) {
        return startHeadlessMqtt(session, settingPath, broker);
    };
    return runHeadless(channel, portName, publisher, options.everyReply) == 0 ? ExitCode::Ok
                                                                             : ExitCode::Failure;
}

} // namespace veltroma
