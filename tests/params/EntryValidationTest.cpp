#include "ParamsTestSupport.h"

#include "params/DisplayParameters.h"
#include "params/GridParameters.h"
#include "params/LeadingNumber.h"

#include <gtest/gtest.h>

#include <limits>

namespace veltroma::test {
namespace {

const GridParameter& Row(const char* name)
{
    for (const auto& parameter : kGridParameters) {
        if (QLatin1String(parameter.name) == QLatin1String(name))
            return parameter;
    }
    throw std::invalid_argument(name);
}

TEST(LeadingNumber, ReadsTheNumberAtTheStartLikeTheCLibrary)
{
    EXPECT_EQ(LeadingInt(u"120.7"), 120);
    EXPECT_EQ(LeadingInt(u" \t-42xyz"), -42);
    EXPECT_EQ(LeadingInt(u"+7"), 7);
    EXPECT_EQ(LeadingInt(u"abc"), 0);
    EXPECT_EQ(LeadingInt(u"- 5"), 0);
    EXPECT_EQ(LeadingInt(u""), 0);

    EXPECT_DOUBLE_EQ(LeadingDouble(u"49.999"), 49.999);
    EXPECT_DOUBLE_EQ(LeadingDouble(u"  .5V"), 0.5);
    EXPECT_DOUBLE_EQ(LeadingDouble(u"-2.5e1x"), -25.0);
    EXPECT_DOUBLE_EQ(LeadingDouble(u"5e"), 5.0);
    EXPECT_DOUBLE_EQ(LeadingDouble(u"3,5"), 3.0);  // never the locale's decimal comma
    EXPECT_DOUBLE_EQ(LeadingDouble(u"."), 0.0);
    EXPECT_DOUBLE_EQ(LeadingDouble(u"nan"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingDouble(u"inf"), 0.0);
}

TEST(LeadingNumber, HoldsValuesThatDoNotFitAtTheLimits)
{
    EXPECT_EQ(LeadingInt(u"99999999999999999999"), std::numeric_limits<int>::max());
    EXPECT_EQ(LeadingInt(u"-99999999999999999999"), std::numeric_limits<int>::min());
    EXPECT_EQ(LeadingDouble(u"1e999"), std::numeric_limits<double>::max());
    EXPECT_EQ(LeadingDouble(u"-1e999"), -std::numeric_limits<double>::max());
    EXPECT_EQ(LeadingDouble(u"1000e-999"), 0.0);
    EXPECT_EQ(LeadingDouble(QString(400, u'9')), std::numeric_limits<double>::max());
}

TEST(GridEntry, ValuesAreHeldWithinTheirRowsRange)
{
    EXPECT_EQ(ValidateGridEntry(Row("T-start"), "abc"), "30");
    EXPECT_EQ(ValidateGridEntry(Row("Vpv-start"), "400"), "300.0");
    EXPECT_EQ(ValidateGridEntry(Row("f-max"), "49.999"), "50.00");
    EXPECT_EQ(ValidateGridEntry(Row("DCI-Limit"), "5001"), "5000");
    EXPECT_EQ(ValidateGridEntry(Row("f-min"), "44"), "45.10");
    EXPECT_EQ(ValidateGridEntry(Row("T-start"), "120.7"), "120");
    EXPECT_EQ(ValidateGridEntry(Row("Vac-max"), "250"), "250.0");
    EXPECT_EQ(ValidateGridEntry(Row("Vac-min"), "-5"), "182.0");
    EXPECT_EQ(ValidateGridEntry(Row("DCI-Limit"), "99999999999"), "5000");
}

TEST(GridEntry, DecimalRowsPassABoundOnlyByTheirRoundingTolerance)
{
    // One decimal: 0.00005 beyond the bound still shows the value itself.
    EXPECT_EQ(ValidateGridEntry(Row("Vpv-start"), "149.99996"), "150.0");
    EXPECT_EQ(ValidateGridEntry(Row("Vpv-start"), "149.9"), "150.0");
    EXPECT_EQ(ValidateGridEntry(Row("Vpv-start"), "300.04"), "300.0");
    // Two decimals: the bounds are single-precision, 45.1 is a little below 45.1.
    EXPECT_EQ(ValidateGridEntry(Row("f-min"), "45.1"), "45.10");
    EXPECT_EQ(ValidateGridEntry(Row("f-min"), "45.0996"), "45.10");
    EXPECT_EQ(ValidateGridEntry(Row("f-max"), "50.2004"), "50.20");
    EXPECT_EQ(ValidateGridEntry(Row("f-max"), "50.21"), "50.20");
}

TEST(GridEntry, ReadWordsAreShownWithTheirRowsScale)
{
    // Words 0 to 5 and 8 of a settings block: 2500, 60, 1960, 2530, 4750, 5050, 1000.
    const std::uint16_t words[] = {2500, 60, 1960, 2530, 4750, 5050, 1000};
    const char* shown[] = {"250.0", "60", "196.0", "253.0", "47.50", "50.50", "1000"};
    for (std::size_t row = 0; row < kGridParameterCount; ++row)
        EXPECT_EQ(FormatReadWord(kGridParameters[row], words[row]), shown[row]) << row;
    EXPECT_EQ(FormatReadWord(Row("Vac-max"), 65535), "6553.5");
}

TEST(GridEntry, WrittenValuesAreScaledAndRoundedHalfUp)
{
    EXPECT_EQ(PackGridValue(Row("Vac-max"), "250.0"), 0x09C4);
    EXPECT_EQ(PackGridValue(Row("f-min"), "45.10"), 4510);
    EXPECT_EQ(PackGridValue(Row("f-max"), "50.20"), 5020);
    EXPECT_EQ(PackGridValue(Row("T-start"), "300"), 300);
    EXPECT_EQ(PackGridValue(Row("DCI-Limit"), "5000"), 5000);
    // Only the low 16 bits go on the link.
    EXPECT_EQ(PackGridValue(Row("Vpv-start"), "6553.6"), 0);
}

TEST(DisplayEntry, ContrastIsHeldWithinZeroToSix)
{
    EXPECT_EQ(ValidateContrastEntry("9"), "6");
    EXPECT_EQ(ValidateContrastEntry("abc"), "0");
    EXPECT_EQ(ValidateContrastEntry("-1"), "0");
    EXPECT_EQ(ValidateContrastEntry("4.9"), "4");
    EXPECT_EQ(PackContrast("5"), 5);
    EXPECT_EQ(PackContrast("4.5"), 5);
}

TEST(DisplayEntry, TheSettingsByteCarriesLanguageLowAndContrastHigh)
{
    const auto english = DecodeDisplaySettings(0x31);
    EXPECT_EQ(english.language, 1);
    EXPECT_EQ(english.contrast, 3);
    EXPECT_EQ(DisplayLanguageName(english.language), "English");
    const auto unknown = DecodeDisplaySettings(0x6F);
    EXPECT_EQ(unknown.contrast, 6);
    EXPECT_FALSE(DisplayLanguageName(unknown.language));
    EXPECT_EQ(DisplayLanguageCode("Spalish"), 3);
    EXPECT_FALSE(DisplayLanguageCode("german"));
}

} // namespace
} // namespace veltroma::test
