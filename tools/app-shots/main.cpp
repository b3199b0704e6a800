// Pictures of the program's own windows, rendered as the program shows them.
//
//   veltroma-app-shots start-dialog HOME OUT.png [LANGUAGE]
//       the start dialog for the program folder HOME, in LANGUAGE or the stored language
//   veltroma-app-shots record-day HOME YYYY-MM-DD
//       writes a recorded day into HOME's month file
//   veltroma-app-shots window HOME OUT.png [--connect] [--history YYYY-MM-DD] [--mode N] [--wait S]
//                                          [--clock HH:MM SCALE] [--fill-plot DAYS] [--live S]
//       the main window after OK in the start dialog: --connect switches the connection on,
//       --history shows that day in history review, --mode N turns the mode switch to
//       position N (0 realtime .. 4 debug); the picture is taken S seconds later.
//       --clock runs the program's clock from HH:MM today, SCALE times faster, in step with a
//       simulated inverter started with the same time and scale. --fill-plot fills the
//       realtime plot with DAYS days of one-second points first; --live keeps the connection
//       on for S seconds, then switches it off before the mode is turned.
//   veltroma-app-shots dialogs HOME OUTDIR
//       the service dialogs over the main window, connected to the inverter of HOME's port,
//       each after its first exchange with it: grid-parameters.png, display-parameters.png,
//       manual-test.png, auto-test.png, password.png and comm-settings.png in OUTDIR
#include "ShotSupport.h"

#include "app/shell/AppStartup.h"
#include "app/shell/ComCfgDlg.h"
#include "app/shell/DesignApp.h"
#include "app/shell/InitDlg.h"
#include "app/shell/MainFrame.h"
#include "base/Clock.h"
#include "channel/Channel.h"
#include "cli/ProgramStartup.h"
#include "config/LanguageSettings.h"
#include "controls/BitButtonNL.h"
#include "instruments/CiLedRectangleX.h"
#include "instruments/CiPlotX.h"
#include "instruments/CiSwitchLedX.h"
#include "instruments/CiSwitchRotaryX.h"
#include "instruments/DayValue.h"
#include "monitor/ConsolePrompt.h"
#include "params/DialogChannel.h"
#include "params/ParaSet.h"
#include "params/ParaSet2.h"
#include "service/access/Password.h"
#include "service/autotest/CTestView.h"
#include "service/manual/CInputSerial.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <memory>

namespace {

using namespace veltroma;

// Positions of the form's mode switch.
constexpr int kHistoryReviewMode = 2;
constexpr int kLastMode = 4;

int usage()
{
    std::fputs("usage: veltroma-app-shots start-dialog HOME OUT.png [LANGUAGE]\n"
               "       veltroma-app-shots record-day HOME YYYY-MM-DD\n"
               "       veltroma-app-shots window HOME OUT.png [--connect] [--history YYYY-MM-DD] "
               "[--mode N] [--wait SECONDS] [--clock HH:MM SCALE] [--fill-plot DAYS] [--live S]\n"
               "       veltroma-app-shots dialogs HOME OUTDIR\n",
               stderr);
    return 2;
}

int startDialog(const QString& home, const QString& out, const QString& language)
{
    ConsolePrompt prompt(stderr);
    Channel channel(steadyClock(), prompt);
    if (const ProgramStart start = startProgram(home, &channel); start.failure) {
        std::fprintf(stderr, "%s\n", qPrintable(*start.failure));
        return 1;
    }
    // A first start falls back to English; the language given is taken as a click would.
    if (!language.isEmpty())
        LoadSet(language, LoadSetMode::Language);
    CInitDlg dialog;
    dialog.show();
    shots::Wait(200);
    return shots::Save(dialog, out) ? 0 : 1;
}

void clickCentre(QWidget& widget)
{
    const QPointF centre = QRectF(widget.rect()).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, centre, widget.mapToGlobal(centre), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {});
        QApplication::sendEvent(&widget, &event);
    }
}

// Turns the mode switch as the arrow key does; false when a turn was refused (the question
// on leaving a live connection was answered No).
bool turnRotaryTo(CiSwitchRotaryX& rotary, int position)
{
    while (rotary.GetPosition() < position) {
        const int before = rotary.GetPosition();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Right, {});
        QApplication::sendEvent(&rotary, &key);
        if (rotary.GetPosition() == before)
            return false;
    }
    return true;
}

// Starts the program as a user does who answers the start dialog with OK.
bool startWithOk(CDesignApp& app)
{
    shots::WhenModal([](QWidget& start) {
        if (auto* dialog = qobject_cast<CInitDlg*>(&start))
            dialog->OkButton()->click();
    });
    return !startApplication(app).has_value();
}

// The plot as weeks of running leave it: one point a second on all nine channels for the
// `days` before `now`.
void fillPlot(CiPlotX& plot, int days, const QDateTime& now)
{
    const double end = dayValueFrom(now);
    const long seconds = long(std::max(days, 0)) * 86400;
    for (long second = seconds; second > 0; --second) {
        const double at = end - double(second) / 86400.0;
        const double daylight = std::max(0.0, std::sin(2 * std::numbers::pi * (at - std::floor(at) - 0.25)));
        for (int c = 0; c < CiPlotX::kChannelCount; ++c)
            plot.GetChannel(c)->AddXY(at, (c + 1) * 100.0 * daylight);
    }
}

int window(const QString& home, const QString& out, const QStringList& options)
{
    const bool connectLink = options.contains(QStringLiteral("--connect"));
    const qsizetype historyAt = options.indexOf(QStringLiteral("--history"));
    const qsizetype waitAt = options.indexOf(QStringLiteral("--wait"));
    const qsizetype modeAt = options.indexOf(QStringLiteral("--mode"));
    const int mode = modeAt >= 0 ? options.value(modeAt + 1).toInt() : 0;
    const QDate historyDay = historyAt >= 0 && historyAt + 1 < options.size()
        ? QDate::fromString(options[historyAt + 1], Qt::ISODate)
        : QDate();
    const int waitSeconds = waitAt >= 0 && waitAt + 1 < options.size() ? options[waitAt + 1].toInt() : 3;
    if ((historyAt >= 0 && !historyDay.isValid()) || mode < 0 || mode > kLastMode)
        return usage();

    CDesignApp::Options appOptions{home, defaultUpdateHost()};
    if (const qsizetype clockAt = options.indexOf(QStringLiteral("--clock")); clockAt >= 0) {
        const QTime start = QTime::fromString(options.value(clockAt + 1), QStringLiteral("H:mm"));
        const double scale = options.value(clockAt + 2).toDouble();
        if (!start.isValid() || scale <= 0)
            return usage();
        const QDateTime origin(QDate::currentDate(), start);
        auto elapsed = std::make_shared<QElapsedTimer>();
        elapsed->start();
        appOptions.wallClock = [origin, scale, elapsed] {
            return origin.addMSecs(static_cast<qint64>(static_cast<double>(elapsed->elapsed()) * scale));
        };
    }
    CDesignApp app(appOptions, std::make_unique<ConsolePrompt>(stderr), steadyClock());
    if (!startWithOk(app))
        return 1;
    CMainFrame& frame = *app.GetMainWnd();
    shots::Wait(1500);

    auto* connectSwitch = frame.findChild<CiSwitchLedX*>(QStringLiteral("m_iSwitchLedX0"));
    auto* curveSwitch = frame.findChild<CiSwitchLedX*>(QStringLiteral("m_iSwitchLedX1"));
    if (connectSwitch == nullptr || curveSwitch == nullptr)
        return 1;
    if (const qsizetype fillAt = options.indexOf(QStringLiteral("--fill-plot")); fillAt >= 0) {
        auto* plot = frame.findChild<CiPlotX*>(QStringLiteral("m_iPlotX"));
        if (plot == nullptr)
            return 1;
        fillPlot(*plot, options.value(fillAt + 1).toInt(),
                 appOptions.wallClock ? appOptions.wallClock() : QDateTime::currentDateTime());
    }
    if (connectLink) {
        clickCentre(*connectSwitch);
        shots::Wait(1000);
    }
    auto* rotary = frame.findChild<CiSwitchRotaryX*>(QStringLiteral("m_iSwitchRotaryX1"));
    if (rotary == nullptr)
        return 1;
    // Some seconds of live values before another mode, switched off first as a user does, so
    // the mode switch asks nothing.
    if (const qsizetype liveAt = options.indexOf(QStringLiteral("--live")); liveAt >= 0 && connectLink) {
        if (!curveSwitch->GetActive())
            clickCentre(*curveSwitch);
        shots::Wait(options.value(liveAt + 1).toInt() * 1000);
        clickCentre(*connectSwitch);
        shots::Wait(500);
    }
    if (historyDay.isValid()) {
        auto* picker = frame.findChild<QDateEdit*>(QStringLiteral("m_graphtime"));
        if (picker == nullptr)
            return 1;
        if (!turnRotaryTo(*rotary, kHistoryReviewMode))
            return 1;
        picker->setDate(historyDay);
    } else if (mode > 0 && !turnRotaryTo(*rotary, mode)) {
        return 1;
    }
    // The inverter's own switch shows its curve; a registration has switched it on already.
    if (!curveSwitch->GetActive())
        clickCentre(*curveSwitch);
    shots::Wait(waitSeconds * 1000);
    // The lamps blink once a second: the picture shows them lit.
    if (auto* lamp = frame.findChild<CiLedRectangleX*>(QStringLiteral("m_iLedRectangleX1"))) {
        for (int i = 0; i < 30 && !lamp->GetActive(); ++i)
            shots::Wait(50);
    }
    // In history review the user zooms into the recorded day, as the form lets the mouse do.
    if (historyDay.isValid())
        shots::ZoomToData(frame);
    const bool saved = shots::Save(frame, out);
    app.channel().m_Port.close();
    return saved ? 0 : 1;
}

// Shows `dialog` over the main window, lets `prepare` fill it, and saves its picture.
bool shootDialog(QDialog& dialog, const QString& path, const std::function<void()>& prepare = {})
{
    dialog.show();
    shots::Wait(300);
    if (prepare)
        prepare();
    shots::Wait(300);
    const bool saved = shots::Save(dialog, path);
    dialog.reject();
    return saved;
}

int dialogs(const QString& home, const QString& outFolder)
{
    CDesignApp app({home, defaultUpdateHost()}, std::make_unique<ConsolePrompt>(stderr),
                   steadyClock());
    if (!startWithOk(app))
        return 1;
    CMainFrame& frame = *app.GetMainWnd();
    shots::Wait(500);
    // The inverter answers its parameter requests once it has been registered at address 1.
    auto* connectSwitch = frame.findChild<CiSwitchLedX*>(QStringLiteral("m_iSwitchLedX0"));
    if (connectSwitch == nullptr)
        return 1;
    clickCentre(*connectSwitch);
    shots::Wait(3000);
    const QDir out(outFolder);
    bool saved = true;

    CParaSet grid(dialogChannel(app.channel()), app.prompt(), 1, &frame);
    saved &= shootDialog(grid, out.filePath(QStringLiteral("grid-parameters.png")),
                         [&] { grid.uploadButton().click(); });

    CParaSet2 display(dialogChannel(app.channel()), app.prompt(), &frame);
    saved &= shootDialog(display, out.filePath(QStringLiteral("display-parameters.png")),
                         [&] { display.uploadButton().click(); });

    {
        CInputSerial manual(app.prompt(), app.channel(), steadyClock(), &frame);
        saved &= shootDialog(manual, out.filePath(QStringLiteral("manual-test.png")), [&] {
            manual.serialEntry()->setText(QStringLiteral("VT24000123"));
            shots::Wait(2500);
        });
    }

    CTestView test(app.prompt(), &frame);
    saved &= shootDialog(test, out.filePath(QStringLiteral("auto-test.png")));

    CPassword password(&frame);
    password.m_pass = QStringLiteral(" ");
    saved &= shootDialog(password, out.filePath(QStringLiteral("password.png")));

    CComCfgDlg settings(app.channel(), app.prompt(), &frame);
    saved &= shootDialog(settings, out.filePath(QStringLiteral("comm-settings.png")));

    app.channel().m_Port.close();
    return saved ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4)
        return usage();
    const QString& mode = args[1];
    const QString home = args[2];
    if (mode == u"start-dialog")
        return startDialog(home, args[3], args.value(4));
    if (mode == u"record-day") {
        const QDate day = QDate::fromString(args[3], Qt::ISODate);
        if (!day.isValid())
            return usage();
        // The paths and the language, for the state texts, as the program sets them up.
        const ProgramStart start = startProgram(home);
        return !start.failure && shots::RecordDay(start.folder, day) ? 0 : 1;
    }
    if (mode == u"window")
        return window(home, args[3], args.mid(4));
    if (mode == u"dialogs")
        return dialogs(home, args[3]);
    return usage();
}
