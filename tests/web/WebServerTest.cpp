#include "web/HttpServerAdapter.h"

#include "TestClient.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

ServerSentEvent event(quint64 id, const QByteArray& data = "{}")
{
    return {id, "reading", data};
}

// A server on a free loopback port whose responder answers with what it was asked, and records
// every request; its replay hands out the events of `held_` after the id asked for, and those
// without an id to a new client.
class WebServerTest : public ::testing::Test {
protected:
    WebServer& start(WebServerLimits limits = {}, const QString& password = {})
    {
        WebServerSettings settings;
        settings.listen = WebListen{QStringLiteral("127.0.0.1"), 0};
        settings.password = password;
        server_ = std::make_unique<WebServer>(
            settings,
            [this](const WebRequest& request) {
                requests_.push_back(request);
                WebResponse response;
                response.contentType = "text/plain";
                response.body = "path " + request.path.toUtf8() + " date "
                    + request.query.queryItemValue(QStringLiteral("date")).toUtf8();
                response.headers = {{"X-Test", "1"}, {"X-Bad", "a\r\nSet-Cookie: b"}};
                return response;
            },
            [this](std::optional<quint64> lastId) {
                std::vector<ServerSentEvent> after;
                for (const ServerSentEvent& held : held_)
                    if (lastId ? held.id > lastId : !held.id)
                        after.push_back(held);
                return after;
            },
            limits);
        const auto failure = server_->listen();
        EXPECT_FALSE(failure) << failure->toStdString();
        return *server_;
    }
    [[nodiscard]] quint16 port() const { return server_->port(); }

    std::unique_ptr<WebServer> server_;
    std::vector<WebRequest> requests_;
    std::vector<ServerSentEvent> held_;
};

TEST_F(WebServerTest, AnswersGetAndHeadOnOneKeptConnection)
{
    start();
    TestClient client(port());
    client.get("/api/v1/d%61y?date=2026-12-09&inverter=2", "Accept-Language: zh-CN\r\n");
    const auto answer = client.nextAnswer();
    ASSERT_TRUE(answer) << client.received().toStdString() << client.closed();
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(answer->body, "path /api/v1/day date 2026-12-09");
    EXPECT_EQ(answer->header("content-type"), "text/plain");
    EXPECT_EQ(answer->header("x-test"), "1");
    EXPECT_EQ(answer->header("x-content-type-options"), "nosniff");
    EXPECT_EQ(answer->header("referrer-policy"), "no-referrer");
    // A header that would end the head early or add one is left out.
    EXPECT_EQ(answer->header("x-bad"), QByteArray());
    EXPECT_EQ(answer->header("set-cookie"), QByteArray());
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].method, "GET");
    EXPECT_EQ(requests_[0].acceptLanguage, "zh-CN");

    // HEAD: the same head, the body's length, no body; the GET after it reads cleanly.
    client.send("HEAD /api/v1/day?date=2026-12-09 HTTP/1.1\r\nHost: test\r\n\r\n");
    const auto head = client.nextAnswer(true);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->header("content-length"), QByteArray::number(answer->body.size()));
    client.get("/second");
    const auto second = client.nextAnswer();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->body, "path /second date ");
    ASSERT_EQ(requests_.size(), 3u);
    EXPECT_EQ(requests_[1].method, "HEAD");
    EXPECT_FALSE(client.closed());
    EXPECT_EQ(server_->connectionCount(), 1);
}

TEST_F(WebServerTest, AnswersTheFirstOfRequestsSentAheadAndCloses)
{
    start();
    TestClient client(port());
    client.send("GET /a HTTP/1.1\r\nHost: x\r\n\r\nGET /b HTTP/1.1\r\nHost: x\r\n\r\n");
    const auto answer = client.nextAnswer();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body, "path /a date ");
    EXPECT_EQ(answer->header("connection"), "close");
    EXPECT_TRUE(client.waitClosed());
    EXPECT_EQ(requests_.size(), 1u);
}

TEST_F(WebServerTest, RefusesWhatItDoesNotServeAnswersAndClosesWithoutAskingTheSession)
{
    start();
    const QByteArray big(9000, 'a');
    const std::pair<QByteArray, int> cases[] = {
        {"POST /api/v1/live HTTP/1.1\r\nHost: a\r\nContent-Length: 3\r\n\r\nabc", 405},
        {"GET / HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello", 413},
        {"GET / HTTP/1.1\r\nHost : a\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nX-Big: " + big + "\r\n\r\n", 431},
        {"GET /" + big + " HTTP/1.1\r\n\r\n", 414},
    };
    for (const auto& [request, status] : cases) {
        SCOPED_TRACE(status);
        TestClient client(port());
        client.send(request);
        const auto answer = client.nextAnswer();
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, status);
        EXPECT_EQ(answer->header("connection"), "close");
        if (status == 405) {
            EXPECT_EQ(answer->header("allow"), "GET, HEAD");
        }
        EXPECT_TRUE(client.waitClosed());
    }
    EXPECT_TRUE(requests_.empty());
    // The refusals cost nothing lasting: the connections are gone, the next client is served.
    EXPECT_TRUE(spinUntil([this] { return server_->connectionCount() == 0; }));
    TestClient after(port());
    after.get("/");
    const auto answer = after.nextAnswer();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
}

TEST_F(WebServerTest, AsksForThePasswordAndTakesItWithAnyUserName)
{
    start({}, QStringLiteral("s3cret"));
    TestClient client(port());
    const QByteArray wrong = "Authorization: Basic " + QByteArray("admin:guess").toBase64() + "\r\n";
    for (const QByteArray& headers : {QByteArray(), wrong}) {
        client.get("/api/v1/live", headers);
        const auto answer = client.nextAnswer();
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 401);
        EXPECT_EQ(answer->header("www-authenticate"), "Basic realm=\"Veltroma monitor\"");
    }
    // The stream is behind the password too.
    client.get("/api/v1/stream");
    const auto stream = client.nextAnswer();
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->status, 401);
    EXPECT_TRUE(requests_.empty());

    client.get("/api/v1/live", "Authorization: Basic " + QByteArray("anyone:s3cret").toBase64() + "\r\n");
    const auto answer = client.nextAnswer();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(requests_.size(), 1u);
}

QStringList loggedMessages;

TEST_F(WebServerTest, KeepsThePasswordOutOfTheLogEvenWithTheLibrarysDebugOutputOn)
{
    start({}, QStringLiteral("s3cret"));
    QLoggingCategory::setFilterRules(QStringLiteral("qt.httpserver*=true"));
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& message) { loggedMessages << message; });
    TestClient client(port());
    const QByteArray credentials = QByteArray("admin:s3cret").toBase64();
    client.get("/api/v1/live", "Authorization: Basic " + credentials + "\r\n");
    const auto answer = client.nextAnswer();
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    for (const QString& message : loggedMessages) {
        EXPECT_FALSE(message.contains(QString::fromLatin1(credentials))) << message.toStdString();
        EXPECT_FALSE(message.contains(QStringLiteral("s3cret"))) << message.toStdString();
    }
}

TEST_F(WebServerTest, AnswersTheConnectionOverTheLimitBusyAndServesAgainOnceOneCloses)
{
    WebServerLimits limits;
    limits.connections = 3;
    start(limits);
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < limits.connections; ++i) {
        clients.push_back(std::make_unique<TestClient>(port()));
        ASSERT_TRUE(clients.back()->waitConnected());
    }
    ASSERT_TRUE(spinUntil([&] { return server_->connectionCount() == limits.connections; }));
    TestClient over(port());
    over.get("/");
    const auto busy = over.nextAnswer();
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->status, 503);
    EXPECT_TRUE(over.waitClosed());

    clients.front()->socket().disconnectFromHost();
    ASSERT_TRUE(spinUntil([&] { return server_->connectionCount() == limits.connections - 1; }));
    TestClient next(port());
    next.get("/");
    const auto answer = next.nextAnswer();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    // The ones held open all along are still served.
    clients.back()->get("/");
    ASSERT_TRUE(clients.back()->nextAnswer());
}

TEST_F(WebServerTest, ClosesAConnectionSlowToSendItsHeadAndAKeptOneLeftIdle)
{
    WebServerLimits limits;
    limits.headTimeoutMs = 300;
    limits.idleTimeoutMs = 600;
    start(limits);
    QElapsedTimer clock;
    clock.start();
    TestClient slow(port());
    slow.send("GET / HTTP/1.1\r\nHost:");
    TestClient idle(port());
    idle.get("/");
    ASSERT_TRUE(idle.nextAnswer());

    ASSERT_TRUE(slow.waitClosed());
    // The head had its time. A coarse timer may fire 5 % early, and its clock is not the test's:
    // 10 % is allowed; a timer started wrongly (at once, or the idle one) is further off.
    EXPECT_GE(clock.elapsed(), limits.headTimeoutMs * 90 / 100);
    EXPECT_TRUE(slow.received().isEmpty());
    ASSERT_TRUE(idle.waitClosed());
    EXPECT_GE(clock.elapsed(), limits.idleTimeoutMs * 90 / 100);
    EXPECT_TRUE(spinUntil([this] { return server_->connectionCount() == 0; }));
}

TEST_F(WebServerTest, StreamsTheEventsAfterTheLastIdThenBroadcastsAndHeartbeats)
{
    WebServerLimits limits;
    limits.heartbeatMs = 100;
    WebServer& server = start(limits);
    server.setWallClock([] {
        return QDateTime(QDate(2026, 12, 9), QTime(10, 15, 3), Qt::OffsetFromUTC, 3600);
    });
    held_ = {event(3), event(4, R"({"a":1})"), event(5), {std::nullopt, "link", R"({"state":"alive"})"}};

    TestClient resumed(port());
    resumed.get("/api/v1/stream", "Last-Event-ID: 3\r\n");
    TestClient fresh(port());
    fresh.get("/api/v1/stream");
    ASSERT_TRUE(resumed.waitReceived("\r\n\r\n"));
    ASSERT_TRUE(fresh.waitReceived("\r\n\r\n"));
    ASSERT_TRUE(spinUntil([&] { return server.streamCount() == 2; }));
    server.broadcast(event(6, R"({"b":2})"));

    const QByteArray replayedThenLive = "id: 4\nevent: reading\ndata: {\"a\":1}\n\n"
                                        "id: 5\nevent: reading\ndata: {}\n\n"
                                        "id: 6\nevent: reading\ndata: {\"b\":2}\n\n";
    ASSERT_TRUE(resumed.waitReceived(replayedThenLive)) << resumed.received().toStdString();
    const QByteArray received = resumed.received();
    const QByteArray head = received.left(received.indexOf("\r\n\r\n"));
    EXPECT_TRUE(head.startsWith("HTTP/1.1 200 ")) << head.toStdString();
    EXPECT_TRUE(head.contains("Content-Type: text/event-stream")) << head.toStdString();
    EXPECT_TRUE(head.contains("Cache-Control: no-cache")) << head.toStdString();
    EXPECT_TRUE(received.mid(head.size() + 4).startsWith(replayedThenLive)) << received.toStdString();
    // Without Last-Event-ID the stream begins with the state of the moment, then the broadcasts.
    ASSERT_TRUE(fresh.waitReceived("event: link\ndata: {\"state\":\"alive\"}\n\nid: 6\n"))
        << fresh.received().toStdString();
    EXPECT_FALSE(fresh.received().contains("id: 5\n"));
    EXPECT_FALSE(resumed.received().contains("event: link"));

    const QByteArray heartbeat = "event: heartbeat\ndata: {\"time\":\"2026-12-09T10:15:03+01:00\"}\n\n";
    ASSERT_TRUE(resumed.waitReceived(heartbeat)) << resumed.received().toStdString();
    // A heartbeat has no id, so that a reconnecting client resumes after the last real event.
    EXPECT_FALSE(resumed.received().contains("id: 6\nevent: heartbeat"));
    EXPECT_TRUE(requests_.empty());
}

TEST_F(WebServerTest, RefusesAStreamOverTheLimitButNotOtherRequests)
{
    WebServerLimits limits;
    limits.streamClients = 2;
    start(limits);
    TestClient first(port());
    TestClient second(port());
    first.get("/api/v1/stream");
    second.get("/api/v1/stream");
    ASSERT_TRUE(spinUntil([this] { return server_->streamCount() == 2; }));
    TestClient third(port());
    third.get("/api/v1/stream");
    const auto busy = third.nextAnswer();
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->status, 503);
    TestClient page(port());
    page.get("/");
    const auto answer = page.nextAnswer();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
}

TEST_F(WebServerTest, DropsAStreamClientThatStopsReadingAndKeepsServingTheOthers)
{
    WebServerLimits limits;
    limits.unsentBytes = 256 * 1024;
    start(limits);
    // A client that reads nothing once its small buffer is full.
    QTcpSocket stalled;
    stalled.setReadBufferSize(1024);
    stalled.connectToHost(QStringLiteral("127.0.0.1"), port());
    ASSERT_TRUE(spinUntil([&] { return stalled.state() == QAbstractSocket::ConnectedState; }));
    stalled.write("GET /api/v1/stream HTTP/1.1\r\nHost: test\r\n\r\n");
    TestClient reader(port());
    reader.get("/api/v1/stream");
    ASSERT_TRUE(spinUntil([this] { return server_->streamCount() == 2; }));

    // Enough to fill the kernel's buffers on both sides, then the limit.
    const ServerSentEvent big = event(1, QByteArray(64 * 1024, 'x'));
    int sent = 0;
    while (server_->streamCount() == 2 && sent < 2000) {
        server_->broadcast(big);
        ++sent;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    EXPECT_EQ(server_->streamCount(), 1) << sent << " events sent";
    EXPECT_TRUE(spinUntil([this] { return server_->connectionCount() == 1; }));

    // The reader has every event and is still served, as is a new client.
    server_->broadcast(event(2));
    ASSERT_TRUE(reader.waitReceived("id: 2\n", 20'000));
    EXPECT_EQ(reader.received().count("event: reading\n"), sent + 1);
    TestClient page(port());
    page.get("/");
    const auto answer = page.nextAnswer();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
}

TEST(EventStreamFrameTest, KeepsEachEventOneEventWhateverItsTextHolds)
{
    EXPECT_EQ(eventStreamFrame({7, "link", R"({"state":"alive"})"}),
              "id: 7\nevent: link\ndata: {\"state\":\"alive\"}\n\n");
    EXPECT_EQ(eventStreamFrame({std::nullopt, "heart\r\nbeat", "a\n\nid: 99\r\nb"}),
              "event: heartbeat\ndata: a\ndata: \ndata: id: 99\ndata: b\n\n");
}

} // namespace
} // namespace veltroma::test
