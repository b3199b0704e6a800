#include "params/LeadingNumber.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

namespace veltroma {

namespace {

bool IsSpace(QChar c)
{
    // The C library's white space, not Unicode's.
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

qsizetype SkipSpace(QStringView text, qsizetype at = 0)
{
    while (at < text.size() && IsSpace(text[at]))
        ++at;
    return at;
}

qsizetype SkipDigits(QStringView text, qsizetype at)
{
    while (at < text.size() && IsDigit(text[at]))
        ++at;
    return at;
}

} // namespace

int LeadingInt(QStringView text)
{
    qsizetype at = SkipSpace(text);
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
        negative = text[at] == u'-';
        ++at;
    }
    constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    long long magnitude = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at)
        magnitude = std::min(kLimit, magnitude * 10 + (text[at].unicode() - u'0'));
    const long long value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

double LeadingDouble(QStringView text)
{
    const qsizetype start = SkipSpace(text);
    qsizetype at = start;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-'))
        ++at;
    const qsizetype mantissaStart = at;
    const qsizetype integerEnd = SkipDigits(text, at);
    at = integerEnd;
    qsizetype fractionEnd = at;
    if (at < text.size() && text[at] == u'.')
        fractionEnd = SkipDigits(text, at + 1);
    const bool hasDigits = integerEnd > mantissaStart || fractionEnd > integerEnd + 1;
    if (!hasDigits)
        return 0.0;
    at = fractionEnd;
    // An exponent counts only when digits follow it ("5e" reads as 5).
    if (at < text.size() && (text[at] == u'e' || text[at] == u'E')) {
        qsizetype exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == u'+' || text[exponent] == u'-'))
            ++exponent;
        const qsizetype exponentEnd = SkipDigits(text, exponent);
        if (exponentEnd > exponent)
            at = exponentEnd;
    }

    // Only ASCII is left in the number, so Latin-1 keeps it as it is.
    std::string number = text.mid(start, at - start).toLatin1().toStdString();
    const bool negative = !number.empty() && number.front() == '-';
    if (!number.empty() && (number.front() == '+' || number.front() == '-'))
        number.erase(0, 1);
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too large or too small: the exponent's sign tells which, or without an exponent
        // whether a digit other than 0 stands before the point.
        const auto ePos = number.find_first_of("eE");
        bool huge = false;
        if (ePos != std::string::npos) {
            huge = number.find('-', ePos) == std::string::npos;
        } else {
            const auto firstNonZero = number.find_first_not_of("0.");
            const auto point = number.find('.');
            huge = firstNonZero != std::string::npos
                && (point == std::string::npos || firstNonZero < point);
        }
        value = huge ? std::numeric_limits<double>::max() : 0.0;
    } else if (error != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

} // namespace veltroma
