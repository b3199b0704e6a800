#include "ManualTestSupport.h"

#include "service/manual/ManualTest.h"

#include <QElapsedTimer>

namespace veltroma::test {
namespace {

const QString kReadDci = QStringLiteral("service-read-dci");
const QString kWriteDci = QStringLiteral("service-write-dci");
const QString kReadSerial = QStringLiteral("service-read-serial");
const QString kSetSerial = QStringLiteral("service-set-serial");

InverterSim::Options withArguments(const QStringList& arguments)
{
    InverterSim::Options options;
    options.extraArguments = arguments;
    return options;
}

// The manual test on the program's channel, talking to the simulated inverter.
class ManualTestSim : public ::testing::Test {
protected:
    void start(const InverterSim::Options& options = {})
    {
        link = std::make_unique<SimulatedLink>(options);
        ASSERT_TRUE(link->ready()) << link->sim.errorString().toStdString();
        display = std::make_unique<QueuedManualTestDisplay>();
        shown = std::make_unique<ShownValues>(*display);
        test = std::make_unique<ManualTest>(link->channel, steadyClock(), prompt, *display);
        test->start();
    }

    void TearDown() override
    {
        if (test)
            test->close();
    }

    // Waits for `count` more DCI reads than have been logged so far.
    bool waitForDciReads(qsizetype count)
    {
        const qsizetype target = link->requestsOf(kReadDci).size() + count;
        return waitUntil([&] { return link->requestsOf(kReadDci).size() >= target; }, 10000);
    }

    EnglishTexts english;
    ScriptedPrompt prompt;
    std::unique_ptr<SimulatedLink> link;
    std::unique_ptr<QueuedManualTestDisplay> display;
    std::unique_ptr<ShownValues> shown;
    std::unique_ptr<ManualTest> test;
};

TEST_F(ManualTestSim, RefreshShowsTheInvertersDciReadingAndOffset)
{
    start(withArguments({QStringLiteral("--dci=100"), QStringLiteral("--dci-offset=2000")}));
    ASSERT_TRUE(waitUntil([&] { return !shown->dci.empty(); }, 5000));
    EXPECT_EQ(shown->dci.front(), std::make_pair(100, 2000));
    EXPECT_EQ(link->requestsOf(kReadDci).front().bytes, QByteArray("K_pC"));

    // The refresh goes on about once a second and follows the inverter.
    ASSERT_TRUE(link->sim.command(QStringLiteral("dci 37")));
    ASSERT_TRUE(waitUntil([&] { return shown->dci.back().first == 37; }, 5000));
    EXPECT_EQ(shown->dci.back().second, 2000);
}

TEST_F(ManualTestSim, SettingTheSerialNumberShowsOldSetAndReadBackValues)
{
    InverterSim::Options options;
    options.serial = QStringLiteral("A1B2C3D4E5");
    start(options);
    ASSERT_TRUE(test->OnSetSerialNum(QStringLiteral("VT24000777")));

    const SerialNumberTexts expected{QStringLiteral("A1B2C3D4E5"), QStringLiteral("VT24000777"),
                                     QStringLiteral("VT24000777")};
    ASSERT_TRUE(waitUntil([&] { return !shown->serials.empty() && shown->serials.back() == expected; },
                          10000))
        << (shown->serials.empty() ? std::string("nothing shown")
                                   : shown->serials.back().sSerialNumSel.toStdString());

    const auto sets = link->requestsOf(kSetSerial);
    ASSERT_EQ(sets.size(), 1);
    EXPECT_EQ(sets.front().bytes, QByteArray("K_cSVT24000777E"));
    EXPECT_EQ(sets.front().bytes.size(), 15);
    EXPECT_EQ(static_cast<unsigned char>(sets.front().bytes.back()), 0x45);

    // Read, write, read back: in this order, and nothing else in between.
    QStringList order;
    for (const auto& request : link->sim.requests())
        if (request.kind != kReadDci)
            order << request.kind;
    EXPECT_EQ(order, (QStringList{kReadSerial, kSetSerial, kReadSerial}));
    EXPECT_TRUE(prompt.shown().empty());
}

TEST_F(ManualTestSim, SerialNumbersOfAnyOtherLengthGiveTheLengthMessage)
{
    start();
    for (const char* entry : {"VT2400077", "VT240007777", ""})
        EXPECT_FALSE(test->OnSetSerialNum(QString::fromLatin1(entry))) << entry;
    // Ten characters that are no single bytes each could not go out as typed.
    EXPECT_FALSE(test->OnSetSerialNum(QStringLiteral("VT2400077\u4E2D")));

    ASSERT_TRUE(waitForDciReads(2));
    EXPECT_EQ(prompt.texts(),
              QStringList(4, QStringLiteral("Serial Number Length should be 10 Char!")));
    EXPECT_TRUE(link->requestsOf(kSetSerial).empty());
    EXPECT_TRUE(link->requestsOf(kReadSerial).empty());
}

TEST_F(ManualTestSim, DciOffsetsInRangeAreSentHighByteFirst)
{
    start();
    for (const char* entry : {"2000", "1920", "2080"}) {
        const auto before = link->requestsOf(kWriteDci).size();
        ASSERT_TRUE(test->OnDCIWrite(QString::fromLatin1(entry)));
        ASSERT_TRUE(waitUntil([&] { return link->requestsOf(kWriteDci).size() > before; }, 5000))
            << entry;
    }
    const auto writes = link->requestsOf(kWriteDci);
    ASSERT_EQ(writes.size(), 3);
    EXPECT_EQ(writes[0].bytes, QByteArray::fromHex("4B5F444107D0"));
    EXPECT_EQ(writes[1].bytes, QByteArray::fromHex("4B5F44410780"));
    EXPECT_EQ(writes[2].bytes, QByteArray::fromHex("4B5F44410820"));
    // The inverter took the last one; the refresh shows it.
    ASSERT_TRUE(waitUntil([&] { return !shown->dci.empty() && shown->dci.back().second == 2080; },
                          5000));
    EXPECT_TRUE(prompt.shown().empty());
}

TEST_F(ManualTestSim, WritesTheInverterDidNotApplyAreReportedWithWhatWasAskedAndWhatCameBack)
{
    InverterSim::Options options;
    options.serial = QStringLiteral("A1B2C3D4E5");
    options.extraArguments = {QStringLiteral("--dci-offset=2000")};
    start(options);
    ASSERT_TRUE(link->sim.command(QStringLiteral("unapplied on")));

    ASSERT_TRUE(test->OnSetSerialNum(QStringLiteral("VT24000777")));
    ASSERT_TRUE(waitUntil([&] { return shown->failures.size() == 1; }, 10000));
    EXPECT_EQ(shown->failures[0], "VT24000777/A1B2C3D4E5");

    ASSERT_TRUE(test->OnDCIWrite(QStringLiteral("1950")));
    ASSERT_TRUE(waitUntil([&] { return shown->failures.size() == 2; }, 10000));
    EXPECT_EQ(shown->failures[1], "1950/2000");

    // A silent inverter: the write is reported as unanswered, once.
    ASSERT_TRUE(link->sim.command(QStringLiteral("silent on")));
    ASSERT_TRUE(test->OnDCIWrite(QStringLiteral("1960")));
    ASSERT_TRUE(waitUntil([&] { return shown->failures.size() == 3; }, 20000));
    EXPECT_EQ(shown->failures[2], "1960/");
    EXPECT_EQ(link->requestsOf(kWriteDci).size(), 1 + 3);

    // What the user reads.
    test->showWriteFailure({ManualWrite::SerialNumber, "VT24000777", "A1B2C3D4E5"});
    test->showWriteFailure({ManualWrite::DciOffset, "1960", {}});
    EXPECT_EQ(prompt.texts(),
              (QStringList{"Serial Number: asked VT24000777, the inverter reports A1B2C3D4E5",
                           "DCI Shift: asked 1960, no reply after three attempts"}));
}

TEST_F(ManualTestSim, AppliedWritesAreConfirmedWithoutAMessage)
{
    start();
    ASSERT_TRUE(test->OnSetSerialNum(QStringLiteral("VT24000777")));
    ASSERT_TRUE(test->OnDCIWrite(QStringLiteral("2050")));
    ASSERT_TRUE(waitUntil([&] { return !link->requestsOf(kWriteDci).empty(); }, 10000));
    ASSERT_TRUE(waitForDciReads(2));
    EXPECT_TRUE(shown->failures.isEmpty()) << shown->failures.join(',').toStdString();
}

TEST_F(ManualTestSim, DciOffsetsOutOfRangeOrNoNumberAreRefusedAndNothingIsSent)
{
    start();
    EXPECT_FALSE(test->OnDCIWrite(QStringLiteral("1919")));
    EXPECT_FALSE(test->OnDCIWrite(QStringLiteral("2081")));
    EXPECT_FALSE(test->OnDCIWrite(QStringLiteral("20x0")));
    EXPECT_FALSE(test->OnDCIWrite(QStringLiteral("-2000")));

    ASSERT_TRUE(waitForDciReads(2));
    const QString range = QStringLiteral("DCI Value should be in 1920~2080 range!");
    const QStringList texts = prompt.texts();
    ASSERT_EQ(texts.size(), 4);
    EXPECT_EQ(texts[0], range);
    EXPECT_EQ(texts[1], range);
    EXPECT_NE(texts[2], range);
    EXPECT_EQ(texts[3], texts[2]);
    EXPECT_TRUE(link->requestsOf(kWriteDci).empty());
}

TEST_F(ManualTestSim, DciBlockWithoutItsMarkersIsIgnored)
{
    start(withArguments({QStringLiteral("--dci=100")}));
    ASSERT_TRUE(waitUntil([&] { return !shown->dci.empty(); }, 5000));

    ASSERT_TRUE(link->sim.command(QStringLiteral("nomarkers on")));
    ASSERT_TRUE(link->sim.command(QStringLiteral("dci 55")));
    ASSERT_TRUE(waitForDciReads(3));
    QCoreApplication::processEvents();
    EXPECT_EQ(shown->dci.back().first, 100);

    ASSERT_TRUE(link->sim.command(QStringLiteral("nomarkers off")));
    EXPECT_TRUE(waitUntil([&] { return shown->dci.back().first == 55; }, 5000));
}

// What the dialog owns: the display its fields are fed from and the test with its thread.
struct DialogStandIn {
    DialogStandIn(ByteLink& link, Prompt& prompt)
        : shown(display), test(link, steadyClock(), prompt, display)
    {
    }
    QueuedManualTestDisplay display;
    ShownValues shown;
    ManualTest test;
};

TEST_F(ManualTestSim, ClosingWhileAnOrderRunsEndsTheThreadBeforeTheDialogGoes)
{
    start();
    test->close();
    ASSERT_TRUE(link->sim.command(QStringLiteral("silent on")));
    auto dialog = std::make_unique<DialogStandIn>(link->channel, prompt);
    // Unanswered, the order would take nine attempts of about 1.8 s each: far beyond the
    // ten seconds the closing waits.
    ASSERT_TRUE(dialog->test.OnSetSerialNum(QStringLiteral("VT24000777")));
    dialog->test.start();
    ASSERT_TRUE(waitUntil([&] { return !link->requestsOf(kReadSerial).empty(); }, 5000));

    QElapsedTimer closing;
    closing.start();
    int pumped = 0;
    EXPECT_TRUE(dialog->test.close([&] {
        ++pumped;
        QCoreApplication::processEvents();
    }));
    EXPECT_LT(closing.elapsed(), 3000);
    EXPECT_GT(pumped, 0);
    EXPECT_FALSE(dialog->test.isRunning());
    EXPECT_TRUE(link->requestsOf(kSetSerial).empty());

    // Whatever the thread could still post dies with the dialog; nothing arrives later.
    const auto requestsAtClose = link->sim.requests().size();
    dialog.reset();
    QThread::msleep(2000);
    QCoreApplication::processEvents();
    EXPECT_EQ(link->sim.requests().size(), requestsAtClose);
}

} // namespace
} // namespace veltroma::test
