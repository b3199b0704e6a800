#include "params/GridParameters.h"

#include "params/LeadingNumber.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltroma {

namespace {

int Decimals(EntryRule rule)
{
    switch (rule) {
    case EntryRule::Integer:
        return 0;
    case EntryRule::OneDecimal:
        return 1;
    case EntryRule::TwoDecimals:
        return 2;
    }
    return 0;
}

// How far a typed decimal value may pass a bound before it is held at the bound.
double Tolerance(EntryRule rule)
{
    return rule == EntryRule::TwoDecimals ? 0.0005 : 0.00005;
}

} // namespace

QString FormatReadWord(const GridParameter& parameter, std::uint16_t word)
{
    return QString::number(static_cast<double>(word) / parameter.scale, 'f', Decimals(parameter.rule));
}

QString ValidateGridEntry(const GridParameter& parameter, const QString& typed)
{
    if (parameter.rule == EntryRule::Integer) {
        const int value = LeadingInt(typed);
        const int minimum = static_cast<int>(parameter.minimum);
        const int maximum = static_cast<int>(parameter.maximum);
        return QString::number(value < minimum ? minimum : (value > maximum ? maximum : value));
    }
    const double value = LeadingDouble(typed);
    const double minimum = parameter.minimum;
    const double maximum = parameter.maximum;
    const double tolerance = Tolerance(parameter.rule);
    double shown = value;
    if (minimum - value > tolerance)
        shown = minimum;
    else if (value - maximum > tolerance)
        shown = maximum;
    return QString::number(shown, 'f', Decimals(parameter.rule));
}

std::uint16_t PackGridValue(const GridParameter& parameter, const QString& text)
{
    // The cell holds a validated or decoded value; the clamps only keep every conversion
    // defined for any text.
    constexpr double kFloatMax = std::numeric_limits<float>::max();
    const auto value = static_cast<float>(std::clamp(LeadingDouble(text), -kFloatMax, kFloatMax));
    const float scaled = value * static_cast<float>(parameter.scale);
    const double rounded = std::trunc(static_cast<double>(scaled) + 0.5);
    const auto whole = static_cast<long long>(std::clamp(rounded, -2147483648.0, 2147483647.0));
    return static_cast<std::uint16_t>(whole & 0xFFFF);
}

} // namespace veltroma
