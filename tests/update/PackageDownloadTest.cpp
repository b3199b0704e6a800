#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/ScriptedPrompt.h"
#include "support/VirtualClock.h"
#include "update/LoopbackHttpServer.h"
#include "update/PackageDownload.h"
#include "update/UpdateCheck.h"
#include "update/UpdateFiles.h"
#include "update/UpdateTestSupport.h"

#include <memory>
#include <vector>

namespace veltroma {
namespace {

using test::LoopbackHttpServer;

QByteArray package(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 256);
    return bytes;
}

QByteArray packageResponse(const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray sha256(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

// The checksum file beside the package, as sha256sum writes it.
QByteArray checksumResponse(const QByteArray& body)
{
    return packageResponse(sha256(body).toHex() + "  Veltromamonitor.rar\n");
}

class PackageDownloadTest : public ::testing::Test {
protected:
    QString inFolder(const char* name) const { return pathInFolder(folder.path(), QString::fromLatin1(name)); }

    QByteArray fileContent(const char* name) const
    {
        QFile file(inFolder(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    void writeVersionFile(const QByteArray& body)
    {
        QFile file(inFolder("Veltromamonitor.xml"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(LoopbackHttpServer::ok(body));
    }

    std::unique_ptr<PackageDownload> makeDownload(const QString& authority)
    {
        auto download = std::make_unique<PackageDownload>(
            prompt, launcher, clock, [this] { ++quits; }, folder.path(),
            *parseUpdateHost(authority), timeouts);
        download->setAfterDownload(after);
        // The download thread emits these; with the download object as context they reach
        // the test's vectors queued, on this thread.
        QObject::connect(download.get(), &PackageDownload::progressRange, download.get(),
                         [this](qint64 maximum) { ranges.push_back(maximum); });
        QObject::connect(download.get(), &PackageDownload::progressChanged, download.get(),
                         [this](qint64 received) { positions.push_back(received); });
        return download;
    }
    std::unique_ptr<PackageDownload> makeDownload() { return makeDownload(server.authority()); }

    // Runs one download to its end.
    void runDownload(PackageDownload& download)
    {
        ASSERT_TRUE(download.OnUpdateSetup());
        ASSERT_TRUE(test::waitUntil([&] { return !download.isRunning(); }));
    }

    void expectNothingStarted()
    {
        EXPECT_TRUE(launcher.launched.isEmpty());
        EXPECT_EQ(quits, 0);
        const QStringList installers =
            QDir(folder.path()).entryList({QStringLiteral("Updatefile*")}, QDir::AllEntries);
        EXPECT_TRUE(installers.isEmpty()) << installers.join(u' ').toStdString();
    }

    QTemporaryDir folder;
    LoopbackHttpServer server;
    test::ScriptedPrompt prompt;
    test::RecordingLauncher launcher;
    test::VirtualClock clock;
    int quits = 0;
    std::vector<qint64> ranges;
    std::vector<qint64> positions;
    // Most cases follow the installer through to its start, as on Windows.
    AfterDownload after = AfterDownload::LaunchInstaller;
    UpdateTimeouts timeouts{.connectMs = 1000, .silenceMs = 3000, .answerMs = 10000, .transferMs = 5000};
};

TEST_F(PackageDownloadTest, AnnouncedVersionIsDownloadedCheckedRenamedLaunchedAndTheProgramEnds)
{
    const QByteArray body = package(3000);
    server.serve("/Veltromamonitor.xml",
                 {LoopbackHttpServer::ok("<?xml version=\"1.0\"?><update/>;3.10")});
    server.serve("/Veltromamonitor.rar", {packageResponse(body)});
    server.serve("/Veltromamonitor.rar.sha256", {checksumResponse(body)});
    UpdateCheck check(prompt, folder.path(), *parseUpdateHost(server.authority()), timeouts);
    ASSERT_EQ(check.checkForUpdate(), UpdateCheck::Outcome::NewerVersion);

    auto download = makeDownload();
    const auto startMs = clock.nowMs();
    runDownload(*download);

    EXPECT_EQ(download->url(), "http://" + server.authority() + "/Veltromamonitor.rar");
    EXPECT_EQ(download->filePath(), inFolder("Veltromamonitor.rar"));
    EXPECT_EQ(download->neededVersion(), QStringLiteral("3.10"));
    EXPECT_EQ(fileContent("Updatefile3.10.exe"), body);
    EXPECT_FALSE(QFile::exists(inFolder("Veltromamonitor.rar")));
    EXPECT_EQ(launcher.launched, QStringList{inFolder("Updatefile3.10.exe")});
    EXPECT_EQ(clock.nowMs() - startMs, 200);
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(prompt.texts().isEmpty()) << prompt.texts().join(u'|').toStdString();
    EXPECT_EQ(ranges, std::vector<qint64>{3000});
    EXPECT_EQ(positions, (std::vector<qint64>{1024, 2048, 3000}));
}

TEST_F(PackageDownloadTest, OnLinuxTheWholePackageIsKeptInUpdateNamedToTheUserAndNothingIsLaunched)
{
#ifndef Q_OS_LINUX
    GTEST_SKIP() << "the behaviour of Linux";
#endif
    after = platformAfterDownload();
    const QByteArray body = package(5000);
    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::ok("<update/>;3.10")});
    server.serve("/Veltromamonitor.rar", {.bytes = packageResponse(body), .pieceSize = 700, .pauseMs = 2});
    UpdateCheck check(prompt, folder.path(), *parseUpdateHost(server.authority()), timeouts);
    ASSERT_EQ(check.checkForUpdate(), UpdateCheck::Outcome::NewerVersion);

    auto download = makeDownload();
    QString kept;
    QObject::connect(download.get(), &PackageDownload::packageKept,
                     [&](const QString& path) { kept = path; });
    runDownload(*download);

    const QString expected = inFolder("Update/Updatefile3.10.exe");
    EXPECT_EQ(kept, expected);
    EXPECT_EQ(fileContent("Update/Updatefile3.10.exe"), body);
    EXPECT_FALSE(QFile::exists(inFolder("Update/Veltromamonitor.rar")));
    EXPECT_TRUE(launcher.launched.isEmpty());
    EXPECT_EQ(quits, 0);
    // The server offers no checksum: it was asked for, and nothing more is said than before.
    EXPECT_EQ(server.requestsFor("/Veltromamonitor.rar.sha256").size(), 1);
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().contains(QStringLiteral("Version 3.10 ")));
    EXPECT_TRUE(prompt.texts().front().contains(expected));
}

TEST_F(PackageDownloadTest, WithoutAChecksumTheInstallerIsStartedOnlyWhenTheUserAcceptsItsDigest)
{
    writeVersionFile("<update/>;3.10");
    const QByteArray body = package(2000);
    server.serve("/Veltromamonitor.rar", {packageResponse(body)});
    auto download = makeDownload();
    QStringList failures;
    QObject::connect(download.get(), &PackageDownload::downloadFailed, download.get(),
                     [&](const QString& message) { failures << message; });

    prompt.answer(PromptAnswer::No);
    runDownload(*download);
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_EQ(prompt.shown().front().buttons, PromptButtons::YesNo);
    EXPECT_TRUE(prompt.texts().front().contains(QString::fromLatin1(sha256(body).toHex())))
        << prompt.texts().front().toStdString();
    EXPECT_EQ(failures.size(), 1);
    expectNothingStarted();

    prompt.answer(PromptAnswer::Yes);
    runDownload(*download);
    EXPECT_EQ(prompt.shown().size(), 2);
    EXPECT_EQ(launcher.launched, QStringList{inFolder("Updatefile3.10.exe")});
    EXPECT_EQ(quits, 1);
}

TEST_F(PackageDownloadTest, ABodyLongerThanAnnouncedIsCutAtTheAnnouncedLength)
{
    writeVersionFile("<update/>;3.10");
    const QByteArray body = package(3000);
    server.serve("/Veltromamonitor.rar",
                 {.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n" + body,
                  .repeatForever = package(1024)});
    server.serve("/Veltromamonitor.rar.sha256", {checksumResponse(body)});
    auto download = makeDownload();
    runDownload(*download);

    EXPECT_EQ(fileContent("Updatefile3.10.exe"), body);
    EXPECT_EQ(launcher.launched.size(), 1);
    EXPECT_TRUE(prompt.texts().isEmpty()) << prompt.texts().join(u'|').toStdString();
}

TEST_F(PackageDownloadTest, ABodyBeyondTheLimitIsRefusedAndNothingOfItIsKept)
{
    constexpr qint64 limit = 64 * 1024;
    const QByteArray kilobyte = package(1024);
    const struct {
        const char* name;
        QByteArray head;
        QByteArray repeated;
        const char* reported;
        qint64 lastPosition; // what was taken before the refusal; 0: nothing
    } bodies[] = {
        {"endless without a length", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", kilobyte,
         "grew beyond 65536 bytes", limit},
        {"endless and chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
         "400\r\n" + kilobyte + "\r\n", "grew beyond 65536 bytes", limit},
        {"announced beyond the limit", "HTTP/1.1 200 OK\r\nContent-Length: 65537\r\n\r\n",
         kilobyte, "announces a package of 65537 bytes", 0},
    };
    writeVersionFile("<update/>;3.10");
    for (const auto& body : bodies) {
        SCOPED_TRACE(body.name);
        prompt.clear();
        positions.clear();
        server.serve("/Veltromamonitor.rar", {.bytes = body.head, .repeatForever = body.repeated});
        auto download = makeDownload();
        download->setSizeLimit(limit);
        runDownload(*download);

        ASSERT_EQ(prompt.texts().size(), 1);
        EXPECT_TRUE(prompt.texts().front().contains(QString::fromLatin1(body.reported)))
            << prompt.texts().front().toStdString();
        EXPECT_EQ(positions.empty() ? 0 : positions.back(), body.lastPosition);
        EXPECT_FALSE(QFile::exists(inFolder("Veltromamonitor.rar")));
        expectNothingStarted();
    }
}

TEST_F(PackageDownloadTest, AKeptPackageThatArrivesIncompleteIsNotKept)
{
    after = AfterDownload::KeepPackage;
    writeVersionFile("<update/>;3.10");
    // The server promises more than it sends, then closes.
    server.serve("/Veltromamonitor.rar",
                 {"HTTP/1.1 200 OK\r\nContent-Length: 4000\r\n\r\n" + package(1500)});
    auto download = makeDownload();
    runDownload(*download);

    EXPECT_TRUE(QDir(inFolder("Update")).isEmpty());
    expectNothingStarted();
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().contains(QStringLiteral("incomplete")));
}

TEST_F(PackageDownloadTest, PackageRequestCarriesTheFixedHeaders)
{
    writeVersionFile("<update/>;1.01");
    server.serve("/Veltromamonitor.rar", {packageResponse(package(10))});
    auto download = makeDownload();
    runDownload(*download);

    const auto requests = server.requestsFor("/Veltromamonitor.rar");
    ASSERT_EQ(requests.size(), 1);
    const QByteArray request = requests.front();
    EXPECT_TRUE(request.startsWith("GET /Veltromamonitor.rar HTTP/1.1\r\n")) << request.toStdString();
    EXPECT_TRUE(request.contains("\r\nAccept: */*\r\n")) << request.toStdString();
    EXPECT_TRUE(request.contains(
        "\r\nUser-Agent:  Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n"))
        << request.toStdString();
    EXPECT_TRUE(request.contains("\r\nHost: " + server.authority().toLatin1() + "\r\n"))
        << request.toStdString();
}

TEST_F(PackageDownloadTest, AnOldInstallerOfTheSameNameIsReplacedNotLaunched)
{
    {
        QFile old(inFolder("Updatefile3.10.exe"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("a broken download of an earlier run");
    }
    writeVersionFile("<update/>;3.10");
    const QByteArray body = package(2048);
    server.serve("/Veltromamonitor.rar", {packageResponse(body)});
    auto download = makeDownload();
    runDownload(*download);

    EXPECT_EQ(fileContent("Updatefile3.10.exe"), body);
    EXPECT_EQ(quits, 1);
}

TEST_F(PackageDownloadTest, HostileVersionTextDownloadsAndLaunchesNothing)
{
    writeVersionFile("<update/>;../x");
    server.serve("/Veltromamonitor.rar", {packageResponse(package(100))});
    auto download = makeDownload();

    EXPECT_FALSE(download->OnUpdateSetup());

    EXPECT_FALSE(download->isRunning());
    EXPECT_EQ(download->neededVersion(), QStringLiteral("../x"));
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().contains(QStringLiteral("invalid")));
    EXPECT_TRUE(prompt.texts().front().contains(QStringLiteral("\"../x\"")));
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_FALSE(QFile::exists(inFolder("Veltromamonitor.rar")));
    expectNothingStarted();
    EXPECT_FALSE(QFile::exists(pathInFolder(QFileInfo(folder.path()).path(), "x.exe")));
}

TEST_F(PackageDownloadTest, MissingVersionFileIsReported)
{
    auto download = makeDownload();
    EXPECT_FALSE(download->OnUpdateSetup());
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().contains(QStringLiteral("can not be read")));
    EXPECT_TRUE(server.requests().isEmpty());
}

struct FailureCase {
    const char* name;
    QByteArray response;
    const char* reported;
    bool holdOpen = false;
    QByteArray checksum{}; // the answer for the checksum file; empty: 404
};

void PrintTo(const FailureCase& failure, std::ostream* out)
{
    *out << failure.name;
}

class PackageDownloadFailureTest : public PackageDownloadTest,
                                   public ::testing::WithParamInterface<FailureCase> {};

TEST_P(PackageDownloadFailureTest, IsReportedAndTheProgramKeepsRunning)
{
    writeVersionFile("<update/>;3.10");
    server.serve("/Veltromamonitor.rar",
                 {.bytes = GetParam().response, .holdOpen = GetParam().holdOpen});
    if (!GetParam().checksum.isEmpty())
        server.serve("/Veltromamonitor.rar.sha256", {GetParam().checksum});
    timeouts.transferMs = 500;
    auto download = makeDownload();
    QStringList failures;
    QObject::connect(download.get(), &PackageDownload::downloadFailed, download.get(),
                     [&](const QString& message) { failures << message; });

    runDownload(*download);

    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().contains(QString::fromUtf8(GetParam().reported)))
        << prompt.texts().front().toStdString();
    EXPECT_EQ(failures, prompt.texts());
    EXPECT_EQ(prompt.shown().front().caption, QStringLiteral("Update Software"));
    EXPECT_FALSE(QFile::exists(inFolder("Veltromamonitor.rar")));
    expectNothingStarted();
}

INSTANTIATE_TEST_SUITE_P(
    Download, PackageDownloadFailureTest,
    ::testing::Values(
        FailureCase{"NotFound", LoopbackHttpServer::notFound(), "answered 404 Not Found"},
        FailureCase{"ServerError",
                    "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5\r\n\r\noops",
                    "answered 500"},
        FailureCase{"TruncatedBody",
                    "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + package(3000),
                    "ended after 3000 of 5000 bytes"},
        FailureCase{"EmptyPackage", packageResponse({}), "empty"},
        FailureCase{"StalledServer",
                    "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + package(1500),
                    "stopped sending", true},
        FailureCase{.name = "ChecksumMismatch",
                    .response = packageResponse(package(3000)),
                    .reported = "does not match the checksum",
                    .checksum = checksumResponse(package(2999))},
        FailureCase{.name = "ChecksumServerError",
                    .response = packageResponse(package(3000)),
                    .reported = "answered 500 Internal Server Error for the checksum file",
                    .checksum = "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n"},
        FailureCase{.name = "ChecksumFileWithoutADigest",
                    .response = packageResponse(package(3000)),
                    .reported = "holds no SHA-256 digest",
                    .checksum = packageResponse("<html>Moved elsewhere</html>")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PackageDownloadTest, UnreachableServerIsReported)
{
    writeVersionFile("<update/>;3.10");
    auto download = makeDownload(QStringLiteral("127.0.0.1:%1").arg(test::refusedPort()));
    runDownload(*download);

    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().startsWith(QStringLiteral("The update server could not be reached")));
    expectNothingStarted();
}

TEST_F(PackageDownloadTest, PackageFileThatCannotBeCreatedIsReported)
{
    writeVersionFile("<update/>;3.10");
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Veltromamonitor.rar")));
    server.serve("/Veltromamonitor.rar", {packageResponse(package(100))});
    auto download = makeDownload();
    runDownload(*download);

    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().contains(QStringLiteral("can not be created")));
    expectNothingStarted();
}

TEST_F(PackageDownloadTest, InstallerThatWillNotStartIsReportedAndTheProgramStays)
{
    writeVersionFile("<update/>;3.10");
    server.serve("/Veltromamonitor.rar", {packageResponse(package(100))});
    server.serve("/Veltromamonitor.rar.sha256", {checksumResponse(package(100))});
    launcher.succeeds = false;
    auto download = makeDownload();
    runDownload(*download);

    EXPECT_EQ(launcher.launched.size(), 1);
    EXPECT_EQ(quits, 0);
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().contains(QStringLiteral("can not be started")));
}

TEST_F(PackageDownloadTest, RunningDownloadRefusesASecondStartAndStopsOnRequest)
{
    writeVersionFile("<update/>;3.10");
    server.serve("/Veltromamonitor.rar",
                 {.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + package(4096),
                  .holdOpen = true});
    auto download = makeDownload();
    ASSERT_TRUE(download->OnUpdateSetup());
    ASSERT_TRUE(test::waitUntil([&] { return !positions.empty() && positions.back() == 4096; }));

    EXPECT_FALSE(download->OnUpdateSetup());
    EXPECT_EQ(download->filePath(), inFolder("Veltromamonitor.rar"));

    download->stop();
    EXPECT_FALSE(download->isRunning());
    // Whatever the thread still had on its way must not start anything.
    test::waitUntil([] { return false; }, 200);

    EXPECT_EQ(server.requestsFor("/Veltromamonitor.rar").size(), 1);
    EXPECT_TRUE(prompt.texts().isEmpty());
    EXPECT_FALSE(QFile::exists(inFolder("Veltromamonitor.rar")));
    expectNothingStarted();
}

TEST_F(PackageDownloadTest, ADownloadCanBeRetriedAfterAFailure)
{
    writeVersionFile("<update/>;3.10");
    auto download = makeDownload();
    runDownload(*download);
    ASSERT_EQ(prompt.texts().size(), 1);

    server.serve("/Veltromamonitor.rar", {packageResponse(package(1500))});
    runDownload(*download);
    EXPECT_EQ(download->filePath(), inFolder("Veltromamonitor.rar"));
    EXPECT_EQ(fileContent("Updatefile3.10.exe"), package(1500));
    EXPECT_EQ(quits, 1);
}

} // namespace
} // namespace veltroma
