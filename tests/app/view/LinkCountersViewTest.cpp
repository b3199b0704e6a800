#include "ViewTestSupport.h"

#include "app/view/LinkHealthPanel.h"
#include "instruments/CiSwitchRotaryX.h"
#include "monitor/EngineTestSupport.h"
#include "publish/MqttPublisher.h"
#include "support/FakeLink.h"

#include <QImage>
#include <QLabel>
#include <QTcpServer>

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
    form.refresh();
    EXPECT_EQ(panel()->valueText(7), "1");
    EXPECT_EQ(panel()->valueText(9), "2026-01-02 03:04:05 the device was removed");

    if (const QByteArray picture = qgetenv("VELTROMA_PICTURE"); !picture.isEmpty())
        form.view->grab().save(QString::fromLocal8Bit(picture));

    turnTo(0);
    EXPECT_FALSE(panel()->isVisible());
}

// An error as long as a port driver may give it: the line shows what fits and says that
// more follows; the tooltip holds it whole.
TEST_F(LinkCountersViewTest, StatusLineCutsALongTextVisiblyAndKeepsItWholeInItsTooltip)
{
    const QString error = QStringLiteral("the device reported an input/output error ") + QString(200, u'x') +
                          QStringLiteral(" end of the error");
    link.health()->setLastError(error, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    form.refresh();
    const auto* line = form.find<QLabel>("statusLine");
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->text().endsWith(QChar(0x2026))) << line->text().toStdString();
    EXPECT_LE(line->fontMetrics().horizontalAdvance(line->text()), line->contentsRect().width());
    EXPECT_TRUE(line->toolTip().contains(error));
    EXPECT_FALSE(line->text().contains(QStringLiteral("end of the error")));
}

TEST_F(LinkCountersViewTest, PublisherCountersShowOnlyWhenValuesArePublished)
{
    turnTo(4);
    ASSERT_TRUE(panel()->isVisible());
    EXPECT_FALSE(panel()->mqttShown());

    // A broker that is not there: a port that was free a moment ago. The publisher keeps two
    // messages and drops the older ones.
    quint16 deadPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        deadPort = probe.serverPort();
    }
    MqttSettings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = deadPort;
    settings.intervalS = 0;  // every reading is a message
    MqttPublisher publisher(settings, 2);
    Reading reading;
    reading.serial = QStringLiteral("S1");
    reading.slot = bInverterAdrNow;
    for (int i = 0; i < 6; ++i)
        publisher.publishReading(reading);
    ASSERT_GT(publisher.counters().dropped, 0U);

    form.view->linkPanel().setMqttSource([&publisher] { return std::optional(publisher.counters()); });
    form.refresh();
    ASSERT_TRUE(panel()->mqttShown());
    const MqttCounters counters = publisher.counters();
    EXPECT_EQ(panel()->valueText(10), QString::number(counters.sent));
    EXPECT_EQ(panel()->valueText(11), QString::number(counters.dropped));
    EXPECT_EQ(panel()->valueText(12), QString::number(counters.failed));
    EXPECT_EQ(panel()->valueText(13), QString::number(counters.reconnects));
    // Each count in its own row.
    form.view->linkPanel().setMqttSource(
        [] { return std::optional(MqttCounters{.sent = 7, .dropped = 3, .failed = 2, .reconnects = 1}); });
    form.refresh();
    EXPECT_EQ((QStringList{panel()->valueText(10), panel()->valueText(11), panel()->valueText(12),
                           panel()->valueText(13)}),
              (QStringList{"7", "3", "2", "1"}));
    // All of it fits the panel: the last row ends inside it.
    const auto labels = panel()->findChildren<QLabel*>();
    for (const QLabel* label : labels)
        EXPECT_LE(label->geometry().bottom(), panel()->contentsRect().bottom()) << label->text().toStdString();

    if (const QByteArray picture = qgetenv("VELTROMA_MQTT_PICTURE"); !picture.isEmpty())
        form.view->grab().save(QString::fromLocal8Bit(picture));
}

} // namespace
} // namespace veltroma::test
