#include "params/ParaSetExchange.h"

#include "base/Prompt.h"
#include "config/Strings.h"
#include "link/Commands.h"
#include "params/LeadingNumber.h"

#include <cmath>

namespace veltroma {

namespace {

constexpr int kReadExchanges = 3;
constexpr int kReadPauseMs = 20;
constexpr int kBetweenWritesMs = 15;
// A difference below this is the same value as shown.
constexpr float kChangeThreshold = 0.00005F;
// The settings block: nine words from data byte 0.
constexpr std::size_t kSettingsBlockLength = kFrameOverhead + 2 * kSettingsWords;

float ParsedValue(const QString& text)
{
    return static_cast<float>(LeadingDouble(text));
}

} // namespace

ParaSetExchange::ParaSetExchange(DialogChannel channel, Prompt& prompt, int InverterAddrSet)
    : m_channel(std::move(channel)),
      m_prompt(prompt),
      m_address(static_cast<std::uint8_t>(InverterAddrSet & 0xFF))
{
}

void ParaSetExchange::OnButtonUpload()
{
    bool decoded = false;
    {
        LinkSession session(m_channel, true);
        if (!session.channelOK())
            return;
        const std::size_t length =
            BuildRequestTo(bTxBuffer, m_address, kControlRead, kFunctionSettings);
        // Three reads even after a good one; the last good reply is what stays shown.
        for (int i = 0; i < kReadExchanges; ++i) {
            const int received =
                session.exchange(std::span(bTxBuffer).first(length), bRxBuffer, kReadPauseMs);
            // Only an accepted reply is decoded: after a failed receive the buffer holds an
            // older reply partly overwritten by newer bytes.
            if (received > 0
                && ProcessRecv(std::span(bRxBuffer).first(static_cast<std::size_t>(received))))
                decoded = true;
        }
    }
    m_uploadEnabled = true;
    if (m_decoded)
        m_downloadEnabled = true;
    changed();
    m_prompt.message(g_LoadString(decoded ? QStringLiteral("IDC_UPLOADOK")
                                          : QStringLiteral("IDC_UPLOADAGAIN")));
}

bool ParaSetExchange::ProcessRecv(std::span<const std::uint8_t> reply)
{
    if (reply.size() < kSettingsBlockLength || reply[kOffsetFunction] != (kFunctionSettings | kReplyFlag))
        return false;
    for (std::size_t row = 0; row < kGridParameterCount; ++row) {
        const GridParameter& parameter = kGridParameters[row];
        const std::size_t at = kOffsetData + 2 * static_cast<std::size_t>(parameter.readWord);
        const auto word = static_cast<std::uint16_t>(reply[at] << 8 | reply[at + 1]);
        m_values[row] = FormatReadWord(parameter, word);
        // The comparison of a later download uses the value as displayed.
        fDataUpLoad[row + 1] = ParsedValue(m_values[row]);
    }
    m_decoded = true;
    return true;
}

void ParaSetExchange::OnButtonDownload()
{
    m_downloadEnabled = false;
    bool allWritten = true;
    {
        LinkSession session(m_channel, true);
        for (std::size_t row = 0; row < kGridParameterCount; ++row)
            fDataDownLoad[row + 1] = ParsedValue(m_values[row]);
        if (!session.channelOK()) {
            changed();
            return;
        }
        m_uploadEnabled = false;
        changed();
        for (std::size_t i = 1; i <= kGridParameterCount; ++i) {
            if (std::fabs(fDataDownLoad[i] - fDataUpLoad[i]) <= kChangeThreshold)
                continue;
            // A write without a reply does not stop the rows after it.
            if (!DownloadPara(session, i - 1))
                allWritten = false;
            session.sleepMs(kBetweenWritesMs);
        }
    }
    m_uploadEnabled = true;
    if (!allWritten)
        m_downloadEnabled = true;
    changed();
    if (allWritten)
        m_prompt.message(QStringLiteral(" Download succeed "));
    else
        m_prompt.message(g_LoadString(QStringLiteral("IDC_DOWNLOADAGAIN")));
}

bool ParaSetExchange::DownloadPara(LinkSession& session, std::size_t row)
{
    bTxBuffer.fill(0);
    const auto data = PackDownloadData(row);
    const std::size_t length = BuildRequestTo(bTxBuffer, m_address, kControlWrite,
                                              kGridParameters[row].writeFunction, data);
    return session.write(std::span(bTxBuffer).first(length), bRxBuffer);
}

std::array<std::uint8_t, 2> ParaSetExchange::PackDownloadData(std::size_t row) const
{
    const std::uint16_t value = PackGridValue(kGridParameters[row], m_values[row]);
    return {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value & 0xFF)};
}

void ParaSetExchange::OnClear()
{
    LinkSession session(m_channel, true);
    if (!session.channelOK())
        return;
    bTxBuffer.fill(0);
    const std::array<std::uint8_t, 2> zero{0x00, 0x00};
    const std::size_t length =
        BuildRequestTo(bTxBuffer, m_address, kControlWrite, kFunctionClearTotals, zero);
    session.write(std::span(bTxBuffer).first(length), bRxBuffer);
}

void ParaSetExchange::OnEndLabelEditVariableCriteria(int controlId, int row, int column,
                                                     const QString& text)
{
    if (controlId != kParaSetGridId || column != 1 || row < 0
        || row >= static_cast<int>(kGridParameterCount))
        return;
    const auto index = static_cast<std::size_t>(row);
    m_values[index] = ValidateGridEntry(kGridParameters[index], text);
    changed();
}

void ParaSetExchange::changed() const
{
    if (m_changed)
        m_changed();
}

} // namespace veltroma
