#include "params/ParaSetExchange.h"

#include "base/Prompt.h"
#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "link/Commands.h"
#include "params/LeadingNumber.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cmath>

namespace veltroma {

namespace {

constexpr int kReadExchanges = 3;
constexpr int kBetweenWritesMs = 15;
// A difference below this is the same value as shown.
constexpr float kChangeThreshold = 0.00005F;

float ParsedValue(const QString& text)
{
    return static_cast<float>(LeadingDouble(text));
}

QString text(const char* key)
{
    return g_LoadString(QString::fromLatin1(key));
}

} // namespace

ParaSetExchange::ParaSetExchange(DialogChannel channel, Prompt& prompt, int InverterAddrSet)
    : m_channel(std::move(channel)),
      m_prompt(prompt),
      m_address(InverterAddrSet),
      m_link(static_cast<std::uint8_t>(InverterAddrSet & 0xFF))
{
}

void ParaSetExchange::OnButtonUpload()
{
    bool decoded = false;
    {
        LinkSession session(m_channel, true);
        if (!session.channelOK())
            return;
        // Three reads even after a good one; the last good reply is what stays shown.
        for (int i = 0; i < kReadExchanges; ++i) {
            if (const auto reported = m_link.read(session)) {
                ProcessRecv(*reported);
                decoded = true;
            }
        }
    }
    m_uploadEnabled = true;
    if (m_decoded)
        m_downloadEnabled = true;
    changed();
    m_prompt.message(text(decoded ? "IDC_UPLOADOK" : "IDC_UPLOADAGAIN"));
}

void ParaSetExchange::ProcessRecv(const GridTexts& reported)
{
    m_values = reported;
    m_reported = reported;
    // The comparison of a later download uses the value as displayed.
    for (std::size_t row = 0; row < kGridParameterCount; ++row)
        fDataUpLoad[row + 1] = ParsedValue(reported[row]);
    m_decoded = true;
}

void ParaSetExchange::OnButtonDownload()
{
    m_downloadEnabled = false;
    for (std::size_t row = 0; row < kGridParameterCount; ++row)
        fDataDownLoad[row + 1] = ParsedValue(m_values[row]);
    // Without the inverter's own values there is nothing to compare with or back up.
    if (!m_decoded) {
        changed();
        return;
    }
    // Limits in the wrong order would keep the inverter off the grid: nothing is sent.
    if (const QStringList problems = consistencyProblems(m_values); !problems.isEmpty()) {
        m_downloadEnabled = true;
        changed();
        m_prompt.message(problems.join(u'\n'));
        return;
    }
    downloadChecked();
}

void ParaSetExchange::downloadChecked()
{
    std::vector<RowCheck> writes;
    bool backupFailed = false;
    std::optional<GridTexts> readBack;
    {
        LinkSession session(m_channel, true);
        if (!session.channelOK()) {
            changed();
            return;
        }
        m_uploadEnabled = false;
        changed();
        for (std::size_t i = 1; i <= kGridParameterCount; ++i) {
            if (std::fabs(fDataDownLoad[i] - fDataUpLoad[i]) <= kChangeThreshold)
                continue;
            if (writes.empty() && !backUpOnce(session)) {
                backupFailed = true;
                break;
            }
            // A write without a reply does not stop the rows after it.
            const std::size_t row = i - 1;
            writes.push_back({row, m_values[row], m_link.write(session, row, m_values[row]), {}});
            session.sleepMs(kBetweenWritesMs);
        }
        if (!writes.empty())
            readBack = m_link.readUntilAnswered(session);
    }
    if (readBack)
        ProcessRecv(*readBack);
    const std::vector<RowCheck> checks = checkWrites(writes, readBack);
    QStringList failures;
    for (const RowCheck& check : checks) {
        if (!check.verified())
            failures << describeFailure(check);
    }
    m_uploadEnabled = true;
    // The grid shows what the inverter holds now, so the next download compares with that.
    m_downloadEnabled = backupFailed || !failures.isEmpty() || readBack.has_value();
    changed();
    if (backupFailed) {
        m_prompt.message(text("IDC_BACKUPFAILED")
                             .arg(QDir::toNativeSeparators(g_szCurPath() + QStringLiteral("Data"))));
        return;
    }
    if (failures.isEmpty())
        m_prompt.message(QStringLiteral(" Download succeed "));
    else
        m_prompt.message(text("IDC_DOWNLOADFAILED") + u'\n' + failures.join(u'\n'));
}

bool ParaSetExchange::backUpOnce(LinkSession& session)
{
    if (!m_backupFile.isEmpty())
        return true;
    const QString serial = m_link.serialNumber(session);
    const auto path = writeBackup(g_szCurPath(), m_address, m_reported, serial,
                                  QDateTime::currentDateTime());
    if (!path)
        return false;
    m_backupFile = *path;
    return true;
}

void ParaSetExchange::OnButtonRestore()
{
    if (!m_decoded)
        return;
    const auto path = m_prompt.openFile(text("IDC_BUTTON_RESTORE"),
                                        g_szCurPath() + QStringLiteral("Data/Inverter%1").arg(m_address),
                                        QStringLiteral("*.txt"));
    if (path)
        restoreFrom(*path);
}

bool ParaSetExchange::restoreFrom(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_prompt.message(text("IDC_RESTOREFAILED").arg(path) + u'\n' + file.errorString());
        return false;
    }
    const ParameterFileContents contents = parseParameterFile(file.readAll());
    const QStringList problems = contents.problems + rangeProblems(contents, m_reported);
    if (!problems.isEmpty()) {
        m_prompt.message(text("IDC_RESTOREFAILED").arg(path) + u'\n' + problems.join(u'\n'));
        return false;
    }
    for (std::size_t row = 0; row < kGridParameterCount; ++row) {
        if (contents.values[row])
            m_values[row] = *contents.values[row];
    }
    if (m_decoded)
        m_downloadEnabled = true;
    changed();
    return true;
}

void ParaSetExchange::OnClear()
{
    LinkSession session(m_channel, true);
    if (!session.channelOK())
        return;
    TxBuffer tx{};
    RxBuffer rx{};
    const std::array<std::uint8_t, 2> zero{0x00, 0x00};
    const std::size_t length = BuildRequestTo(tx, static_cast<std::uint8_t>(m_address & 0xFF),
                                              kControlWrite, kFunctionClearTotals, zero);
    session.write(std::span(tx).first(length), rx);
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
