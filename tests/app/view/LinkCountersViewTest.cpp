#include "ViewTestSupport.h"

#include "app/view/LinkHealthPanel.h"
#include "instruments/CiSwitchRotaryX.h"
#include "monitor/EngineTestSupport.h"
#include "support/FakeLink.h"

#include <QImage>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

// The form on a link that keeps counters and on which nothing answers.
class LinkCountersViewTest : public ::testing::Test {
protected:
    LinkCountersViewTest() : fake(steadyClock(), 30), link(fake), form(link, steadyClock()) {}

    void turnTo(int position) const
    {
        auto* rotary = form.find<CiSwitchRotaryX>("m_iSwitchRotaryX1");
        rotary->SetPosition(position);
        emit rotary->positionChanged(position);
    }
    LinkHealthPanel* panel() const { return form.find<LinkHealthPanel>("LinkHealthPanel"); }

    FakeLink fake;
    CountingLink link;
    ViewHarness form;
};

TEST_F(LinkCountersViewTest, DebugModeShowsTheCountersAndKeepsThemCurrent)
{
    ASSERT_NE(panel(), nullptr);
    EXPECT_FALSE(panel()->isVisible());

    LinkHealth& health = *link.health();
    for (int i = 0; i < 7; ++i)
        health.count(LinkEvent::RequestSent);
    health.count(LinkEvent::ValidatedReply);
    health.count(LinkEvent::RejectedChecksum);
    health.count(LinkEvent::ReRegistration);
    turnTo(4);
    ASSERT_TRUE(panel()->isVisible());
    EXPECT_EQ(panel()->valueText(0), "7");
    EXPECT_EQ(panel()->valueText(1), "1");
    EXPECT_EQ(panel()->valueText(3), "1");
    EXPECT_EQ(panel()->valueText(8), "1");
    EXPECT_EQ(panel()->valueText(9), "none");
    // Above the plot, not beneath it.
    const QWidget* hit = form.view->childAt(panel()->geometry().center());
    EXPECT_TRUE(hit == panel() || panel()->isAncestorOf(hit));

    health.count(LinkEvent::Reopen);
    health.setLastError("the device was removed", QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    form.view->OnTimer1iThreadTimersX1();
    EXPECT_EQ(panel()->valueText(7), "1");
    EXPECT_EQ(panel()->valueText(9), "2026-01-02 03:04:05 the device was removed");

    if (const QByteArray picture = qgetenv("VELTROMA_PICTURE"); !picture.isEmpty())
        form.view->grab().save(QString::fromLocal8Bit(picture));

    turnTo(0);
    EXPECT_FALSE(panel()->isVisible());
}

} // namespace
} // namespace veltroma::test
