#include "ShellTestSupport.h"

#include "app/shell/InitDlg.h"
#include "app/shell/MainFrame.h"
#include "controls/BitButtonNL.h"
#include "web/HttpServerAdapter.h"
#include "web/TestClient.h"

#include "support/ServerPort.h"

#include <QFile>
#include <QTcpServer>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

// The window's start with `web` added to its settings, the start dialog answered with OK.
class WebViewStartupTest : public ::testing::Test {
protected:
    void startWith(const QByteArray& web)
    {
        home_.writePortSettings();
        QFile settings(home_.settingPath());
        ASSERT_TRUE(settings.open(QIODevice::Append));
        settings.write(web);
        settings.close();
        app_ = std::make_unique<TestApp>(home_.path());
        whenModal<CInitDlg>([](CInitDlg& dialog) { dialog.OkButton()->click(); });
        ASSERT_EQ(app_->start(), std::nullopt);
    }

    ProgramHome home_;
    std::unique_ptr<TestApp> app_;
};

TEST_F(WebViewStartupTest, AViewOpenToTheNetworkWithoutAPasswordServesAndIsWarnedOfOnce)
{
    const quint16 port = freeServerPort(ServerPortRange::WebView);
    ASSERT_NE(port, 0);
    startWith("[Web]\r\nListen=0.0.0.0:" + QByteArray::number(port) + "\r\n");
    ASSERT_NE(app_->app->webServer(), nullptr);
    EXPECT_EQ(app_->prompt->texts(),
              QStringList{QStringLiteral("The web view listens on 0.0.0.0:%1 without a password: anyone who can "
                                         "reach this computer sees the inverters' values. Set Password in [Web] "
                                         "of setting.ini, or listen on 127.0.0.1.").arg(port)});

    // The session's data answers through it.
    TestClient client(port);
    client.get("/api/v1/health");
    const auto answer = client.nextAnswer();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_TRUE(answer->body.contains("\"version\":\"3.00\"")) << answer->body.toStdString();
}

TEST_F(WebViewStartupTest, AnAddressThatCannotBeBoundIsSaidAndTheWindowGoesOnWithoutTheView)
{
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost));
    startWith("[Web]\r\nListen=127.0.0.1:" + QByteArray::number(taken.serverPort()) + "\r\n");
    EXPECT_EQ(app_->app->webServer(), nullptr);
    ASSERT_EQ(app_->prompt->texts().size(), 1);
    EXPECT_TRUE(app_->prompt->texts().front().startsWith(
        QStringLiteral("The web view did not start: cannot listen on 127.0.0.1:%1: ").arg(taken.serverPort())))
        << app_->prompt->texts().front().toStdString();
    ASSERT_NE(app_->app->GetMainWnd(), nullptr);
    EXPECT_TRUE(app_->app->GetMainWnd()->isVisible());
}

} // namespace
} // namespace veltroma::test
