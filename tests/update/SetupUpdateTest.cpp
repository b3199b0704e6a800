#include <gtest/gtest.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "support/ScriptedPrompt.h"
#include "support/VirtualClock.h"
#include "update/LoopbackHttpServer.h"
#include "update/SetupUpdate.h"
#include "update/UpdateChecker.h"
#include "update/UpdateFiles.h"
#include "update/UpdateTestSupport.h"

#include <memory>

namespace veltroma {
namespace {

using test::LoopbackHttpServer;

QByteArray packageResponse(qsizetype size, qsizetype sent)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(size) + "\r\n\r\n"
        + QByteArray(sent, 'p');
}

// Distinct colours in an image: a blank or single-colour grab has one or two.
int colourCount(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    }
    return static_cast<int>(colours.size());
}

void saveForLooking(const QImage& image, const QString& name)
{
    const QString folder = qEnvironmentVariable("VELTROMA_BINARY_DIR", QDir::tempPath());
    image.save(pathInFolder(folder, name));
}

class SetupUpdateTest : public ::testing::Test {
protected:
    void writeVersionFile(const QByteArray& body)
    {
        QFile file(pathInFolder(folder.path(), QStringLiteral("Veltromamonitor.xml")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(LoopbackHttpServer::ok(body));
    }

    std::unique_ptr<SetupUpdate> makeDialog()
    {
        return std::make_unique<SetupUpdate>(prompt, launcher, clock, [this] { ++quits; },
                                             folder.path(), *parseUpdateHost(server.authority()),
                                             UpdateTimeouts{.transferMs = 5000});
    }

    QTemporaryDir folder;
    LoopbackHttpServer server;
    test::ScriptedPrompt prompt;
    test::RecordingLauncher launcher;
    test::VirtualClock clock;
    int quits = 0;
};

TEST_F(SetupUpdateTest, ShowsTitleButtonAndProgressBar)
{
    auto dialog = makeDialog();
    dialog->show();
    ASSERT_TRUE(test::waitUntil([&] { return dialog->isVisible(); }));

    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Update Software"));
    EXPECT_EQ(dialog->updateButton()->text(), QStringLiteral("update"));
    EXPECT_TRUE(dialog->updateButton()->isEnabled());
    EXPECT_EQ(dialog->progressBar()->value(), 0);
    const QImage image = dialog->grab().toImage();
    EXPECT_GT(colourCount(image), 8);
    saveForLooking(image, QStringLiteral("update-dialog.png"));
}

TEST_F(SetupUpdateTest, ButtonIsDisabledWhileDownloadingAndClosingStopsTheThread)
{
    writeVersionFile("<update/>;3.10");
    server.serve("/Veltromamonitor.rar",
                 {.bytes = packageResponse(40000, 16384), .holdOpen = true});
    auto dialog = makeDialog();
    dialog->show();

    dialog->updateButton()->click();
    ASSERT_TRUE(test::waitUntil([&] { return dialog->progressBar()->value() == 16384; }));
    EXPECT_EQ(dialog->progressBar()->maximum(), 40000);
    EXPECT_FALSE(dialog->updateButton()->isEnabled());
    EXPECT_TRUE(dialog->download().isRunning());
    const QImage image = dialog->grab().toImage();
    EXPECT_NE(image, QImage());
    saveForLooking(image, QStringLiteral("update-dialog-downloading.png"));

    dialog->updateButton()->click(); // disabled: no second thread
    dialog->close();

    EXPECT_FALSE(dialog->download().isRunning());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(server.requestsFor("/Veltromamonitor.rar").size(), 1);
    EXPECT_TRUE(launcher.launched.isEmpty());
    EXPECT_EQ(quits, 0);
}

TEST_F(SetupUpdateTest, FailedDownloadIsShownAndTheButtonComesBack)
{
    writeVersionFile("<update/>;3.10");
    auto dialog = makeDialog();
    dialog->show();

    dialog->updateButton()->click();
    ASSERT_TRUE(test::waitUntil([&] { return !dialog->download().isRunning(); }));

    EXPECT_TRUE(dialog->updateButton()->isEnabled());
    EXPECT_TRUE(dialog->statusLine()->text().contains(QStringLiteral("404")));
    EXPECT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(quits, 0);
    saveForLooking(dialog->grab().toImage(), QStringLiteral("update-dialog-failed.png"));
}

TEST_F(SetupUpdateTest, SuccessfulDownloadClosesTheDialogAndEndsTheProgram)
{
    writeVersionFile("<update/>;3.10");
    server.serve("/Veltromamonitor.rar", {.bytes = packageResponse(3000, 3000)});
    server.serve("/Veltromamonitor.rar.sha256",
                 {LoopbackHttpServer::ok(
                     QCryptographicHash::hash(QByteArray(3000, 'p'), QCryptographicHash::Sha256)
                         .toHex())});
    auto dialog = makeDialog();
    dialog->download().setAfterDownload(AfterDownload::LaunchInstaller);
    dialog->show();

    dialog->updateButton()->click();
    ASSERT_TRUE(test::waitUntil([&] { return quits == 1; }));

    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->progressBar()->value(), 3000);
    EXPECT_TRUE(prompt.texts().isEmpty());
    EXPECT_EQ(launcher.launched,
              QStringList{pathInFolder(folder.path(), QStringLiteral("Updatefile3.10.exe"))});
}

TEST_F(SetupUpdateTest, KeptPackageClosesTheDialogAndTheProgramGoesOn)
{
    writeVersionFile("<update/>;3.10");
    server.serve("/Veltromamonitor.rar", {.bytes = packageResponse(3000, 3000)});
    auto dialog = makeDialog();
    dialog->download().setAfterDownload(AfterDownload::KeepPackage);
    dialog->show();

    dialog->updateButton()->click();
    ASSERT_TRUE(test::waitUntil([&] { return !dialog->isVisible(); }));

    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(launcher.launched.isEmpty());
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().contains(
        pathInFolder(folder.path(), QStringLiteral("Update/Updatefile3.10.exe"))));
}

class UpdateCheckerTest : public SetupUpdateTest {
protected:
    // Runs the button's handler; the first modal dialog it opens is closed at once and its
    // class name returned ("" when none opened).
    QString pressUpdateSoftware()
    {
        UpdateChecker checker(prompt, folder.path(), *parseUpdateHost(server.authority()));
        checker.setLauncher(launcher);
        checker.setClock(clock);
        checker.setQuit([this] { ++quits; });
        QString opened;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = QString::fromLatin1(modal->metaObject()->className());
                modal->close();
            }
        });
        poll.start(10);
        checker.OnUpdateSoftware(nullptr);
        return opened;
    }
};

TEST_F(UpdateCheckerTest, NewerVersionOpensTheUpdateDialog)
{
    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::ok("<update/>;1.01")});
    EXPECT_EQ(pressUpdateSoftware(), QStringLiteral("veltroma::SetupUpdate"));
    EXPECT_TRUE(prompt.texts().isEmpty());
    EXPECT_EQ(quits, 0);
}

TEST_F(UpdateCheckerTest, SameVersionShowsOnlyTheMessage)
{
    server.serve("/Veltromamonitor.xml", {LoopbackHttpServer::ok("<update/>;1.00")});
    EXPECT_EQ(pressUpdateSoftware(), QString());
    EXPECT_EQ(prompt.texts(), QStringList{latestVersionText()});
}

} // namespace
} // namespace veltroma
