#include "app/shell/InverterSlotsEditor.h"
#include "config/ProfileFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace veltroma {
namespace {

InverterSlots threeSlotsTwoKnown()
{
    InverterSlots inverters;
    inverters.count = 3;
    inverters.serials[1] = QStringLiteral("VT24000001");
    inverters.serials[2] = QStringLiteral("VT24000002");
    inverters.serials[5] = QStringLiteral("VT24000005");
    return inverters;
}

// A settings file of its own, with lines of other sections around [Inverters].
class InverterSlotsEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kBefore);
    }

    [[nodiscard]] QString path() const { return dir.filePath(QStringLiteral("setting.ini")); }
    [[nodiscard]] QByteArray bytes() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static constexpr const char* kBefore =
        "[Setting]\r\nCommNum=COM3,9600,8,N,1\r\n"
        "[Inverters]\r\nCount=3\r\nSerial1=VT24000001\r\nSerial2=VT24000002\r\nSerial5=VT24000005\r\n"
        "[Mqtt]\r\nHost=broker.lan\r\n";

    QTemporaryDir dir;
};

TEST_F(InverterSlotsEditorTest, OnlySlotsUpToTheCountCanBeChangedAndOnlyKnownOnesCleared)
{
    InverterSlotsEditor editor(threeSlotsTwoKnown(), {});
    for (int slot = 0; slot <= InverterSlots::kMaxCount + 1; ++slot)
        EXPECT_EQ(editor.isEnabled(slot), slot >= 1 && slot <= 3) << slot;
    EXPECT_FALSE(editor.canClear(3)) << "a free slot";
    EXPECT_FALSE(editor.clear(5)) << "beyond the count";
    EXPECT_EQ(editor.serialText(5, QStringLiteral("free")), QStringLiteral("VT24000005"));

    editor.setCount(9);
    EXPECT_EQ(editor.count(), 6);
    EXPECT_TRUE(editor.canClear(5));
    editor.setCount(0);
    EXPECT_EQ(editor.count(), 1);
    EXPECT_FALSE(editor.canClear(2));

    editor.setCount(3);
    EXPECT_TRUE(editor.clear(2));
    EXPECT_FALSE(editor.clear(2)) << "already free";
    EXPECT_EQ(editor.serialText(2, QStringLiteral("free")), QStringLiteral("free"));
    EXPECT_EQ(editor.cleared(), std::vector<int>{2});
}

TEST_F(InverterSlotsEditorTest, AnUnchangedSaveLeavesTheFileAsItWas)
{
    const InverterSlotsEditor editor(threeSlotsTwoKnown(), {});
    const auto saved = editor.save(ProfileFile(path()));
    EXPECT_TRUE(saved.countSaved);
    EXPECT_TRUE(saved.clearedSlots.empty());
    EXPECT_EQ(bytes(), QByteArray(kBefore));
}

TEST_F(InverterSlotsEditorTest, SavingWritesTheCountAndEmptiesOnlyTheClearedSerials)
{
    InverterSlotsEditor editor(threeSlotsTwoKnown(), {});
    editor.setCount(6);
    ASSERT_TRUE(editor.clear(1));
    ASSERT_TRUE(editor.clear(5));
    // Meanwhile the engine found an inverter for the free slot 3 and kept it.
    const ProfileFile file(path());
    ASSERT_TRUE(file.write(QStringLiteral("Inverters"), QStringLiteral("Serial3"), QStringLiteral("VT24000003")));

    const auto saved = editor.save(file);
    EXPECT_TRUE(saved.countSaved);
    EXPECT_EQ(saved.clearedSlots, (std::vector<int>{1, 5}));
    const InverterSlots after = loadInverterSlots(file);
    EXPECT_EQ(after.count, 6);
    EXPECT_TRUE(after.serials[1].isEmpty());
    EXPECT_EQ(after.serials[2], QStringLiteral("VT24000002"));
    EXPECT_EQ(after.serials[3], QStringLiteral("VT24000003"));
    EXPECT_TRUE(after.serials[5].isEmpty());
    EXPECT_EQ(file.read(QStringLiteral("Setting"), QStringLiteral("CommNum")), QStringLiteral("COM3,9600,8,N,1"));
    EXPECT_EQ(file.read(QStringLiteral("Mqtt"), QStringLiteral("Host")), QStringLiteral("broker.lan"));
    EXPECT_TRUE(bytes().startsWith("[Setting]\r\nCommNum=COM3,9600,8,N,1\r\n[Inverters]\r\nCount=6\r\n"));
}

TEST_F(InverterSlotsEditorTest, ASaveThatFailsReportsNoSlotAsCleared)
{
    InverterSlotsEditor editor(threeSlotsTwoKnown(), {});
    editor.setCount(4);
    ASSERT_TRUE(editor.clear(2));
    const auto saved = editor.save(ProfileFile(dir.filePath(QStringLiteral("missing/setting.ini"))));
    EXPECT_FALSE(saved.countSaved);
    EXPECT_TRUE(saved.clearedSlots.empty());
}

TEST_F(InverterSlotsEditorTest, LastSeenShowsTheTimeTodayTheDateOtherwiseAndNothingForNever)
{
    const QDateTime now(QDate(2026, 6, 14), QTime(12, 0, 0));
    const std::map<int, QDateTime> seen{
        {1, QDateTime(QDate(2026, 6, 14), QTime(11, 59, 7))},
        {2, QDateTime(QDate(2026, 6, 13), QTime(23, 58, 0))},
    };
    const InverterSlotsEditor editor(threeSlotsTwoKnown(), [&](int slot) {
        const auto at = seen.find(slot);
        return at == seen.end() ? QDateTime() : at->second;
    });
    EXPECT_EQ(editor.lastSeenText(1, now), QStringLiteral("11:59:07"));
    EXPECT_EQ(editor.lastSeenText(2, now), QStringLiteral("2026-06-13 23:58:00"));
    EXPECT_EQ(editor.lastSeenText(3, now), QString());
    EXPECT_EQ(editor.lastSeenText(7, now), QString());

    const InverterSlotsEditor unwired(threeSlotsTwoKnown(), {});
    EXPECT_EQ(unwired.lastSeenText(1, now), QString());
}

} // namespace
} // namespace veltroma
