#pragma once

#include "app/view/MonitorView.h"
#include "app/view/MonitorViewActions.h"
#include "config/EmbeddedFiles.h"
#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "support/ScriptedPrompt.h"

#include <QDateTime>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
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

// Timers that never fire by themselves: the test calls the events.
inline constexpr ViewTimerIntervals kManualTimers{3'600'000, 3'600'000, 3'600'000};

// A form in an empty program folder.
struct ViewHarness {
    ViewHarness(ByteLink& link, Clock& clock, ViewTimerIntervals intervals = kManualTimers,
                RegistrationProgress* progress = nullptr,
                QDateTime now = QDateTime(QDate(2011, 5, 7), QTime(12, 0, 0)))
    {
        useEnglish(folder());
        view = std::make_unique<CMonitorView>(CMonitorView::Setup{
            link, clock, prompt, actions, progress, home.path() + QLatin1Char('/'), g_LoadString,
            [now] { return now; }, UpdateHost{QStringLiteral("127.0.0.1"), 9}, intervals,
            [] { return QStringLiteral("COM1"); }});
        view->resize(view->sizeHint());
        view->show();
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
    std::unique_ptr<CMonitorView> view;
};

} // namespace veltroma::test
