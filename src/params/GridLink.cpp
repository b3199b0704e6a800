#include "params/GridLink.h"

#include "config/Strings.h"
#include "link/Commands.h"

#include <algorithm>

namespace veltroma {

namespace {

// The settings block: nine words from data byte 0.
constexpr std::size_t kSettingsBlockLength = kFrameOverhead + 2 * kSettingsWords;
constexpr std::uint8_t kServiceReadSerial[] = {0x4B, 0x5F, 0x72, 0x53};
constexpr std::size_t kSerialLength = 10;

} // namespace

std::optional<GridTexts> GridLink::read(LinkSession& session, int pauseMs)
{
    const std::size_t length = BuildRequestTo(tx_, address_, kControlRead, kFunctionSettings);
    const int received = session.exchange(std::span(tx_).first(length), rx_, pauseMs);
    if (received < static_cast<int>(kSettingsBlockLength)
        || rx_[kOffsetFunction] != (kFunctionSettings | kReplyFlag))
        return std::nullopt;
    GridTexts texts;
    for (std::size_t row = 0; row < kGridParameterCount; ++row) {
        const GridParameter& parameter = kGridParameters[row];
        const std::size_t at = kOffsetData + 2 * static_cast<std::size_t>(parameter.readWord);
        texts[row] = FormatReadWord(parameter, static_cast<std::uint16_t>(rx_[at] << 8 | rx_[at + 1]));
    }
    return texts;
}

std::optional<GridTexts> GridLink::readUntilAnswered(LinkSession& session, int tries)
{
    for (int i = 0; i < tries; ++i) {
        if (auto texts = read(session))
            return texts;
    }
    return std::nullopt;
}

bool GridLink::write(LinkSession& session, std::size_t row, const QString& text)
{
    tx_.fill(0);
    const GridParameter& parameter = kGridParameters[row];
    const std::uint16_t value = PackGridValue(parameter, text);
    const std::array<std::uint8_t, 2> data{static_cast<std::uint8_t>(value >> 8),
                                           static_cast<std::uint8_t>(value & 0xFF)};
    const std::size_t length =
        BuildRequestTo(tx_, address_, kControlWrite, parameter.writeFunction, data);
    const auto acknowledges = [&](int received) {
        return received > static_cast<int>(kOffsetFunction)
            && rx_[kOffsetFunction] == static_cast<std::uint8_t>(parameter.writeFunction | kReplyFlag);
    };
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        if (acknowledges(session.exchange(std::span(tx_).first(length), rx_)))
            return true;
    }
    return false;
}

QString GridLink::serialNumber(LinkSession& session)
{
    if (session.exchangeRaw10(kServiceReadSerial, rx_) != static_cast<int>(kSerialLength))
        return {};
    QString text;
    for (std::size_t i = 0; i < kSerialLength; ++i) {
        // Ten printable characters or nothing: stray bytes are no serial number.
        if (rx_[i] < 0x20 || rx_[i] > 0x7E)
            return {};
        text += QChar(rx_[i]);
    }
    return text;
}

std::vector<RowCheck> checkWrites(const std::vector<RowCheck>& writes,
                                  const std::optional<GridTexts>& readBack)
{
    std::vector<RowCheck> checked = writes;
    for (RowCheck& check : checked)
        check.reported = readBack ? std::optional<QString>((*readBack)[check.row]) : std::nullopt;
    return checked;
}

QString describeFailure(const RowCheck& check)
{
    const QString name = QLatin1String(kGridParameters[check.row].name);
    if (!check.acknowledged)
        return g_LoadString(QStringLiteral("IDC_WRITE_NOREPLY")).arg(name, check.wrote);
    if (!check.reported)
        return g_LoadString(QStringLiteral("IDC_READBACK_NOREPLY")).arg(name, check.wrote);
    return g_LoadString(QStringLiteral("IDC_READBACK_DIFFERS")).arg(name, check.wrote, *check.reported);
}

} // namespace veltroma
