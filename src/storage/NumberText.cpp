#include "storage/NumberText.h"

#include <array>
#include <charconv>

namespace veltroma {

QString numberText(double value)
{
    if (value == 0.0)
        return QStringLiteral("0"); // also for -0
    return QString::number(value, 'g', 15);
}

std::optional<double> parseNumber(QStringView text)
{
    text = text.trimmed();
    if (text.startsWith(u'+'))
        text = text.mid(1);
    // Longer texts are no number a record holds; they take the slow, general way.
    std::array<char, 64> latin1{};
    if (text.isEmpty() || text.size() > static_cast<qsizetype>(latin1.size())) {
        bool ok = false;
        const double value = text.toDouble(&ok);
        return ok ? std::optional<double>(value) : std::nullopt;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c > 0x7F)
            return std::nullopt;
        latin1[static_cast<std::size_t>(i)] = static_cast<char>(c);
    }
    const char* end = latin1.data() + text.size();
    double value = 0.0;
    const auto [stop, error] = std::from_chars(latin1.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace veltroma
