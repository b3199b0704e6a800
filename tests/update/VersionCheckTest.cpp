#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "support/ScriptedPrompt.h"
#include "update/LoopbackHttpServer.h"
#include "update/UpdateCheck.h"
#include "update/UpdateFiles.h"
#include "update/UpdateTestSupport.h"

namespace veltroma {
namespace {

using test::LoopbackHttpServer;
using Outcome = UpdateCheck::Outcome;

QByteArray versionBody(const QByteArray& version)
{
    return "<?xml version=\"1.0\"?><update><name>Veltroma monitor</name></update>;" + version;
}

class VersionCheckTest : public ::testing::Test {
protected:
    UpdateCheck checkAgainst(const QString& authority)
    {
        return UpdateCheck(prompt, folder.path(), *parseUpdateHost(authority), timeouts);
    }
    UpdateCheck check() { return checkAgainst(server.authority()); }

    QByteArray savedVersionFile() const
    {
        QFile file(pathInFolder(folder.path(), QStringLiteral("Veltromamonitor.xml")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir folder;
    LoopbackHttpServer server;
    test::ScriptedPrompt prompt;
    UpdateTimeouts timeouts{.connectMs = 1000, .silenceMs = 3000, .answerMs = 10000};
};

TEST_F(VersionCheckTest, SendsTheRequestByteForByte)
{
    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::ok(versionBody("1.00"))});
    check().checkForUpdate();

    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().front(),
              "GET /Veltromamonitor.xml HTTP/1.1\r\nHOST: " + server.authority().toLatin1()
                  + "\r\nConnection: Close\r\n\r\n");
}

TEST_F(VersionCheckTest, SameVersionShowsTheLatestVersionMessageAndSavesTheWholeAnswer)
{
    const QByteArray response = LoopbackHttpServer::ok(versionBody("1.00"));
    server.serve("/Veltromamonitor.xml", {response});

    EXPECT_EQ(check().checkForUpdate(), Outcome::LatestVersion);

    ASSERT_EQ(prompt.texts(),
              QStringList{"Veltroma monitor V 1.00\nThe current software is the latest version "});
    EXPECT_EQ(savedVersionFile(), response);
}

TEST_F(VersionCheckTest, NewerVersionOpensTheDialogWithoutAMessage)
{
    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::ok(versionBody("1.01"))});
    EXPECT_EQ(check().checkForUpdate(), Outcome::NewerVersion);
    EXPECT_TRUE(prompt.texts().isEmpty());
}

struct UnbelievedAnswer {
    const char* name;
    QByteArray response;
};

void PrintTo(const UnbelievedAnswer& answer, std::ostream* out)
{
    *out << answer.name;
}

class UnbelievedAnswerTest : public VersionCheckTest,
                             public ::testing::WithParamInterface<UnbelievedAnswer> {};

TEST_P(UnbelievedAnswerTest, IsACheckThatFailedNotANewerOrTheLatestVersion)
{
    server.serve("/Veltromamonitor.xml", {GetParam().response});

    EXPECT_EQ(check().checkForUpdate(), Outcome::Failed);

    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().startsWith(checkFailedText({})))
        << prompt.texts().front().toStdString();
    // Still saved as it came, for whoever wants to see what the server said.
    EXPECT_EQ(savedVersionFile(), GetParam().response);
}

INSTANTIATE_TEST_SUITE_P(
    ErrorPagesAndMalformedAnswers, UnbelievedAnswerTest,
    ::testing::Values(
        UnbelievedAnswer{"NotFoundWithAVersionLikeBody",
                         "HTTP/1.1 404 Not Found\r\nContent-Length: 12\r\n\r\n<html/>;9.99"},
        UnbelievedAnswer{"ServerErrorWithAVersionLikeBody",
                         "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 12\r\n\r\n<err/>;9.99"},
        UnbelievedAnswer{"NoSemicolon",
                         LoopbackHttpServer::ok("<version>3.10</version>" + QByteArray(900, ' '))},
        UnbelievedAnswer{"ChunkedBodyWhoseRawTextEndsInTheChunkTrailer",
                         LoopbackHttpServer::chunked({"<update>", "</update>;1.20"})},
        UnbelievedAnswer{"ThreeCharacterVersion", LoopbackHttpServer::ok("<update/>;1.5")},
        UnbelievedAnswer{"LineBreakAfterTheVersion", LoopbackHttpServer::ok("<update/>;1.50\n")},
        UnbelievedAnswer{"NoHttpAtAll", "1.50;1.50"},
        UnbelievedAnswer{"HeadersNeverEnd", "HTTP/1.1 200 OK\r\nX: ;1.50"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VersionCheckTest, ResultDoesNotDependOnHowTheNetworkSplitsTheAnswer)
{
    server.serve("/Veltromamonitor.xml",
                 {.bytes = LoopbackHttpServer::ok(versionBody("2.00")), .pieceSize = 3, .pauseMs = 2});
    EXPECT_EQ(check().checkForUpdate(), Outcome::NewerVersion);
}

TEST_F(VersionCheckTest, EachCheckStartsFromNoNewerVersion)
{
    UpdateCheck updateCheck = check();
    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::ok(versionBody("1.01"))});
    EXPECT_EQ(updateCheck.checkForUpdate(), Outcome::NewerVersion);

    // The newer version has been withdrawn.
    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::ok(versionBody("1.00"))});
    EXPECT_EQ(updateCheck.checkForUpdate(), Outcome::LatestVersion);
    EXPECT_EQ(prompt.texts(), QStringList{latestVersionText()});

    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::notFound()});
    EXPECT_EQ(updateCheck.checkForUpdate(), Outcome::Failed);
}

TEST_F(VersionCheckTest, RefusedConnectionIsACheckThatFailed)
{
    const QString host = QStringLiteral("127.0.0.1:%1").arg(test::refusedPort());
    EXPECT_EQ(checkAgainst(host).checkForUpdate(), Outcome::Failed);
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().startsWith(
        checkFailedText(QStringLiteral("The update server %1 could not be reached.").arg(host))))
        << prompt.texts().front().toStdString();
}

TEST_F(VersionCheckTest, ServerThatNeverAnswersTheConnectionCostsNoMoreThanTheConnectTime)
{
    test::SilentListener silent;
    timeouts.connectMs = 400;
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(checkAgainst(QStringLiteral("127.0.0.1:%1").arg(silent.port())).checkForUpdate(),
              Outcome::Failed);
    // Far below the minutes a system connect timeout can take.
    EXPECT_LT(elapsed.elapsed(), 5000);
    EXPECT_EQ(prompt.texts().size(), 1);
}

TEST_F(VersionCheckTest, ServerThatFallsSilentEndsTheAnswer)
{
    timeouts.silenceMs = 300;
    server.serve("/Veltromamonitor.xml",
                 {.bytes = LoopbackHttpServer::ok(versionBody("1.50")), .holdOpen = true});
    EXPECT_EQ(check().checkForUpdate(), Outcome::NewerVersion);
}

TEST_F(VersionCheckTest, UncreatableVersionFileIsReportedAndNothingIsAsked)
{
    // A folder of the version file's name cannot be opened as a file.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Veltromamonitor.xml")));
    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::ok(versionBody("1.01"))});

    EXPECT_EQ(check().checkForUpdate(), Outcome::Failed);

    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().startsWith(
        "The file " + pathInFolder(folder.path(), "Veltromamonitor.xml") + " can not be opened."))
        << prompt.texts().front().toStdString();
    EXPECT_TRUE(server.requests().isEmpty());
}

} // namespace
} // namespace veltroma
