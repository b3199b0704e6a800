#pragma once

#include "app/view/MonitorView.h"
#include "app/view/MonitorViewActions.h"
#include "config/EmbeddedFiles.h"
#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "support/ScriptedPrompt.h"
#include "support/VirtualTimers.h"

#include <QDateTime>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>
#include <ostream>
#include <vector>

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace veltroma::test {

// Counts what the form hands its owner.
struct RecordingActions final : MonitorViewActions {
    void OnSelectCom() override { ++selectCom; }
    void OnHelp() override { ++help; }
    void OnTest() override { ++test; }
    void OnRocker(int slot) override { rockers.push_back(slot); }
    void OnUpdateSoftware() override { ++update; }

    int update = 0;
    int selectCom = 0;
    int help = 0;
    int test = 0;
    std::vector<int> rockers;
};

// A progress dialog without a window: it records what the refresh sends it, and while it is
// "shown" it runs an event loop, as a modal dialog does, until it is closed.
struct RecordingProgress final : RegistrationProgress {
    void setRange(unsigned maximum) override { ranges.push_back(maximum); }
    void setPosition(unsigned position) override { positions.push_back(position); }
    void close() override
    {
        ++closes;
        loop.quit();
    }
    void showModal() override
    {
        ++shown;
        // A dialog that never closes would hang the test; a real one would not time out.
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
    }

    QEventLoop loop;
    int shown = 0;
    int closes = 0;
    std::vector<unsigned> ranges;
    std::vector<unsigned> positions;
};

// The program's English language file, written into `folder`, for the form's captions.
inline void useEnglish(const QString& folder)
{
    const QString path = folder + QStringLiteral("english.ini");
    if (MakeResource(62, path))
        setLanguagePath(path);
}

// A form in an empty program folder, presenting a session as the application owns one. The
// session's timers run in virtual time (nothing fires until the test advances them or calls a
// tick), or as the event loop's timers with the given intervals. The bus carries `inverters`
// (by default the one inverter).
struct ViewHarness {
    ViewHarness(ByteLink& link, Clock& clock, RegistrationProgress* progress = nullptr,
                std::optional<EngineTimerIntervals> loopTimers = std::nullopt,
                InverterSlots inverters = {})
    {
        useEnglish(folder());
        const QDateTime now(QDate(2011, 5, 7), QTime(12, 0, 0));
        const auto wallClock = [now] { return now; };
        ScheduleTimers& chosen = loopTimers ? static_cast<ScheduleTimers&>(qtTimers)
                                            : static_cast<ScheduleTimers&>(timers);
        session = std::make_unique<MonitorSession>(MonitorSession::Setup{
            link, clock, chosen, folder(), g_LoadString, wallClock, {},
            loopTimers.value_or(EngineTimerIntervals{}), nullptr, std::move(inverters)});
        view = std::make_unique<CMonitorView>(CMonitorView::Setup{
            *session, prompt, actions, progress, g_LoadString, wallClock,
            [] { return QStringLiteral("COM1"); }});
        session->start(MonitorSession::FirstRefresh::AfterOnePeriod);
        view->resize(view->sizeHint());
        view->show();
    }

    ~ViewHarness()
    {
        session->stop();
        view.reset();
    }

    // The once-a-second refresh, the engine's part and the form's.
    void refresh() const { session->schedule().refreshTick(); }
    // One watchdog tick, as its timer gives it.
    void watchdogTick() const { session->schedule().watchdogTick(); }
    [[nodiscard]] const EngineSchedule& schedule() const { return session->schedule(); }

    // Runs the event loop until no history read runs any more: its points plotted, its
    // messages shown, its thread ended. False after 30 s.
    [[nodiscard]] bool historyRead() const
    {
        return QTest::qWaitFor([this] { return view->history().readingThreads() == 0; }, 30000);
    }

    template <typename T>
    T* find(const char* name) const
    {
        return view->findChild<T*>(QString::fromLatin1(name));
    }

    QString folder() const { return home.path() + QLatin1Char('/'); }

    QTemporaryDir home;
    ScriptedPrompt prompt;
    RecordingActions actions;
    VirtualTimers timers;
    QtScheduleTimers qtTimers;
    std::unique_ptr<MonitorSession> session;
    std::unique_ptr<CMonitorView> view;
};

} // namespace veltroma::test
