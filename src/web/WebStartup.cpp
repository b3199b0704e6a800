#include "web/WebStartup.h"

#include "config/ProfileFile.h"
#include "monitor/HeadlessLog.h"
#include "web/WebPages.h"

#include <cstdio>
#include <memory>

namespace veltroma {

WebContent sessionWebContent(MonitorSession& session, WebHub::Setup setup)
{
    if (!setup.pages) {
        // Texts from the program folder's language files, read at each request as the program
        // reads its own.
        setup.pages = [pages = std::make_shared<const WebPages>()](const WebRequest& request) {
            return pages->respond(request);
        };
    }
    auto hub = std::make_unique<WebHub>(session, std::move(setup));
    WebHub* answering = hub.get();
    WebContent content;
    content.respond = [answering](const WebRequest& request) { return answering->respond(request); };
    content.replay = [answering](std::optional<quint64> lastId) { return answering->streamStart(lastId); };
    content.connectEvents = [answering](WebServer& server) {
        QObject::connect(answering, &WebHub::serverSentEvent, &server, &WebServer::broadcast);
    };
    content.owner = std::move(hub);
    return content;
}

LoadedWebSettings effectiveWebSettings(const QString& settingPath,
                                       const std::optional<WebListen>& commandLine)
{
    LoadedWebSettings loaded = loadWebServerSettings(ProfileFile(settingPath));
    if (commandLine) {
        loaded.settings.listen = commandLine;
        loaded.problem.reset();
    }
    return loaded;
}

WebStart startWebServer(const LoadedWebSettings& loaded, const std::function<WebContent()>& makeContent)
{
    WebStart start;
    start.settings = loaded.settings;
    if (loaded.problem) {
        start.failure = loaded.problem;
        return start;
    }
    if (!start.settings.enabled())
        return start;
    WebContent content = makeContent();
    auto server = std::make_unique<WebServer>(start.settings, std::move(content.respond),
                                              std::move(content.replay));
    if (content.owner)
        content.owner.release()->setParent(server.get());
    if (auto failure = server->listen()) {
        start.failure = std::move(failure);
        return start;
    }
    if (content.connectEvents)
        content.connectEvents(*server);
    start.openWithoutPassword =
        !isLoopbackHost(start.settings.listen->host) && start.settings.password.isEmpty();
    start.server = std::move(server);
    return start;
}

HeadlessExtra startHeadlessWeb(MonitorSession& session, const QString& settingPath,
                               const std::optional<WebListen>& commandLine,
                               const WebContentFactory& makeContent)
{
    WebStart start = startWebServer(effectiveWebSettings(settingPath, commandLine),
                                    [&] { return makeContent(session); });
    if (start.failure)
        printEventLine(stderr, QStringLiteral("web view off: %1").arg(*start.failure));
    if (!start.server)
        return {};
    printEventLine(stderr, QStringLiteral("web view on %1").arg(start.server->url()));
    if (start.openWithoutPassword)
        printEventLine(stderr, webOpenWarning(listenText(*start.settings.listen)));
    return {std::move(start.server), {}};
}

QString webOpenWarning(const QString& listen)
{
    return QStringLiteral("web warning: the web view listens on %1 without a password, so anyone "
                          "who reaches this machine sees it; set Password in [Web] or listen on "
                          "127.0.0.1")
        .arg(listen);
}

} // namespace veltroma
