#include "storage/NumberText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <charconv>

namespace veltroma {

QString numberText(double value)
{
    if (value == 0.0)
        return QStringLiteral("0"); // also for -0
    return QString::number(value, 'g', 15);
}

namespace {

// A plain decimal ("-230.45") of at most fifteen digits: the digits make an integer below 2^53
// and the power of ten is exact too, so one division gives the correctly rounded value, the
// same as the general parser. Nothing for every other form, which takes the general way.
std::optional<double> plainDecimal(QStringView text)
{
    static constexpr std::array<double, 16> kPowersOfTen{1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == u'-';
    if (negative)
        ++i;
    std::int64_t digits = 0;
    int count = 0;
    int decimals = -1; // no point yet
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            if (++count > 15)
                return std::nullopt;
            digits = digits * 10 + (c - u'0');
            if (decimals >= 0)
                ++decimals;
        } else if (c == u'.' && decimals < 0 && count > 0) {
            decimals = 0;
        } else {
            return std::nullopt;
        }
    }
    if (count == 0 || decimals == 0)
        return std::nullopt;
    const double value = static_cast<double>(digits) / kPowersOfTen[static_cast<std::size_t>(std::max(decimals, 0))];
    return negative ? -value : value;
}

} // namespace

std::optional<double> parseNumber(QStringView text)
{
    text = text.trimmed();
    if (text.startsWith(u'+'))
        text = text.mid(1);
    if (const auto plain = plainDecimal(text))
        return plain;
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
