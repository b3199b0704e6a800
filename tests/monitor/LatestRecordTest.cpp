#include "monitor/LatestRecord.h"
#include "monitor/DailyRecorder.h"
#include "monitor/RecordSnapshot.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

QDateTime at(int year, int month, int day, int h, int m, int s = 0)
{
    return QDateTime(QDate(year, month, day), QTime(h, m, s));
}

// A program folder whose month files the program's own recorder writes for inverter 2, one
// row at a time, each with its own AC power so that the row found can be told apart.
class LatestRecordTest : public ::testing::Test {
protected:
    static constexpr int kSlot = 2;

    void record(const QDateTime& when, int power, const QString& state = QStringLiteral("Normal"))
    {
        QStringList values{
            QStringLiteral("312.4"),   QStringLiteral("230.1"), QStringLiteral("50.02"),
            QString::number(power),    QStringLiteral("4.2"),   QStringLiteral("185"),
            QStringLiteral("12349.8"), QStringLiteral("4099"),  QStringLiteral("41.5")};
        if (!state.isEmpty())
            values << state;
        InverterModel m = recordSnapshot(dir_.path() + u'/', when, values, kSlot);
        m.sSerialNums[kSlot] = QStringLiteral("B2C3D4E5F6");
        recorder_.record(m);
    }

    [[nodiscard]] QString inverterFolder() const
    {
        return dir_.path() + QStringLiteral("/Data/Inverter2/");
    }

    QTemporaryDir dir_;
    DailyRecorder recorder_;
};

TEST_F(LatestRecordTest, TheNewestRowOfTheNewestDayWithRowsIsFoundWithItsValuesAndCover)
{
    record(at(2026, 5, 6, 18, 0), 10);
    record(at(2026, 5, 7, 9, 5, 3), 1200);
    record(at(2026, 5, 7, 9, 8, 3), 1523, QStringLiteral("Wait"));

    const LatestRecordSearch found = findLatestRecord(inverterFolder(), QDate(2026, 5, 7));
    ASSERT_TRUE(found.record.has_value());
    EXPECT_TRUE(found.problems.isEmpty());
    const LatestRecord& row = *found.record;
    EXPECT_EQ(row.recordedAt, at(2026, 5, 7, 9, 8, 3));
    EXPECT_EQ(row.value(Quantity::Vpv), QStringLiteral("312.4"));
    EXPECT_EQ(row.value(Quantity::Fac), QStringLiteral("50.02"));
    EXPECT_EQ(row.value(Quantity::Pac), QStringLiteral("1523"));
    EXPECT_EQ(row.value(Quantity::Temperature), QStringLiteral("41.5"));
    EXPECT_EQ(row.state, QStringLiteral("Wait"));
    EXPECT_EQ(row.serial, QStringLiteral("B2C3D4E5F6"));
    EXPECT_EQ(row.model, QStringLiteral("VT-3000"));
    EXPECT_EQ(row.firmware, QStringLiteral("1.07"));

    // Days later, with nothing recorded since, the same row is the newest.
    const LatestRecordSearch later = findLatestRecord(inverterFolder(), QDate(2026, 5, 20));
    ASSERT_TRUE(later.record.has_value());
    EXPECT_EQ(later.record->recordedAt, at(2026, 5, 7, 9, 8, 3));
}

TEST_F(LatestRecordTest, TheSearchGoesBackAcrossMonthsAndIgnoresDaysAndMonthsAfterToday)
{
    record(at(2025, 12, 31, 16, 30), 31);
    record(at(2026, 2, 3, 12, 0), 203);
    record(at(2026, 2, 5, 12, 0), 205);
    record(at(2026, 3, 1, 8, 0), 301);

    const struct {
        QDate today;
        std::optional<int> power; // of the row that must be found
    } cases[] = {
        {QDate(2026, 4, 10), 301}, // no April file: March's
        {QDate(2026, 3, 1), 301},
        {QDate(2026, 2, 28), 205}, // March lies after today
        {QDate(2026, 2, 4), 203},  // so does February 5
        {QDate(2026, 2, 2), 31},   // over January, which has no file, into December
        {QDate(2025, 12, 30), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.today.toString(Qt::ISODate).toStdString());
        const LatestRecordSearch found = findLatestRecord(inverterFolder(), c.today);
        ASSERT_EQ(found.record.has_value(), c.power.has_value());
        if (c.power) {
            EXPECT_EQ(found.record->value(Quantity::Pac), QString::number(*c.power));
        }
    }
}

TEST_F(LatestRecordTest, AnUnreadableMonthFileIsNamedAndTheMonthBeforeIsSearched)
{
    record(at(2026, 4, 30, 12, 0), 430);
    record(at(2026, 5, 2, 12, 0), 502);
    const QString may = inverterFolder() + QStringLiteral("2026-5.xls");
    // Neither a file kept aside by the recorder nor a name it never gives is a month file,
    // though both hold May's row.
    ASSERT_TRUE(QFile::copy(may, inverterFolder()
                                     + QStringLiteral("2026-5.unreadable-20260502-120000.xls")));
    ASSERT_TRUE(QFile::copy(may, inverterFolder() + QStringLiteral("2026-05.xls")));
    {
        QFile file(may);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("no workbook");
    }

    const LatestRecordSearch found = findLatestRecord(inverterFolder(), QDate(2026, 5, 3));
    ASSERT_TRUE(found.record.has_value());
    EXPECT_EQ(found.record->value(Quantity::Pac), QStringLiteral("430"));
    EXPECT_EQ(found.record->file, inverterFolder() + QStringLiteral("2026-4.xls"));
    ASSERT_EQ(found.problems.size(), 1);
    EXPECT_TRUE(found.problems[0].contains(may)) << found.problems[0].toStdString();
}

TEST_F(LatestRecordTest, AFolderWithoutMonthFilesHasNoRecordAndNoProblem)
{
    const LatestRecordSearch missing = findLatestRecord(inverterFolder(), QDate(2026, 5, 3));
    EXPECT_FALSE(missing.record.has_value());
    EXPECT_TRUE(missing.problems.isEmpty());
    EXPECT_FALSE(QDir(inverterFolder()).exists()) << "the search creates nothing";
}

} // namespace
} // namespace veltroma::test
