#include "monitor/MonitorEngine.h"

#include "monitor/Recorder.h"

namespace veltroma {

MonitorEngine::MonitorEngine(Setup setup)
    : link_(setup.link, setup.clock),
      decoder_(model_, setup.display, std::move(setup.programFolder), std::move(setup.loadString),
               std::move(setup.wallClock)),
      watchdog_(flags_),
      registration_(link_, flags_, model_, setup.display, watchdog_),
      worker_(link_, flags_, decoder_, watchdog_)
{
    watchdog_.onLost([this] {
        recordingEnabled_ = false;
        emit events_.linkLost(QStringLiteral("no reply from the inverter"));
    });
    watchdog_.onBack([this] { emit events_.linkBack(); });
    decoder_.setRowListener([this](const QStringList& row) {
        emit events_.realtimeDecoded(model_.snapshot());
        emit events_.rowBuilt(row);
    });
}

MonitorEngine::~MonitorEngine()
{
    shutdown();
}

bool MonitorEngine::OnChangeUseriSwitchLEDX0(bool on)
{
    registration_.Register();
    worker_.SetThreadState(on);
    if (!on || !link_.link.ChannelOK())
        return false;
    registration_.startProgress();
    return true;
}

void MonitorEngine::disableTimers()
{
    recordingEnabled_ = false;
    watchdog_.disable();
}

void MonitorEngine::refreshTick(RefreshState state)
{
    switch (state) {
    case RefreshState::RealtimeConnected:
        recordingEnabled_ = true;
        break;
    case RefreshState::RealtimeDisconnected:
        disableTimers();
        break;
    case RefreshState::OtherMode:
        break;
    }
    registration_.RegistProgressBar();
}

void MonitorEngine::recordingTick()
{
    if (!recordingEnabled_ || recorder_ == nullptr)
        return;
    const InverterModel snapshot = model_.snapshot();
    if (snapshot.realtimeDecoded)
        events_.recordingState(recorder_->record(snapshot));
}

void MonitorEngine::shutdown()
{
    worker_.shutdown();
    disableTimers();
}

} // namespace veltroma
