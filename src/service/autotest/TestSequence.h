#pragma once

#include <QDateTime>
#include <QString>

#include <array>
#include <cstddef>

namespace veltroma {

// The steps of the auto test, in the order of their buttons. Only the first two do anything
// in this program; the others stay disabled.
enum class TestStep {
    DeviceBar,
    Comm,
    Di,
    Store1,
    Do,
    Store2,
    ZeroUpDown,
    Ai,
    GetBackValue,
};

inline constexpr std::array kTestSteps{
    TestStep::DeviceBar, TestStep::Comm,       TestStep::Di, TestStep::Store1,
    TestStep::Do,        TestStep::Store2,     TestStep::ZeroUpDown,
    TestStep::Ai,        TestStep::GetBackValue};

// Which step may run next and what the report says: the bar-code step, then the
// communication-test step, which writes the report header; then nothing.
class TestSequence {
public:
    [[nodiscard]] bool isEnabled(TestStep step) const;

    // The bar-code step: every step is off while its dialog runs; afterwards the
    // communication test is available, whatever the dialog ended with.
    void beginDeviceBar();
    void endDeviceBar();

    // The communication test starts: returns the whole report, which is the header for the
    // bar code entered last and the start time `now`.
    QString OnTestComm(const QDateTime& now, const QString& testBar);

    [[nodiscard]] bool inProgress() const { return InProgressFlg != 0; }
    [[nodiscard]] const QString& startTime() const { return TimeStr; }

private:
    // At first only the bar-code step.
    std::array<bool, kTestSteps.size()> m_enabled{true};
    int InProgressFlg = 0;
    // The tester's name; nothing in this program sets it.
    QString TestName;
    QString TimeStr;
};

// The bar code entered last in the bar-code dialog, kept for the whole run (user-interface
// thread only).
[[nodiscard]] QString TestBar();
void setTestBar(const QString& barCode);

} // namespace veltroma
