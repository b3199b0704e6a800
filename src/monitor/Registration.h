#pragma once

#include "monitor/EngineLink.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <random>
#include <span>
#include <vector>

namespace veltroma {

class BusSlots;
class DisplayUpdates;
class SharedModel;
class Watchdog;

// The registration progress dialog as the refresh drives it.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    virtual void setRange(unsigned maximum) = 0;
    virtual void setPosition(unsigned position) = 0;
    virtual void close() = 0;
};

// Gives the inverters on the link their bus addresses. The whole registration (when the
// connection is switched on or off) clears every address, assigns the slots whose serial
// number is known directly, and fills the free slots by query: the inverter without an address
// answers with its serial and is assigned the next free slot. With several inverters a found
// serial is confirmed by a realtime poll to its new address and then kept in setting.ini;
// with one inverter (Count 1) nothing is kept and the frames are those of a single inverter:
// clear, query, assignment of address 1.
//
// Runs off the user-interface thread (the switch's own thread or the worker between two
// cycles), under the link lock for each unit. Also counts the ten seconds of registration
// progress on the once-a-second refresh (user-interface thread).
class Registration {
public:
    // A slot given its address, with its inverter's serial number.
    struct Registered {
        int slot = 0;
        QString serial;
    };
    using Confirm = std::function<bool(int slot)>;
    using KeepSerial = std::function<bool(int slot, const QString& serial)>;
    // Unaddressed inverters whose replies collided this many times in a row end the search.
    static constexpr int kCollisionsGivingUp = 3;

    Registration(EngineLink& link, EngineFlags& flags, SharedModel& model, DisplayUpdates& display,
                 Watchdog& watchdog, BusSlots& busSlots);

    // `confirm` polls the realtime block of a slot (link lock held); `keep` writes a confirmed
    // serial into setting.ini. Set before the first registration.
    void setConfirm(Confirm confirm) { confirm_ = std::move(confirm); }
    void setKeepSerial(KeepSerial keep) { keep_ = std::move(keep); }

    void setProgressDisplay(ProgressDisplay* progress) { progress_ = progress; }

    // The whole registration as one unit on the link: ClearRegM, a 20 ms pause, the known
    // slots assigned, the free ones searched. Returns the slots given their address.
    std::vector<Registered> Register();
    // Assigns the given known slots again by serial, without a clear (the others keep their
    // addresses); returns those whose inverter acknowledged.
    std::vector<Registered> reassign(const std::vector<int>& knownSlots);
    // Searches the free slots by query, without a clear.
    std::vector<Registered> search();
    // True once, after a search gave up because several inverters answered at once.
    [[nodiscard]] bool takeGaveUp() { return gaveUp_.exchange(false); }
    // Any thread, at the end of the program: a registration in progress stops before its
    // next frame.
    void stop() { stopping_ = true; }

    // The progress count starts (the switch went on with the channel open).
    void startProgress() { RegistStartFlg_ = 1; }
    // The progress dialog has returned: the count starts again from 0.
    void progressClosed() { CurPos_ = 0; }
    // Once a second, from the display refresh, in every mode.
    void RegistProgressBar();

    [[nodiscard]] int RegistStartFlg() const { return RegistStartFlg_; }

private:
    // Two broadcasts that clear all bus addresses, 22 ms after each.
    void ClearRegM();
    // Link lock held: queries until no free slot is left, nothing answers, or the answers
    // keep colliding.
    void searchLocked(std::vector<Registered>& found);
    // Link lock held: the assignment of `slot`'s address to `serial`; true when anything
    // answered it (the acknowledgement is not a frame and is not looked at further).
    bool assign(int slot, std::span<const std::uint8_t> serial);
    // Link lock held: the known slot's serial assigned again; true when acknowledged.
    bool assignKnown(int slot, std::vector<Registered>& registered);
    void showSerial(int slot, const QString& serial);
    void pauseAfterCollision();

    EngineLink& link_;
    EngineFlags& flags_;
    SharedModel& model_;
    DisplayUpdates& display_;
    Watchdog& watchdog_;
    BusSlots& busSlots_;
    Confirm confirm_;
    KeepSerial keep_;
    std::minstd_rand random_{std::random_device{}()};
    ProgressDisplay* progress_ = nullptr;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> gaveUp_{false};
    int RegistStartFlg_ = 0;
    unsigned CurPos_ = 0;
    unsigned m_Range_ = 100;
};

} // namespace veltroma
