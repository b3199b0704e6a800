#pragma once

#include <atomic>
#include <functional>

namespace veltroma {

// The link watchdog: a 500 ms tick on the user-interface thread that declares the link lost
// when no validated reply has come for 40 ticks. Armed when the connection is switched on,
// so a link on which nothing ever answers is declared lost too; enabled again by a validated
// reply; disabled by a declared loss and by the modes and refreshes that stop listening.
class Watchdog {
public:
    using Event = std::function<void()>;

    Watchdog() = default;

    // Any thread, for every validated reply: marks the link alive and enables the watchdog.
    void markAlive();
    // User-interface thread, when the connection is switched on: counts from now on.
    void arm();
    // User-interface thread, every 500 ms; does nothing while disabled.
    void tick();
    void disable();

    // Called from tick(): the link is declared lost, or a validated reply came after a loss.
    void onLost(Event event) { onLost_ = std::move(event); }
    void onBack(Event event) { onBack_ = std::move(event); }

    [[nodiscard]] bool enabled() const { return enabled_.load(); }
    [[nodiscard]] int CommunicationOkFlg() const { return CommunicationOkFlg_.load(); }
    [[nodiscard]] int iCommunicationNoOkCount() const { return iCommunicationNoOkCount_; }
    // True from a declared loss until a validated reply has come again.
    [[nodiscard]] bool lost() const { return lost_; }

private:
    static constexpr int kLostCount = 40;

    std::atomic<int> CommunicationOkFlg_{0};
    std::atomic<bool> enabled_{false};
    int iCommunicationNoOkCount_ = 0;
    bool lost_ = false;
    Event onLost_;
    Event onBack_;
};

} // namespace veltroma
