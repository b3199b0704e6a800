#include "EnglishLanguage.h"

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

TEST(LeadingNumber, ReadsTheNumberAtTheStartWithoutLocaleOrOverflow)
{
    EXPECT_EQ(LeadingInt(u" \t-42xyz"), -42);
    EXPECT_EQ(LeadingInt(u"- 5"), 0);
    EXPECT_EQ(LeadingInt(u"99999999999999999999"), std::numeric_limits<int>::max());
    EXPECT_DOUBLE_EQ(LeadingDouble(u"  .5V"), 0.5);
    EXPECT_DOUBLE_EQ(LeadingDouble(u"-2.5e1x"), -25.0);
    EXPECT_DOUBLE_EQ(LeadingDouble(u"5e"), 5.0);
    EXPECT_DOUBLE_EQ(LeadingDouble(u"3,5"), 3.0);
    EXPECT_DOUBLE_EQ(LeadingDouble(u"nan"), 0.0);
    EXPECT_EQ(LeadingDouble(u"-1e999"), -std::numeric_limits<double>::max());
    EXPECT_EQ(LeadingDouble(u"1000e-999"), 0.0);
    EXPECT_EQ(LeadingDouble(QString(400, u'9')), std::numeric_limits<double>::max());
}

TEST(GridEntry, ValuesAreHeldWithinTheirRowsRangeAndTolerance)
{
    EXPECT_EQ(ValidateGridEntry(Row("T-start"), "abc"), "30");
    EXPECT_EQ(ValidateGridEntry(Row("Vpv-start"), "400"), "300.0");
    EXPECT_EQ(ValidateGridEntry(Row("f-max"), "49.999"), "50.00");
    EXPECT_EQ(ValidateGridEntry(Row("DCI-Limit"), "5001"), "5000");
    EXPECT_EQ(ValidateGridEntry(Row("f-min"), "44"), "45.10");
    EXPECT_EQ(ValidateGridEntry(Row("T-start"), "120.7"), "120");
    // Decimal rows pass a bound by their rounding tolerance only.
    EXPECT_EQ(ValidateGridEntry(Row("Vpv-start"), "149.99996"), "150.0");
    EXPECT_EQ(ValidateGridEntry(Row("Vpv-start"), "149.9"), "150.0");
    EXPECT_EQ(ValidateGridEntry(Row("f-min"), "45.0996"), "45.10");
    EXPECT_EQ(ValidateGridEntry(Row("f-max"), "50.21"), "50.20");
}

TEST(GridEntry, ReadWordsAreShownAndWrittenWithTheirRowsScale)
{
    const std::uint16_t words[] = {2500, 60, 1960, 2530, 4750, 5050, 1000};
    const char* shown[] = {"250.0", "60", "196.0", "253.0", "47.50", "50.50", "1000"};
    for (std::size_t row = 0; row < kGridParameterCount; ++row) {
        EXPECT_EQ(FormatReadWord(kGridParameters[row], words[row]), shown[row]) << row;
        EXPECT_EQ(PackGridValue(kGridParameters[row], shown[row]), words[row]) << row;
    }
    EXPECT_EQ(PackGridValue(Row("f-min"), "45.10"), 4510);
    // Only the low 16 bits go on the link.
    EXPECT_EQ(PackGridValue(Row("Vpv-start"), "6553.6"), 0);
}

TEST(DisplayEntry, ContrastIsHeldWithinZeroToSixAndTheByteSplitsInTwo)
{
    EXPECT_EQ(ValidateContrastEntry("9"), "6");
    EXPECT_EQ(ValidateContrastEntry("abc"), "0");
    EXPECT_EQ(PackContrast("4.5"), 5);
    const auto settings = DecodeDisplaySettings(0x6F);
    EXPECT_EQ(settings.contrast, 6);
    EXPECT_EQ(settings.language, 15);
    EXPECT_FALSE(DisplayLanguageName(settings.language));
    EXPECT_EQ(DisplayLanguageCode("Spalish"), 3);
    EXPECT_FALSE(DisplayLanguageCode("german"));
}

} // namespace
} // namespace veltroma::test
