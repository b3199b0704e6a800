#pragma once

#include <QObject>
#include <QTimer>

#include <array>

namespace veltroma {

// Three independent timers whose events arrive on the thread that owns the object (the
// user-interface thread). Enabling a timer that already runs leaves its period alone, so a
// caller may enable it on every pass. The setters may be called from any thread.
// A timer does not fire again while the handler of its previous event is still running
// (for instance inside a message box): events never pile up on each other.
class CiThreadTimersX : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimerCount = 3;

    explicit CiThreadTimersX(QObject* parent = nullptr);

    void SetEnabled1(bool enabled) { setEnabled(0, enabled); }
    void SetEnabled2(bool enabled) { setEnabled(1, enabled); }
    void SetEnabled3(bool enabled) { setEnabled(2, enabled); }
    void SetInterval1(int ms) { setInterval(0, ms); }
    void SetInterval2(int ms) { setInterval(1, ms); }
    void SetInterval3(int ms) { setInterval(2, ms); }

    // Timer `index` is 0, 1 or 2 for timers 1, 2 and 3.
    [[nodiscard]] bool enabled(int index) const;
    [[nodiscard]] int interval(int index) const;

signals:
    void timer1();
    void timer2();
    void timer3();

private:
    void setEnabled(int index, bool enabled);
    void setInterval(int index, int ms);
    void fire(int index);

    struct Slot {
        QTimer* timer = nullptr;
        bool enabled = false;
    };
    std::array<Slot, kTimerCount> slots_;
};

} // namespace veltroma
