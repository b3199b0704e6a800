#pragma once

#include "channel/Channel.h"
#include "publish/MqttSettings.h"
#include "update/UpdateHost.h"
#include "web/WebServerSettings.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace veltroma {

class CMainFrame;
class Clock;
class MonitorSession;
class MqttPublisher;
struct MqttStart;
class Prompt;
class QtScheduleTimers;
class UpdateChecker;
class WebServer;
struct WebStart;

// The application object: it owns the prompt, the channel with its serial port, the
// monitoring session on that channel, the update checker, the publisher of the live values,
// the web view and the main window, and runs the start and the end of the program.
class CDesignApp {
public:
    struct Options {
        QString home;                                // --home; empty: the executable's folder
        UpdateHost updateHost = defaultUpdateHost(); // --update-host
        std::optional<MqttHost> mqttHost = {};       // --mqtt; else the broker of setting.ini
        std::optional<WebListen> webListen = {};     // --web; else Listen of [Web] in setting.ini
        QString port = {};                           // --port; else CommNum of setting.ini
        bool savePort = false;                       // --save: store `port` as CommNum
        // The local time the monitor stamps its values and record rows with.
        std::function<QDateTime()> wallClock = [] { return QDateTime::currentDateTime(); };
    };

    using DocumentOpener = std::function<bool(const QUrl&)>;
    using Quit = std::function<void(int exitCode)>;

    CDesignApp(Options options, std::unique_ptr<Prompt> prompt, Clock& clock);
    ~CDesignApp();

    CDesignApp(const CDesignApp&) = delete;
    CDesignApp& operator=(const CDesignApp&) = delete;

    // Start-up: the main window runs the start dialog and builds itself, the publisher starts
    // when a broker is configured and the web view when an address is, the session starts and
    // the window shows; a refused MQTT prefix or a password that would travel unencrypted is
    // then said in one message, and a web view that could not start or is open to the network
    // without a password in another. False when the start dialog was cancelled: no window is
    // left and the program ends with 0.
    bool InitInstance();

    // The orderly end after the exit question: the port is closed and the event loop ends
    // with exit code 0.
    void ExitProgram();

    // The shell's "open" of a document with its viewer; false when that failed.
    bool OpenDocument(const QString& path) const;

    [[nodiscard]] Channel& channel() { return m_channel; }
    [[nodiscard]] Prompt& prompt() { return *m_prompt; }
    [[nodiscard]] Clock& clock() { return m_clock; }
    [[nodiscard]] const Options& options() const { return m_options; }
    // The program folder, ending with "/".
    [[nodiscard]] const QString& programFolder() const { return m_programFolder; }
    [[nodiscard]] CMainFrame* GetMainWnd() const { return m_pMainWnd.get(); }
    [[nodiscard]] MonitorSession& session() { return *m_session; }
    [[nodiscard]] UpdateChecker& updater() { return *m_updater; }
    // The publisher of the live values; none when no broker is configured or its prefix
    // was refused.
    [[nodiscard]] const MqttPublisher* publisher() const { return m_publisher.get(); }
    // The web view's server; none when no address is configured or it could not start.
    [[nodiscard]] const WebServer* webServer() const { return m_webServer.get(); }

    // For tests and embedding: how documents are opened and how the event loop is ended.
    void setDocumentOpener(DocumentOpener opener) { m_openDocument = std::move(opener); }
    void setQuit(Quit quit) { m_quit = std::move(quit); }

private:
    // One message for a refused prefix, or else for a password that travels unencrypted.
    void tellMqttStart(const MqttStart& mqtt);
    // One message for a web view that could not start, or else for one open to the network
    // without a password.
    void tellWebStart(const WebStart& web);

    Options m_options;
    QString m_programFolder;
    Clock& m_clock;
    std::unique_ptr<Prompt> m_prompt;
    Channel m_channel;
    std::unique_ptr<QtScheduleTimers> m_timers;
    std::unique_ptr<MonitorSession> m_session;
    std::unique_ptr<UpdateChecker> m_updater;
    std::unique_ptr<MqttPublisher> m_publisher;
    // After the publisher, whose counters it shows, and the session it serves: it goes first.
    std::unique_ptr<WebServer> m_webServer;
    DocumentOpener m_openDocument;
    Quit m_quit;
    // Last, so that the window and the monitor form go before the channel they talk through.
    std::unique_ptr<CMainFrame> m_pMainWnd;
};

} // namespace veltroma
