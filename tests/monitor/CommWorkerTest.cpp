#include "EngineTestSupport.h"

#include "monitor/CommWorker.h"
#include "monitor/ReplyDecoder.h"
#include "monitor/SlotPoller.h"
#include "monitor/Watchdog.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>

namespace veltroma::test {
namespace {

std::uint8_t functionOf(const FakeLink::Sent& sent)
{
    return sent.bytes.at(kOffsetFunction);
}

// A worker on a fake link in virtual time, with an inverter that answers both polls unless
// told to stay silent or to corrupt its replies.
class CommWorkerTest : public ::testing::Test {
protected:
    CommWorkerTest()
        : link(clock),
          engineLink(link, clock),
          decoder(model, display, QStringLiteral("/pv/"), englishText,
                  [] { return QDateTime(QDate(2011, 5, 7), QTime(12, 0, 0)); }),
          watchdog(),
          poller(engineLink, flags, decoder, watchdog),
          worker(engineLink, poller)
    {
        flags.COMM_CMD = 1;
        link.respondWith([this](FakeLink& l, const FakeLink::Sent& sent) { answer(l, sent); });
    }

    ~CommWorkerTest() override { worker.shutdown(); }

    void answer(FakeLink& l, const FakeLink::Sent& sent)
    {
        if (onSend)
            onSend(sent);
        if (silent)
            return;
        auto reply = functionOf(sent) == 0x02 ? replyFrame(0x82, realtimeReply)
                                              : replyFrame(0x84, std::vector<std::uint8_t>(18, 0));
        if (corrupt)
            reply.back() ^= 0x01;
        // The reply starts arriving 20 ms after the request went out, one byte per ms.
        l.arrive(sent.atMs + 20, reply);
    }

    std::vector<FakeLink::Sent> stopAfter(std::size_t requests)
    {
        onSend = [this, requests](const FakeLink::Sent&) {
            if (++seen == requests)
                worker.SetThreadState(false);
        };
        worker.SetThreadState(true);
        EXPECT_TRUE(waitFor([this] { return !worker.running(); }));
        return link.sent();
    }

    VirtualClock clock;
    FakeLink link;
    EngineLink engineLink;
    EngineFlags flags;
    SharedModel model;
    RecordingDisplay display;
    ReplyDecoder decoder;
    Watchdog watchdog;
    SlotPoller poller;
    CommWorker worker;
    std::vector<std::uint8_t> realtimeReply = exampleRealtimeData();
    std::atomic<bool> silent{false};
    std::atomic<bool> corrupt{false};
    std::function<void(const FakeLink::Sent&)> onSend;
    std::atomic<std::size_t> seen{0};
};

TEST_F(CommWorkerTest, PollsAlternateWithTheCycleSpacing)
{
    const auto sent = stopAfter(9);
    ASSERT_EQ(sent.size(), 10U); // the cycle in progress ends with its settings poll
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].bytes,
                  (std::vector<std::uint8_t>{0x43, 0x5A, 0x00, 0x00, 0x00, 0x01, 0x01,
                                             static_cast<std::uint8_t>(i % 2 ? 0x04 : 0x02), 0x00,
                                             0x00, static_cast<std::uint8_t>(i % 2 ? 0xA3 : 0xA1)}));
        if (i == 0)
            continue;
        const auto gap = sent[i].atMs - sent[i - 1].atMs;
        if (i % 2) {
            EXPECT_GE(gap, 1769) << i;
            EXPECT_LT(gap, 1769 + 120) << i; // the receiver returns once the reply is complete
        } else {
            EXPECT_GE(gap, 771) << i;
            EXPECT_LT(gap, 771 + 120) << i;
        }
    }
    EXPECT_EQ(display.cell(0, 0), "340.0");
    EXPECT_EQ(display.cell(0, 5), "0");
}

TEST_F(CommWorkerTest, CycleTakesAboutFiveAndAHalfSecondsWithoutAnswer)
{
    silent = true;
    const auto sent = stopAfter(5);
    ASSERT_EQ(sent.size(), 6U);
    for (std::size_t i = 2; i < sent.size(); i += 2) {
        const auto cycle = sent[i].atMs - sent[i - 2].atMs;
        EXPECT_GE(cycle, 5500) << i;
        EXPECT_LE(cycle, 5560) << i;
    }
    EXPECT_FALSE(watchdog.enabled());
    EXPECT_EQ(display.updates(), 0);
}

TEST_F(CommWorkerTest, StopTakesEffectAtTheEndOfTheCycle)
{
    // Stopped while its realtime poll is under way, the worker still sends the settings poll
    // of that cycle, then nothing more.
    auto sent = stopAfter(3);
    EXPECT_EQ(sent.size(), 4U);
    EXPECT_EQ(functionOf(sent.back()), 0x04);

    seen = 0;
    sent = stopAfter(2); // stopped during the settings poll: the cycle ends there
    EXPECT_EQ(sent.size(), 6U);
    EXPECT_EQ(functionOf(sent.back()), 0x04);
}

TEST_F(CommWorkerTest, FailedExchangeDecodesNothing)
{
    // First a good cycle, then replies with other values whose checksums are wrong: they are
    // received into the buffer but nothing of them reaches the model or the form.
    onSend = [this](const FakeLink::Sent&) {
        if (++seen == 3) {
            corrupt = true;
            put(realtimeReply, 2, {0x0F, 0xFF});
            realtimeReply[23] = 2;
        }
        if (seen == 6)
            worker.SetThreadState(false);
    };
    worker.SetThreadState(true);
    ASSERT_TRUE(waitFor([this] { return !worker.running(); }));

    EXPECT_EQ(display.cell(0, 0), "340.0");
    EXPECT_EQ(display.lamps().size(), 1U);
    const auto m = model.snapshot();
    EXPECT_FLOAT_EQ(m.values.Vpv[1], 340.0F);
    EXPECT_EQ(m.values.iInverterState[1], 1);
}

TEST_F(CommWorkerTest, EveryExchangeHoldsTheLinkLock)
{
    std::vector<bool> held;
    onSend = [this, &held](const FakeLink::Sent&) {
        held.push_back(heldElsewhere(link.linkLock()));
        if (held.size() == 4)
            worker.SetThreadState(false);
    };
    worker.SetThreadState(true);
    ASSERT_TRUE(waitFor([this] { return !worker.running(); }));
    EXPECT_EQ(held, std::vector<bool>(4, true));
}

TEST_F(CommWorkerTest, RestartWaitsForTheFinishingWorkerAndStopReachesTheNewOne)
{
    // The first worker is held inside its first exchange while the switch goes off and on.
    std::mutex gateMutex;
    std::condition_variable gateChanged;
    bool open = false;
    onSend = [&](const FakeLink::Sent&) {
        std::unique_lock lock(gateMutex);
        gateChanged.wait(lock, [&] { return open; });
    };
    worker.SetThreadState(true);
    ASSERT_TRUE(waitFor([this] { return link.sent().size() == 1; }));

    worker.SetThreadState(false);
    worker.SetThreadState(true);
    EXPECT_TRUE(worker.running());
    {
        std::lock_guard lock(gateMutex);
        open = true;
    }
    gateChanged.notify_all();

    ASSERT_TRUE(waitFor([this] { return link.sent().size() >= 8; }));
    worker.SetThreadState(false);
    ASSERT_TRUE(waitFor([this] { return !worker.running(); }));

    // One worker at a time: strictly alternating polls, and none after the last stop.
    const auto sent = link.sent();
    for (std::size_t i = 0; i < sent.size(); ++i)
        EXPECT_EQ(functionOf(sent[i]), i % 2 ? 0x04 : 0x02) << i;
    const auto count = link.sent().size();
    clock.advance(60'000);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(link.sent().size(), count);
}

TEST_F(CommWorkerTest, ShutdownCutsTheCycleShort)
{
    // The program ends during the first exchange: the exchange completes, the pause and the
    // settings poll of the cycle are skipped.
    std::thread closer;
    onSend = [&](const FakeLink::Sent&) {
        if (++seen != 1)
            return;
        closer = std::thread([this] { worker.shutdown(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    };
    worker.SetThreadState(true);
    ASSERT_TRUE(waitFor([this] { return seen >= 1 && !worker.running(); }));
    closer.join();
    EXPECT_EQ(link.sent().size(), 1U);
    EXPECT_EQ(display.cell(0, 0), "340.0");
}

} // namespace
} // namespace veltroma::test
