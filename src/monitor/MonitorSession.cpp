#include "monitor/MonitorSession.h"

namespace veltroma {

namespace {

Recorder& chosenRecorder(Recorder* given, std::unique_ptr<DailyRecorder>& own,
                         const ReplyDecoder::WallClock& wallClock)
{
    if (given != nullptr)
        return *given;
    own = std::make_unique<DailyRecorder>(wallClock);
    return *own;
}

} // namespace

MonitorSession::MonitorSession(Setup setup, QObject* parent)
    : QObject(parent),
      link_(setup.link),
      programFolder_(setup.programFolder),
      wallClock_(setup.wallClock),
      refreshSource_([] { return RefreshState::Unattended; }),
      engine_({setup.link, setup.clock, display_, setup.programFolder, std::move(setup.loadString),
               setup.wallClock, setup.linkName, std::move(setup.inverters),
               std::move(setup.keepSerial)}),
      saves_(chosenRecorder(setup.recorder, ownRecorder_, setup.wallClock),
             [this](const RecordingState& state) { emit engine_.events().recordingState(state); }),
      schedule_(engine_, setup.timers, setup.intervals, [this] { return refreshSource_(); })
{
    schedule_.onRefresh([this] { emit refreshed(); });
    schedule_.onRecord([this] { recordTick(); });
}

MonitorSession::~MonitorSession()
{
    stop();
}

void MonitorSession::setRefreshSource(EngineSchedule::RefreshSource source)
{
    refreshSource_ = std::move(source);
}

void MonitorSession::setDisplay(DisplayUpdates* display)
{
    display_.setTarget(display);
}

void MonitorSession::start(FirstRefresh first)
{
    const QDateTime now = wallClock_();
    for (int slot = kFirstSlot; slot <= engine_.busSlots().count(); ++slot)
        LoadDataExecute(LoadDataSet(programFolder_, now, slot));
    schedule_.start(first == FirstRefresh::Now);
}

void MonitorSession::stop()
{
    schedule_.stop();
    engine_.shutdown();
    saves_.waitUntilSaved();
}

void MonitorSession::recordTick()
{
    for (InverterModel& row : engine_.rowsToRecord()) {
        const Reading reading = *row.readings[std::size_t(row.recordSlot)];
        saves_.save(std::move(row));
        emit rowRecorded(reading);
    }
}

void MonitorSession::DisplayRelay::setTarget(DisplayUpdates* target)
{
    std::lock_guard lock(mutex_);
    target_ = target;
}

template <typename Call>
void MonitorSession::DisplayRelay::forward(Call call)
{
    std::lock_guard lock(mutex_);
    if (target_ != nullptr)
        call(*target_);
}

void MonitorSession::DisplayRelay::setListText(int row, int column, const QString& text)
{
    forward([&](DisplayUpdates& d) { d.setListText(row, column, text); });
}

void MonitorSession::DisplayRelay::setPowerGauge(double kilowatts, const QString& label)
{
    forward([&](DisplayUpdates& d) { d.setPowerGauge(kilowatts, label); });
}

void MonitorSession::DisplayRelay::setEnergyOdometers(double today, double total)
{
    forward([&](DisplayUpdates& d) { d.setEnergyOdometers(today, total); });
}

void MonitorSession::DisplayRelay::setStateLamp(int slot, ColorRef color, const QString& text)
{
    forward([&](DisplayUpdates& d) { d.setStateLamp(slot, color, text); });
}

void MonitorSession::DisplayRelay::setSlotCaption(int slot, const QString& caption)
{
    forward([&](DisplayUpdates& d) { d.setSlotCaption(slot, caption); });
}

} // namespace veltroma
