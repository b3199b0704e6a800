#include "EngineTestSupport.h"

#include "monitor/MonitorEngine.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace veltroma::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kClear{0x43, 0x5A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0xA0};
const Bytes kQuery{0x43, 0x5A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x9D};

Bytes assignment(const std::string& serial)
{
    Bytes frame{0x43, 0x5A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x0B};
    for (const char c : serial)
        frame.push_back(static_cast<std::uint8_t>(c));
    frame.push_back(0x01);
    unsigned sum = 0;
    for (const auto b : frame)
        sum += b;
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum));
    return frame;
}

struct ProgressLog final : ProgressDisplay {
    void setRange(unsigned maximum) override { events.push_back("range " + std::to_string(maximum)); }
    void setPosition(unsigned position) override { events.push_back(std::to_string(position)); }
    void close() override { events.push_back("close"); }
    std::vector<std::string> events;
};

// The engine on a fake link in virtual time with one unregistered inverter: it answers the
// serial-number query, the assignment, and, once registered, the polls.
class RegistrationTest : public ::testing::Test {
protected:
    RegistrationTest()
        : link(clock),
          engine({link, clock, display, QStringLiteral("/pv/"), englishText,
                  [] { return QDateTime(QDate(2011, 5, 7), QTime(12, 0, 0)); }})
    {
        engine.setProgressDisplay(&progress);
        link.respondWith([this](FakeLink& l, const FakeLink::Sent& sent) {
            const auto function = sent.bytes.at(kOffsetFunction);
            const auto destination = sent.bytes.at(kOffsetDestination);
            if (!answering)
                return;
            if (destination == 0x00 && function == 0x00) {
                l.arrive(sent.atMs + 30,
                         replyFrame(0x80, Bytes(serial.begin(), serial.end()), 0x00));
            } else if (destination == 0x00 && function == 0x01) {
                l.arrive(sent.atMs + 30, Bytes(10, 0x55));
            } else if (destination == 0x01 && function == 0x02) {
                l.arrive(sent.atMs + 30, replyFrame(0x82, exampleRealtimeData()));
            }
        });
    }

    ~RegistrationTest() override { engine.shutdown(); }

    // Moves the switch and waits until its registration and worker change have run.
    bool switchTo(bool on)
    {
        const bool progressShown = engine.OnChangeUseriSwitchLEDX0(on);
        EXPECT_TRUE(waitFor([this] { return !engine.switching(); }));
        return progressShown;
    }

    std::size_t count(const Bytes& frame) const
    {
        const auto sent = frames();
        return static_cast<std::size_t>(std::count(sent.begin(), sent.end(), frame));
    }

    std::vector<Bytes> frames() const
    {
        std::vector<Bytes> bytes;
        for (const auto& sent : link.sent())
            bytes.push_back(sent.bytes);
        return bytes;
    }

    VirtualClock clock;
    FakeLink link;
    RecordingDisplay display;
    ProgressLog progress;
    MonitorEngine engine;
    std::string serial = "A1B2C3D4E5";
    bool answering = true;
};

TEST_F(RegistrationTest, SwitchOffSendsClearTwiceQueryAndAssignment)
{
    EXPECT_FALSE(switchTo(false));

    EXPECT_EQ(frames(), (std::vector<Bytes>{kClear, kClear, kQuery, assignment(serial)}));
    const auto sent = link.sent();
    EXPECT_EQ(sent[1].atMs - sent[0].atMs, 269 + 22);
    EXPECT_EQ(sent[2].atMs - sent[1].atMs, 22 + 20 + 269);
    ASSERT_EQ(display.captions().size(), 1U);
    EXPECT_EQ(display.captions()[0], (std::pair<int, QString>{1, "A1B2C3D4E5"}));
    EXPECT_EQ(engine.snapshot().sSerialNums[1], "A1B2C3D4E5");
    EXPECT_FALSE(engine.workerRunning());
    EXPECT_TRUE(progress.events.empty());
    // The query's validated reply marks the link alive.
    EXPECT_EQ(engine.watchdog().CommunicationOkFlg(), 1);
}

TEST_F(RegistrationTest, UnansweredOrInvalidQuerySendsNoAssignmentAndKeepsCaptionAndSerial)
{
    switchTo(false);
    // Silence, then an answer with a bad checksum, then a well-formed reply to another
    // function: none of them names the inverter.
    for (const int variant : {0, 1, 2}) {
        SCOPED_TRACE(variant);
        link.respondWith([variant](FakeLink& l, const FakeLink::Sent& sent) {
            if (sent.bytes.at(kOffsetFunction) != 0x00 || sent.bytes.at(kOffsetDestination) != 0)
                return;
            if (variant == 1) {
                auto frame = replyFrame(0x80, Bytes(10, 'Z'), 0x00);
                frame.back() ^= 0xFF;
                l.arrive(sent.atMs + 30, frame);
            } else if (variant == 2) {
                l.arrive(sent.atMs + 30, replyFrame(0x82, Bytes(10, 'Z'), 0x00));
            }
        });
        const std::size_t before = frames().size();
        switchTo(false);

        const auto sent = frames();
        ASSERT_EQ(sent.size(), before + 3);
        EXPECT_EQ(sent.back(), kQuery);
        EXPECT_EQ(count(assignment(serial)), 1U);
        ASSERT_EQ(display.captions().size(), 1U);
        EXPECT_EQ(engine.snapshot().sSerialNums[1], "A1B2C3D4E5");
    }
}

TEST_F(RegistrationTest, SwitchOnStartsTheWorkerAndTheTenStepProgress)
{
    ASSERT_TRUE(switchTo(true));
    EXPECT_TRUE(engine.workerRunning());
    EXPECT_EQ(engine.registration().RegistStartFlg(), 1);

    for (int tick = 0; tick < 11; ++tick) {
        engine.refreshTick(RefreshState::RealtimeConnected);
        EXPECT_EQ(engine.flags().COMM_CMD.load(), 0) << tick;
    }
    EXPECT_EQ(progress.events, (std::vector<std::string>{"10", "20", "30", "40", "50", "60", "70",
                                                        "80", "90", "100", "close", "range 100"}));
    EXPECT_EQ(engine.registration().RegistStartFlg(), 0);
    EXPECT_EQ(engine.flags().RegistEndFlg.load(), 0);

    engine.refreshTick(RefreshState::RealtimeConnected);
    EXPECT_EQ(engine.flags().COMM_CMD.load(), 1);
    EXPECT_EQ(engine.flags().RegistEndFlg.load(), 1);
}

TEST_F(RegistrationTest, AModeThatStopsTheWorkerWinsOverASwitchStillRegistering)
{
    engine.OnChangeUseriSwitchLEDX0(true);
    engine.stopWorker(); // the user left realtime mode while the registration still ran
    // A worker the switch started just before the mode stopped it ends with its cycle.
    EXPECT_TRUE(waitFor([this] { return !engine.switching() && !engine.workerRunning(); }));

    ASSERT_TRUE(switchTo(true));
    EXPECT_TRUE(engine.workerRunning());
}

TEST_F(RegistrationTest, ClosedChannelStartsTheWorkerWithoutProgress)
{
    link.setOpen(false);
    EXPECT_FALSE(switchTo(true));
    EXPECT_TRUE(engine.workerRunning());
    EXPECT_EQ(engine.registration().RegistStartFlg(), 0);
}

TEST_F(RegistrationTest, SwitchOffRegistersFirstThenTheWorkerEndsAfterItsCycle)
{
    engine.refreshTick(RefreshState::RealtimeDisconnected);
    engine.OnChangeUseriSwitchLEDX0(true);
    ASSERT_TRUE(waitFor([this] { return link.sent().size() >= 9; }));
    engine.OnChangeUseriSwitchLEDX0(false);
    ASSERT_TRUE(waitFor([this] { return !engine.switching() && !engine.workerRunning(); }));

    // After the second registration (clear, clear, query, assignment) at most the rest of
    // one cycle is polled: a worker that waited for the link during the registration still
    // sends that cycle's realtime and settings polls.
    const auto sent = frames();
    std::size_t secondClear = 0;
    for (std::size_t i = 4; i < sent.size(); ++i)
        if (sent[i] == kClear) {
            secondClear = i;
            break;
        }
    ASSERT_GT(secondClear, 0U);
    EXPECT_EQ(sent[secondClear + 1], kClear);
    EXPECT_EQ(sent[secondClear + 2], kQuery);
    EXPECT_LE(sent.size(), secondClear + 4 + 2);
}

} // namespace
} // namespace veltroma::test
