#include "params/ParaSet2Exchange.h"

#include "base/Prompt.h"
#include "config/Strings.h"
#include "link/Commands.h"
#include "params/DisplayParameters.h"

namespace veltroma {

namespace {
constexpr int kUploadAttempts = 30;
constexpr std::uint8_t kFunctionDisplay = kFunctionRealtime;
}

ParaSet2Exchange::ParaSet2Exchange(DialogChannel channel, Prompt& prompt)
    : m_channel(std::move(channel)), m_prompt(prompt)
{
}

void ParaSet2Exchange::OnButtonUpload3()
{
    const std::size_t length =
        BuildRequestTo(bTxBuffer, kDisplayUnitAddress, kControlRead, kFunctionDisplay);
    for (int attempt = 0; attempt < kUploadAttempts; ++attempt) {
        int received = 0;
        {
            // The lock is held for one attempt at a time and never while a message waits for
            // the user, so a running monitoring worker only waits for one exchange.
            LinkSession session(m_channel, attempt == 0);
            if (attempt == 0 && !session.channelOK())
                return;
            received = session.exchange(std::span(bTxBuffer).first(length), bRxBuffer);
        }
        if (received > 0) {
            ProcessRecv(std::span(bRxBuffer).first(static_cast<std::size_t>(received)));
            m_downloadEnabled = true;
            changed();
            m_prompt.message(g_LoadString(QStringLiteral("IDC_UPLOADOK")));
            return;
        }
        m_prompt.message(QStringLiteral("1"));
    }
    m_prompt.message(g_LoadString(QStringLiteral("IDC_UPLOADAGAIN")));
}

void ParaSet2Exchange::ProcessRecv(std::span<const std::uint8_t> reply)
{
    if (reply.size() < kDisplaySettingsOffset + 3
        || reply[kOffsetFunction] != (kFunctionDisplay | kReplyFlag))
        return;
    const DisplaySettings settings = DecodeDisplaySettings(reply[kDisplaySettingsOffset]);
    m_languageCode = settings.language;
    if (const auto name = DisplayLanguageName(settings.language))
        m_values[kLanguageRow] = *name;
    m_values[kContrastRow] = QString::number(settings.contrast);
}

void ParaSet2Exchange::OnButtonDownload3()
{
    // A language cell that names none of the four languages sends the code the display
    // reported last; with none reported yet nothing is sent.
    std::optional<std::uint8_t> language = DisplayLanguageCode(m_values[kLanguageRow]);
    if (!language)
        language = m_languageCode;
    if (!language) {
        m_prompt.message(g_LoadString(QStringLiteral("IDC_UPLOADAGAIN")));
        return;
    }
    bool written = false;
    {
        LinkSession session(m_channel, true);
        if (!session.channelOK())
            return;
        bTxBuffer.fill(0);
        const std::array<std::uint8_t, 2> data{*language, PackContrast(m_values[kContrastRow])};
        const std::size_t length =
            BuildRequestTo(bTxBuffer, kDisplayUnitAddress, kControlWrite, kFunctionDisplay, data);
        written = session.write(std::span(bTxBuffer).first(length), bRxBuffer);
    }
    // After a good write the next download waits for an upload that confirms it.
    m_downloadEnabled = !written;
    changed();
    m_prompt.message(g_LoadString(written ? QStringLiteral("IDC_DOWNLOADOK")
                                          : QStringLiteral("IDC_DOWNLOADAGAIN")));
}

void ParaSet2Exchange::OnEndLabelEditVariableCriteria(int controlId, int row, int column,
                                                      const QString& text)
{
    if (controlId != kParaSet2GridId || column != 1)
        return;
    if (row == kLanguageRow)
        m_values[kLanguageRow] = text;
    else if (row == kContrastRow)
        m_values[kContrastRow] = ValidateContrastEntry(text);
    else
        return;
    changed();
}

QStringList ParaSet2Exchange::PopulateComboList(int row, int column) const
{
    if (row == kLanguageRow && column == 1)
        return DisplayLanguageNames();
    return {};
}

void ParaSet2Exchange::changed() const
{
    if (m_changed)
        m_changed();
}

} // namespace veltroma
