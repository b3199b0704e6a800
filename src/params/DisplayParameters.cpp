#include "params/DisplayParameters.h"

#include "params/LeadingNumber.h"

#include <algorithm>
#include <cmath>

namespace veltroma {

namespace {
constexpr int kMinContrast = 0;
constexpr int kMaxContrast = 6;
}

QStringList DisplayLanguageNames()
{
    return {QStringLiteral("Italian"), QStringLiteral("English"), QStringLiteral("German"),
            QStringLiteral("Spalish")};
}

std::optional<std::uint8_t> DisplayLanguageCode(const QString& name)
{
    const qsizetype index = DisplayLanguageNames().indexOf(name);
    if (index < 0)
        return std::nullopt;
    return static_cast<std::uint8_t>(index);
}

std::optional<QString> DisplayLanguageName(std::uint8_t code)
{
    const QStringList names = DisplayLanguageNames();
    if (code >= names.size())
        return std::nullopt;
    return names.at(code);
}

DisplaySettings DecodeDisplaySettings(std::uint8_t byte)
{
    return {static_cast<std::uint8_t>(byte & 0x0F), static_cast<std::uint8_t>((byte & 0xF0) >> 4)};
}

QString ValidateContrastEntry(const QString& typed)
{
    return QString::number(std::clamp(LeadingInt(typed), kMinContrast, kMaxContrast));
}

std::uint8_t PackContrast(const QString& text)
{
    // Bounded first, so that the conversion stays defined for any text.
    const double rounded = std::trunc(std::clamp(LeadingDouble(text), -1e9, 1e9) + 0.5);
    return static_cast<std::uint8_t>(static_cast<long long>(rounded) & 0xFF);
}

} // namespace veltroma
