#include "params/ParaSet2Exchange.h"

#include "base/Prompt.h"
#include "config/Strings.h"
#include "link/Commands.h"
#include "params/DisplayParameters.h"

namespace veltroma {

namespace {
// A display that does not answer three times is not there: the user hears it once.
constexpr int kUploadAttempts = 3;
constexpr std::uint8_t kFunctionDisplay = kFunctionRealtime;
constexpr int kMaxContrast = 6;

QString text(const char* key)
{
    return g_LoadString(QString::fromLatin1(key));
}

QString unknown()
{
    return text("IDC_DISPLAY_UNKNOWN");
}

QString rowName(int row)
{
    return row == kLanguageRow ? QStringLiteral("Language") : QStringLiteral("Contrast");
}

} // namespace

ParaSet2Exchange::ParaSet2Exchange(DialogChannel channel, Prompt& prompt)
    : m_channel(std::move(channel)), m_prompt(prompt)
{
}

bool ParaSet2Exchange::readSettings(LinkSession& session)
{
    const std::size_t length =
        BuildRequestTo(bTxBuffer, kDisplayUnitAddress, kControlRead, kFunctionDisplay);
    for (int attempt = 0; attempt < kUploadAttempts; ++attempt) {
        const int received = session.exchange(std::span(bTxBuffer).first(length), bRxBuffer);
        if (received > 0)
            return ProcessRecv(std::span(bRxBuffer).first(static_cast<std::size_t>(received)));
    }
    return false;
}

void ParaSet2Exchange::OnButtonUpload3()
{
    bool answered = false;
    {
        LinkSession session(m_channel, true);
        if (!session.channelOK())
            return;
        const std::size_t length =
            BuildRequestTo(bTxBuffer, kDisplayUnitAddress, kControlRead, kFunctionDisplay);
        for (int attempt = 0; attempt < kUploadAttempts && !answered; ++attempt) {
            const int received = session.exchange(std::span(bTxBuffer).first(length), bRxBuffer);
            if (received > 0) {
                ProcessRecv(std::span(bRxBuffer).first(static_cast<std::size_t>(received)));
                answered = true;
            }
        }
    }
    if (answered) {
        m_downloadEnabled = true;
        changed();
    }
    m_prompt.message(text(answered ? "IDC_UPLOADOK" : "IDC_UPLOADAGAIN"));
}

bool ParaSet2Exchange::ProcessRecv(std::span<const std::uint8_t> reply)
{
    if (reply.size() < kDisplaySettingsOffset + 3
        || reply[kOffsetFunction] != (kFunctionDisplay | kReplyFlag))
        return false;
    const DisplaySettings settings = DecodeDisplaySettings(reply[kDisplaySettingsOffset]);
    // A code beyond the known ones is shown as unknown, never as a value it is not.
    m_values[kLanguageRow] = DisplayLanguageName(settings.language).value_or(unknown());
    m_values[kContrastRow] =
        settings.contrast <= kMaxContrast ? QString::number(settings.contrast) : unknown();
    return true;
}

void ParaSet2Exchange::OnButtonDownload3()
{
    // Only values the user set or the display reported within range are written.
    const std::optional<std::uint8_t> language = DisplayLanguageCode(m_values[kLanguageRow]);
    const bool contrastKnown = !m_values[kContrastRow].isEmpty() && m_values[kContrastRow] != unknown();
    if (!language || !contrastKnown) {
        m_prompt.message(text("IDC_DISPLAY_SETUNKNOWN").arg(rowName(language ? kContrastRow : kLanguageRow)));
        return;
    }
    const std::array<QString, kDisplayRows> wrote = m_values;
    bool written = false;
    bool readBack = false;
    {
        LinkSession session(m_channel, true);
        if (!session.channelOK())
            return;
        bTxBuffer.fill(0);
        const std::array<std::uint8_t, 2> data{*language, PackContrast(m_values[kContrastRow])};
        const std::size_t length =
            BuildRequestTo(bTxBuffer, kDisplayUnitAddress, kControlWrite, kFunctionDisplay, data);
        written = session.write(std::span(bTxBuffer).first(length), bRxBuffer);
        if (written)
            readBack = readSettings(session);
    }
    QStringList differences;
    if (readBack) {
        for (int row = 0; row < kDisplayRows; ++row) {
            const auto index = static_cast<std::size_t>(row);
            if (m_values[index] != wrote[index])
                differences << text("IDC_DISPLAY_DIFFERS").arg(rowName(row), wrote[index], m_values[index]);
        }
    }
    // Once the grid shows what the display reports, another download may follow at once.
    m_downloadEnabled = !written || readBack;
    changed();
    if (!written)
        m_prompt.message(text("IDC_DOWNLOADAGAIN"));
    else if (!readBack)
        m_prompt.message(text("IDC_DISPLAY_NOREADBACK"));
    else if (!differences.isEmpty())
        m_prompt.message(text("IDC_DOWNLOADFAILED") + u'\n' + differences.join(u'\n'));
    else
        m_prompt.message(text("IDC_DOWNLOADOK"));
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
