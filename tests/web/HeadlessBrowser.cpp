#include "HeadlessBrowser.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

namespace veltroma::test {
namespace {

constexpr int kStartTimeoutMs = 30'000;
constexpr int kViewportHeight = 800;

QString describeException(const QJsonObject& details)
{
    const QJsonObject exception = details.value(QStringLiteral("exception")).toObject();
    const QString description = exception.value(QStringLiteral("description")).toString();
    return description.isEmpty() ? details.value(QStringLiteral("text")).toString() : description;
}

} // namespace

QString HeadlessBrowser::executable()
{
    return QStandardPaths::findExecutable(QStringLiteral("chromium"));
}

HeadlessBrowser::HeadlessBrowser()
{
    QObject::connect(&socket_, &QWebSocket::textMessageReceived, &socket_,
                     [this](const QString& message) { received(message); });
}

HeadlessBrowser::~HeadlessBrowser()
{
    socket_.abort();
    if (process_.state() != QProcess::NotRunning) {
        // Asked to end, the browser ends its helper processes too, before its profile goes.
        process_.terminate();
        if (!process_.waitForFinished(10'000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
}

bool HeadlessBrowser::start()
{
    if (executable().isEmpty()) {
        error_ = QStringLiteral("chromium is not installed");
        return false;
    }
    // Niced: the machine that runs the tests builds at the same time.
    process_.start(QStringLiteral("nice"),
                   {QStringLiteral("-n"), QStringLiteral("10"), executable(), QStringLiteral("--headless"),
                    QStringLiteral("--disable-gpu"), QStringLiteral("--no-sandbox"),
                    QStringLiteral("--no-first-run"), QStringLiteral("--hide-scrollbars"),
                    QStringLiteral("--mute-audio"), QStringLiteral("--remote-debugging-port=0"),
                    QStringLiteral("--user-data-dir=") + profile_.path(), QStringLiteral("about:blank")});
    // The browser names its DevTools address on standard error.
    static const QRegularExpression listening(QStringLiteral("DevTools listening on ws://127\\.0\\.0\\.1:(\\d+)/"));
    QByteArray output;
    int port = 0;
    if (!spinUntil([&] {
            output += process_.readAllStandardError();
            const auto match = listening.match(QString::fromUtf8(output));
            if (match.hasMatch())
                port = match.captured(1).toInt();
            return port != 0 || process_.state() == QProcess::NotRunning;
        }, kStartTimeoutMs) || port == 0) {
        error_ = QStringLiteral("chromium did not start: ") + QString::fromUtf8(output.right(2000));
        return false;
    }

    // The page it opened, and the page's own DevTools socket.
    QNetworkAccessManager network;
    QNetworkReply* list = network.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/json/list").arg(port))));
    spinUntil([&] { return list->isFinished(); }, kStartTimeoutMs);
    QString pageSocket;
    for (const QJsonValue target : QJsonDocument::fromJson(list->readAll()).array()) {
        if (target[QStringLiteral("type")] == QStringLiteral("page"))
            pageSocket = target[QStringLiteral("webSocketDebuggerUrl")].toString();
    }
    list->deleteLater();
    if (pageSocket.isEmpty()) {
        error_ = QStringLiteral("chromium shows no page");
        return false;
    }
    socket_.open(QUrl(pageSocket));
    if (!spinUntil([&] { return socket_.state() == QAbstractSocket::ConnectedState; }, kStartTimeoutMs)) {
        error_ = QStringLiteral("no DevTools connection: ") + socket_.errorString();
        return false;
    }
    for (const char* domain : {"Page.enable", "Runtime.enable", "Log.enable", "Network.enable"}) {
        if (call(QLatin1String(domain)).contains(QStringLiteral("error"))) {
            error_ = QStringLiteral("DevTools refused ") + QLatin1String(domain);
            return false;
        }
    }
    return true;
}

bool HeadlessBrowser::open(const QString& url, int width, const QString& acceptLanguage, int timeoutMs)
{
    call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
         {{QStringLiteral("width"), width}, {QStringLiteral("height"), kViewportHeight},
          {QStringLiteral("deviceScaleFactor"), 1}, {QStringLiteral("mobile"), width < 600}});
    QJsonObject headers;
    if (!acceptLanguage.isEmpty())
        headers.insert(QStringLiteral("Accept-Language"), acceptLanguage);
    call(QStringLiteral("Network.setExtraHTTPHeaders"), {{QStringLiteral("headers"), headers}});
    errors_.clear();
    loaded_ = false;
    const QJsonObject reply = call(QStringLiteral("Page.navigate"), {{QStringLiteral("url"), url}});
    const QString failure = reply[QStringLiteral("result")][QStringLiteral("errorText")].toString();
    if (!failure.isEmpty()) {
        errors_ << QStringLiteral("navigation: ") + failure;
        return false;
    }
    return spinUntil([this] { return loaded_; }, timeoutMs);
}

QJsonValue HeadlessBrowser::evaluate(const QString& expression, int timeoutMs)
{
    const QJsonObject reply = call(QStringLiteral("Runtime.evaluate"),
                                   {{QStringLiteral("expression"), expression},
                                    {QStringLiteral("returnByValue"), true},
                                    {QStringLiteral("awaitPromise"), true}},
                                   timeoutMs);
    const QJsonObject result = reply[QStringLiteral("result")].toObject();
    if (result.contains(QStringLiteral("exceptionDetails")))
        return QJsonValue(QJsonValue::Undefined);
    return result[QStringLiteral("result")][QStringLiteral("value")];
}

bool HeadlessBrowser::waitFor(const QString& expression, int timeoutMs)
{
    const QString truthy = QStringLiteral("!!(%1)").arg(expression);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (evaluate(truthy).toBool())
            return true;
        spinUntil([] { return false; }, 100);
    }
    return false;
}

QByteArray HeadlessBrowser::screenshot()
{
    const QJsonObject metrics = call(QStringLiteral("Page.getLayoutMetrics"));
    const QJsonObject content = metrics[QStringLiteral("result")][QStringLiteral("cssContentSize")].toObject();
    const QJsonObject viewport = metrics[QStringLiteral("result")][QStringLiteral("cssLayoutViewport")].toObject();
    const QJsonObject clip{{QStringLiteral("x"), 0}, {QStringLiteral("y"), 0},
                           {QStringLiteral("width"), viewport[QStringLiteral("clientWidth")].toDouble()},
                           {QStringLiteral("height"), content[QStringLiteral("height")].toDouble()},
                           {QStringLiteral("scale"), 1}};
    const QJsonObject reply = call(QStringLiteral("Page.captureScreenshot"),
                                   {{QStringLiteral("format"), QStringLiteral("png")},
                                    {QStringLiteral("captureBeyondViewport"), true},
                                    {QStringLiteral("clip"), clip}},
                                   30'000);
    return QByteArray::fromBase64(reply[QStringLiteral("result")][QStringLiteral("data")].toString().toLatin1());
}

QJsonObject HeadlessBrowser::call(const QString& method, const QJsonObject& params, int timeoutMs)
{
    if (socket_.state() != QAbstractSocket::ConnectedState)
        return {{QStringLiteral("error"), QStringLiteral("not connected")}};
    awaitedId_ = nextId_++;
    reply_ = {};
    const QJsonObject message{{QStringLiteral("id"), awaitedId_}, {QStringLiteral("method"), method},
                              {QStringLiteral("params"), params}};
    socket_.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
    if (!spinUntil([this] { return !reply_.isEmpty(); }, timeoutMs))
        return {{QStringLiteral("error"), QStringLiteral("no reply to ") + method}};
    return reply_;
}

void HeadlessBrowser::received(const QString& text)
{
    const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
    if (message.contains(QStringLiteral("id"))) {
        if (message[QStringLiteral("id")].toInt() == awaitedId_)
            reply_ = message;
        return;
    }
    const QString method = message[QStringLiteral("method")].toString();
    const QJsonObject params = message[QStringLiteral("params")].toObject();
    if (method == QStringLiteral("Page.loadEventFired")) {
        loaded_ = true;
    } else if (method == QStringLiteral("Runtime.exceptionThrown")) {
        errors_ << QStringLiteral("exception: ") + describeException(params[QStringLiteral("exceptionDetails")].toObject());
    } else if (method == QStringLiteral("Runtime.consoleAPICalled")) {
        const QString type = params[QStringLiteral("type")].toString();
        if (type == QStringLiteral("error") || type == QStringLiteral("assert")) {
            QStringList parts;
            for (const QJsonValue argument : params[QStringLiteral("args")].toArray())
                parts << argument[QStringLiteral("value")].toVariant().toString()
                             + argument[QStringLiteral("description")].toString();
            errors_ << QStringLiteral("console: ") + parts.join(u' ');
        }
    } else if (method == QStringLiteral("Log.entryAdded")) {
        const QJsonObject entry = params[QStringLiteral("entry")].toObject();
        if (entry[QStringLiteral("level")].toString() == QStringLiteral("error"))
            errors_ << QStringLiteral("log: ") + entry[QStringLiteral("text")].toString() + u' '
                    + entry[QStringLiteral("url")].toString();
    }
}

bool HeadlessBrowser::spinUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    while (!done()) {
        if (timer.elapsed() >= timeoutMs)
            return false;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

} // namespace veltroma::test
