#include "EnglishLanguage.h"

#include "params/GridParameterFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

const GridTexts kExample{"250.0", "60", "196.0", "253.0", "47.50", "50.50", "1000"};

TEST(GridParameterFile, ABackupReadsBackAsTheValuesItWasWrittenFrom)
{
    const QDateTime time(QDate(2026, 12, 8), QTime(9, 5, 7));
    const QByteArray file = formatParameterFile(kExample, "VT24000123", time);
    EXPECT_EQ(file, "# inverter VT24000123, read 2026-12-08 09:05:07\n"
                    "Vpv-start=250.0\nT-start=60\nVac-min=196.0\nVac-max=253.0\n"
                    "f-min=47.50\nf-max=50.50\nDCI-Limit=1000\n");
    const ParameterFileContents parsed = parseParameterFile(file);
    EXPECT_TRUE(parsed.problems.isEmpty());
    EXPECT_TRUE(rangeProblems(parsed, kExample).isEmpty());
    for (std::size_t row = 0; row < kGridParameterCount; ++row)
        EXPECT_EQ(parsed.values[row], kExample[row]);
    EXPECT_TRUE(formatParameterFile(kExample, {}, time).startsWith("# inverter unknown,"));
}

TEST(GridParameterFile, CrLfCommentsBlanksAndAnySubsetAreAccepted)
{
    const ParameterFileContents parsed =
        parseParameterFile("# fleet settings\r\n\r\n  Vac-max = 250 \r\nf-min=47.5\r\n");
    EXPECT_TRUE(parsed.problems.isEmpty()) << parsed.problems.join('\n').toStdString();
    EXPECT_EQ(parsed.values[3], "250.0");
    EXPECT_EQ(parsed.values[4], "47.50");
    EXPECT_FALSE(parsed.values[0].has_value());
}

TEST(GridParameterFile, EveryWrongLineIsNamedAndNoValueIsBentIntoRange)
{
    const ParameterFileContents parsed = parseParameterFile(
        "Vac-maximum=250\n"     // unknown name
        "Vpv-start=400\n"       // above its range: not held at 300.0
        "T-start=60.5\n"        // an integer row
        "f-max=50.005\n"        // more decimals than the row has
        "DCI-Limit=-100\n"      // no sign
        "f-min=nan\n"
        "just text\n"
        "T-start=70\nT-start=80\n");
    // Every problem in one pass, in the order of the lines; the value beyond its range too,
    // as it passes only where the inverter holds it.
    ASSERT_EQ(parsed.problems.size(), 8) << parsed.problems.join('\n').toStdString();
    EXPECT_TRUE(parsed.problems[0].startsWith("line 1: unknown parameter 'Vac-maximum' (known: Vpv-start"));
    EXPECT_EQ(parsed.problems[1], "line 2: Vpv-start=400 is not a value from 150.0 to 300.0 "
                                  "(accepted only where the inverter holds it)");
    EXPECT_TRUE(parsed.problems[6].startsWith("line 7: expected Name=Value"));
    EXPECT_EQ(parsed.problems[7], "line 9: T-start given twice");

    // Outside its range, a value passes only where the inverter holds it already: a backup
    // of a factory f-max above the dialog's range still restores, a new one is refused.
    const QString outside = "line 2: Vpv-start=400 is not a value from 150.0 to 300.0";
    EXPECT_EQ(parsed.outOfRange[0], outside);
    EXPECT_EQ(rangeProblems(parsed, kExample), QStringList{outside});
    GridTexts holding = kExample;
    holding[0] = "400.0";
    EXPECT_TRUE(rangeProblems(parsed, holding).isEmpty());
    EXPECT_FALSE(parseParameterFile("DCI-Limit=70000\n").problems.isEmpty());
}

TEST(GridParameterFile, RangeBoundsAreSinglePrecisionValuesAsInTheGrid)
{
    EXPECT_EQ(strictGridValue(kGridParameters[4], u"45.10"), "45.10");
    EXPECT_EQ(strictGridValue(kGridParameters[5], u"50.2"), "50.20");
    EXPECT_FALSE(strictGridValue(kGridParameters[5], u"50.21"));
    EXPECT_EQ(strictGridValue(kGridParameters[6], u"100"), "100");
    EXPECT_FALSE(strictGridValue(kGridParameters[6], u"99"));
}

TEST(GridParameterFile, LimitsMustStayInOrderInTheUnitsTheyTravelIn)
{
    EnglishLanguage english;
    EXPECT_TRUE(consistencyProblems(kExample).isEmpty());
    GridTexts texts = kExample;
    texts[2] = "253.0";  // Vac-min equal to Vac-max
    texts[4] = "50.60";  // f-min above f-max
    EXPECT_EQ(consistencyProblems(texts),
              (QStringList{"Vac-min (253.0) must be below Vac-max (253.0): nothing was written.",
                           "f-min (50.60) must be below f-max (50.50): nothing was written."}));
    // A pair with one side missing is judged later, against the inverter's own value.
    GridSelection some;
    some[2] = "260.0";
    EXPECT_TRUE(consistencyProblems(some).isEmpty());
}

TEST(GridParameterFile, BackupsGoUnderTheInvertersDataFolderAndNeverReplaceEachOther)
{
    QTemporaryDir home;
    const QString folder = home.path() + '/';
    const QDateTime time(QDate(2026, 1, 2), QTime(3, 4, 5));
    const auto first = writeBackup(folder, 2, kExample, "X", time);
    const auto second = writeBackup(folder, 2, kExample, "X", time);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(*first, folder + "Data/Inverter2/parameters-20260102-030405.txt");
    EXPECT_EQ(*second, folder + "Data/Inverter2/parameters-20260102-030405-2.txt");
    QFile file(*first);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), formatParameterFile(kExample, "X", time));

    // A folder that cannot be made is a failure, not a silent success.
    QFile blocker(folder + "Data");
    QDir(folder + "Data").removeRecursively();
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(writeBackup(folder, 2, kExample, "X", time));
}

} // namespace
} // namespace veltroma::test
