#pragma once

#include "base/Clock.h"
#include "base/Prompt.h"
#include "link/ByteLink.h"
#include "service/manual/RefreshThread.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace veltroma {

// The manual test behind its dialog, on the user-interface thread: checks what the user
// entered, tells them what is wrong through the prompt and queues the orders for the refresh
// thread.
class ManualTest {
public:
    ManualTest(ByteLink& link, Clock& clock, Prompt& prompt, ManualTestDisplay& display);

    // Starts the refresh thread.
    void start() { m_thread.start(); }

    // The Set button of the serial number. False: the entry is not exactly ten characters;
    // the user has been told and nothing is queued.
    bool OnSetSerialNum(const QString& entry);

    // The Set button of the DCI offset. False: the entry is no unsigned number or lies
    // outside 1920 to 2080; the user has been told and nothing is sent.
    bool OnDCIWrite(const QString& entry);

    // Tells the user that a write was not confirmed: what was asked and what came back.
    void showWriteFailure(const WriteFailure& failure);

    // Ends the refresh thread before the dialog goes: waits up to ten seconds running `pump`,
    // then joins it in any case. True when it ended within the bound.
    bool close(const std::function<void()>& pump = {});

    [[nodiscard]] bool isRunning() const { return m_thread.isRunning(); }

    static constexpr std::int64_t kClosingWaitMs = 10000;

private:
    Prompt& m_prompt;
    RefreshThread m_thread;
};

} // namespace veltroma
