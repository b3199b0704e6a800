#pragma once

#include "channel/Channel.h"
#include "config/EmbeddedFiles.h"
#include "config/ProgramPaths.h"
#include "service/manual/ManualTestDisplay.h"
#include "support/InverterSim.h"
#include "support/ScriptedPrompt.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace veltroma::test {

// Runs the event loop until `done` holds or `timeoutMs` has passed; returns `done()`.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

// Keeps what the refresh thread showed, as it arrives on this thread.
struct ShownValues {
    explicit ShownValues(QueuedManualTestDisplay& display)
    {
        QObject::connect(&display, &QueuedManualTestDisplay::dciShown, &display,
                         [this](int reading, int offset) { dci.push_back({reading, offset}); });
        QObject::connect(&display, &QueuedManualTestDisplay::serialNumbersShown, &display,
                         [this](const SerialNumberTexts& texts) { serials.push_back(texts); });
        QObject::connect(&display, &QueuedManualTestDisplay::writeFailed, &display,
                         [this](int, const QString& asked, const QString& reported) {
                             failures.push_back(asked + u'/' + reported);
                         });
    }
    QStringList failures;  // "asked/reported" of each write not confirmed
    std::vector<std::pair<int, int>> dci;
    std::vector<SerialNumberTexts> serials;
};

// The English language file as the program writes it out, made the active one.
class EnglishTexts {
public:
    EnglishTexts()
    {
        const QString path = dir_.filePath(QStringLiteral("english.ini"));
        EXPECT_TRUE(MakeResource(62, path));
        setLanguagePath(path);
    }
    ~EnglishTexts() { setLanguagePath({}); }

private:
    QTemporaryDir dir_;
};

// The simulated inverter behind the program's own serial channel.
class SimulatedLink {
public:
    explicit SimulatedLink(const InverterSim::Options& options = {})
        : sim(options), channel(steadyClock(), prompt)
    {
        if (!sim.isRunning())
            return;
        channel.COMM_CFG = sim.portPath() + QStringLiteral(",9600,8,N,1");
        channel.PortInit(0);
    }

    [[nodiscard]] bool ready() const { return sim.isRunning() && channel.ChannelOK(); }

    // The requests of one kind the simulator received so far.
    [[nodiscard]] QList<InverterSim::Request> requestsOf(const QString& kind) const
    {
        QList<InverterSim::Request> found;
        for (const auto& request : sim.requests())
            if (request.kind == kind)
                found << request;
        return found;
    }

    ScriptedPrompt prompt;
    InverterSim sim;
    Channel channel;
};

} // namespace veltroma::test
