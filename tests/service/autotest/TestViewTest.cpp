#include "ModalDriver.h"

#include "config/EmbeddedFiles.h"
#include "config/ProgramPaths.h"
#include "service/autotest/CTestBar.h"
#include "service/autotest/CTestView.h"
#include "support/ScriptedPrompt.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

const QDateTime kStart(QDate(2011, 3, 5), QTime(9, 7, 2));

QString shownHeader(const QString& barCode)
{
    return QStringLiteral("\n") + barCode
        + QStringLiteral("Invert Test Report\n"
                         "---------------------------------------\n"
                         "[Test Name]:\n"
                         "[Start Time]:2011年 3月 5日  9时 7分 2秒\n"
                         "\n"
                         "[Model]:2.8K\n"
                         "[SoftWare Ver]:4.12\n"
                         "\n"
                         "[装置与上位机通讯]\n");
}

class TestViewWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString path = dir.filePath(QStringLiteral("english.ini"));
        ASSERT_TRUE(MakeResource(62, path));
        setLanguagePath(path);
        setTestBar({});
    }
    void TearDown() override { setLanguagePath({}); }

    // The bar-code step, answered with `code` (OK) or cancelled.
    void runBarCodeStep(std::optional<QString> code)
    {
        whenModal<CTestBar>([code](CTestBar& bar) {
            EXPECT_EQ(bar.windowTitle(), QStringLiteral("Bar Code Input"));
            if (code) {
                bar.entry()->setText(*code);
                saveScreenshot(bar, QStringLiteral("testbar"));
                bar.accept();
            } else {
                bar.reject();
            }
        });
        view.stepButton(TestStep::DeviceBar)->click();
    }

    bool onlyEnabled(std::optional<TestStep> enabled) const
    {
        for (const TestStep step : kTestSteps)
            if (view.stepButton(step)->isEnabled() != (enabled == step))
                return false;
        return true;
    }

    QTemporaryDir dir;
    ScriptedPrompt prompt;
    CTestView view{prompt, nullptr, [] { return kStart; }};
};

TEST_F(TestViewWindow, BarCodeThenCommunicationTestWritesTheHeader)
{
    view.show();
    EXPECT_EQ(view.windowTitle(), QStringLiteral("自动测试"));
    EXPECT_TRUE(onlyEnabled(TestStep::DeviceBar));
    EXPECT_TRUE(view.report()->isEnabled());

    runBarCodeStep(QStringLiteral("VT24000123"));
    EXPECT_EQ(prompt.texts(), QStringList{QStringLiteral("[操作提示]工装DI必须全部闭合/测试仪Pause!")});
    EXPECT_EQ(TestBar(), QStringLiteral("VT24000123"));
    EXPECT_TRUE(onlyEnabled(TestStep::Comm));

    view.stepButton(TestStep::Comm)->click();
    EXPECT_EQ(view.report()->toPlainText(), shownHeader(QStringLiteral("VT24000123")));
    EXPECT_TRUE(onlyEnabled(std::nullopt));
    saveScreenshot(view, QStringLiteral("testview"));
}

TEST_F(TestViewWindow, CancelledBarCodeKeepsTheCodeEnteredLastAndTheReportCanBeCopied)
{
    setTestBar(QStringLiteral("X"));
    view.show();
    runBarCodeStep(std::nullopt);
    EXPECT_TRUE(onlyEnabled(TestStep::Comm));
    view.stepButton(TestStep::Comm)->click();

    QApplication::clipboard()->clear();
    view.OnMenuSelectAll();
    view.OnMenuCopy();
    EXPECT_EQ(QApplication::clipboard()->text(), shownHeader(QStringLiteral("X")));
}

} // namespace
} // namespace veltroma::test
