#include "monitor/ReplyView.h"

#include "link/Frame.h"

#include <algorithm>

namespace veltroma {

ReplyView::ReplyView(std::span<const std::uint8_t> frame)
{
    if (frame.size() <= kOffsetLength)
        return;
    function_ = frame[kOffsetFunction];
    const std::size_t announced = frame[kOffsetLength];
    const std::size_t available = frame.size() - kOffsetData;
    data_ = frame.subspan(kOffsetData, std::min(announced, available));
}

std::uint8_t ReplyView::function() const
{
    return function_;
}

bool ReplyView::has(std::size_t offset, std::size_t width) const
{
    return offset + width <= data_.size();
}

std::optional<std::uint8_t> ReplyView::byte(std::size_t offset) const
{
    if (!has(offset, 1))
        return std::nullopt;
    return data_[offset];
}

std::optional<std::uint16_t> ReplyView::word(std::size_t offset) const
{
    if (!has(offset, 2))
        return std::nullopt;
    return static_cast<std::uint16_t>(data_[offset] * 256 + data_[offset + 1]);
}

std::optional<std::uint32_t> ReplyView::dword(std::size_t offset) const
{
    const auto high = word(offset);
    const auto low = word(offset + 2);
    if (!high || !low)
        return std::nullopt;
    return (static_cast<std::uint32_t>(*high) << 16) | *low;
}

std::optional<std::int32_t> ReplyView::signedDword(std::size_t offset) const
{
    const auto value = dword(offset);
    if (!value)
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

std::optional<QString> ReplyView::text(std::size_t offset, std::size_t width) const
{
    if (!has(offset, width))
        return std::nullopt;
    return textUpToZero(data_.subspan(offset, width));
}

QString textUpToZero(std::span<const std::uint8_t> bytes)
{
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    QString text;
    text.reserve(static_cast<qsizetype>(end - bytes.begin()));
    // What an inverter sends is shown, recorded and published: a control byte or one beyond
    // ASCII in it could move a terminal's cursor or break a topic, so it shows as '?'.
    for (auto byte = bytes.begin(); byte != end; ++byte)
        text.append(*byte >= 0x20 && *byte < 0x7F ? QChar(*byte) : QChar(u'?'));
    return text;
}

} // namespace veltroma
