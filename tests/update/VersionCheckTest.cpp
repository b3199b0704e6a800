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

    EXPECT_FALSE(check().checkForUpdate());

    ASSERT_EQ(prompt.texts(),
              QStringList{"Veltroma monitor V 1.00\nThe current software is the latest version "});
    EXPECT_EQ(savedVersionFile(), response);
}

TEST_F(VersionCheckTest, NewerVersionOpensTheDialogWithoutAMessage)
{
    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::ok(versionBody("1.01"))});
    EXPECT_TRUE(check().checkForUpdate());
    EXPECT_TRUE(prompt.texts().isEmpty());
}

TEST_F(VersionCheckTest, ChunkedAnswerIsComparedOnItsRawText)
{
    const QByteArray response =
        LoopbackHttpServer::chunked({"<?xml version=\"1.0\"?><update>", "</update>;1.20"});
    server.serve("/Veltromamonitor.xml", {response});
    EXPECT_TRUE(check().checkForUpdate());
    EXPECT_EQ(savedVersionFile(), response);
}

TEST_F(VersionCheckTest, AnswerWithoutSemicolonFindsNothingNewer)
{
    // Read in two pieces, each from its start: the status line, then blanks.
    QByteArray body = "<version>3.10</version>" + QByteArray(900, ' ');
    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::ok(body)});
    EXPECT_FALSE(check().checkForUpdate());
    EXPECT_EQ(prompt.texts().size(), 1);
}

TEST_F(VersionCheckTest, ResultDoesNotDependOnHowTheNetworkSplitsTheAnswer)
{
    server.serve("/Veltromamonitor.xml",
                 {.bytes = LoopbackHttpServer::ok(versionBody("2.00")), .pieceSize = 3, .pauseMs = 2});
    EXPECT_TRUE(check().checkForUpdate());
}

TEST_F(VersionCheckTest, ANewerVersionOnceSeenStaysSeenForTheRun)
{
    UpdateCheck updateCheck = check();
    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::ok(versionBody("1.01"))});
    EXPECT_TRUE(updateCheck.checkForUpdate());

    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::ok(versionBody("1.00"))});
    EXPECT_TRUE(updateCheck.checkForUpdate());
    EXPECT_TRUE(prompt.texts().isEmpty());
}

TEST_F(VersionCheckTest, RefusedConnectionShowsTheLatestVersionMessage)
{
    EXPECT_FALSE(checkAgainst(QStringLiteral("127.0.0.1:%1").arg(test::refusedPort())).checkForUpdate());
    EXPECT_EQ(prompt.texts(), QStringList{latestVersionText()});
}

TEST_F(VersionCheckTest, ServerThatNeverAnswersTheConnectionCostsNoMoreThanTheConnectTime)
{
    test::SilentListener silent;
    timeouts.connectMs = 400;
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(checkAgainst(QStringLiteral("127.0.0.1:%1").arg(silent.port())).checkForUpdate());
    // Far below the minutes a system connect timeout can take.
    EXPECT_LT(elapsed.elapsed(), 5000);
    EXPECT_EQ(prompt.texts(), QStringList{latestVersionText()});
}

TEST_F(VersionCheckTest, ServerThatFallsSilentEndsTheAnswer)
{
    timeouts.silenceMs = 300;
    server.serve("/Veltromamonitor.xml",
                 {.bytes = LoopbackHttpServer::ok(versionBody("1.50")), .holdOpen = true});
    EXPECT_TRUE(check().checkForUpdate());
}

TEST_F(VersionCheckTest, UncreatableVersionFileIsReportedAndNothingIsAsked)
{
    // A folder of the version file's name cannot be opened as a file.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Veltromamonitor.xml")));
    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::ok(versionBody("1.01"))});

    EXPECT_FALSE(check().checkForUpdate());

    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().startsWith(
        "The file " + pathInFolder(folder.path(), "Veltromamonitor.xml") + " can not be opened."))
        << prompt.texts().front().toStdString();
    EXPECT_TRUE(server.requests().isEmpty());
}

} // namespace
} // namespace veltroma
