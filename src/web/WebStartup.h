#pragma once

#include "monitor/RunHeadless.h"
#include "web/HttpServerAdapter.h"
#include "web/WebHub.h"
#include "web/WebServerSettings.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace veltroma {

class MonitorSession;

// What the web view serves: the answers, the events still held, and the source of new ones.
struct WebContent {
    WebServer::Responder respond;
    WebServer::Replay replay;
    // Connects the source of new events to the server's broadcast slot; none: no live events.
    std::function<void(WebServer& server)> connectEvents;
    // What the functions above use; it goes after the server, which is handed it.
    std::unique_ptr<QObject> owner;
};
// Makes the content for the session (on the session's thread), once a server is to start.
using WebContentFactory = std::function<WebContent(MonitorSession& session)>;

// The web view of a running session: a hub made on the session's thread, whose answers, held
// events and new events the server serves. Without pages in `setup`, the hub serves WebPages.
[[nodiscard]] WebContent sessionWebContent(MonitorSession& session, WebHub::Setup setup);

// The [Web] section of the settings file at `settingPath`; the address of --web, when there is
// one, overrides its Listen (and a Listen it replaces is no problem then).
[[nodiscard]] LoadedWebSettings effectiveWebSettings(const QString& settingPath,
                                                     const std::optional<WebListen>& commandLine);

// What the start of the web view came to.
struct WebStart {
    WebServerSettings settings;        // as in effect, the address of --web included
    std::unique_ptr<WebServer> server; // listening; none: no address, or it could not start
    std::optional<QString> failure;    // why there is none although an address was asked for
    bool openWithoutPassword = false;  // listens beyond this machine, and without a password
};

// Starts the server of `loaded` with the content `makeContent` makes (called only when there is
// an address to listen on). A server that cannot listen is no server, with the reason. Runs on
// the session's thread, where the server then lives.
[[nodiscard]] WebStart startWebServer(const LoadedWebSettings& loaded,
                                      const std::function<WebContent()>& makeContent);

// The same for the headless logger, which says on standard error in one line each where the
// web view is, why there is none, and that it is open to the network without a password.
[[nodiscard]] HeadlessExtra startHeadlessWeb(MonitorSession& session, const QString& settingPath,
                                             const std::optional<WebListen>& commandLine,
                                             const WebContentFactory& makeContent);

// The logger's warning for a web view anyone on the network can see; `listen` as listenText.
[[nodiscard]] QString webOpenWarning(const QString& listen);

} // namespace veltroma
