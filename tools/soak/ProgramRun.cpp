#include "ProgramRun.h"

namespace veltroma::soak {

ProgramRun::ProgramRun(Setup setup)
    : timers_(setup.clock),
      // The run's folder has no language files: texts stand as their keys, which the
      // rows carry just the same.
      session_({setup.link, setup.clock, timers_, setup.programFolder,
                [](const QString& key) { return key; }, std::move(setup.wallClock),
                QStringLiteral("the simulated line"), {}, &setup.recorder,
                std::move(setup.inverters)})
{
    // No context object: each count is taken on the thread that reports it.
    QObject::connect(&session_.events(), &EngineEvents::linkStateChanged,
                     [this](const LinkState& state) {
                         if (state.lost())
                             ++losses_;
                     });
    QObject::connect(&session_.events(), &EngineEvents::recordingState,
                     [this](const RecordingState& state) {
                         if (state.failing && !recordingFailing_)
                             ++recordingFailures_;
                         recordingFailing_ = state.failing;
                     });
    QObject::connect(&session_.events(), &EngineEvents::slotLost, [this](int slot) {
        if (isSlot(slot))
            ++slotLosses_[std::size_t(slot)];
    });
    QObject::connect(&session_.events(), &EngineEvents::registered,
                     [this](int slot, const QString&) {
                         if (isSlot(slot))
                             ++assignments_[std::size_t(slot)];
                     });
}

ProgramRun::~ProgramRun()
{
    stop();
}

} // namespace veltroma::soak
