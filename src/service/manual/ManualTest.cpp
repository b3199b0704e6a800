#include "service/manual/ManualTest.h"

#include "config/Strings.h"

namespace veltroma {

namespace {

// What the entry field says of a text that is no unsigned whole number.
QString unsignedNumberText()
{
    return QStringLiteral("Please enter an unsigned integer.");
}

} // namespace

ManualTest::ManualTest(ByteLink& link, Clock& clock, Prompt& prompt, ManualTestDisplay& display)
    : m_prompt(prompt), m_thread(link, clock, display)
{
}

bool ManualTest::OnSetSerialNum(const QString& entry)
{
    const auto bytes = serialNumberBytes(entry);
    if (!bytes) {
        m_prompt.message(g_LoadString(QStringLiteral("IDC_MANUALTEST_SERIALRANGE")), {},
                         PromptButtons::Ok, PromptIcon::Warning);
        return false;
    }
    m_thread.queueSetSerialNumber(*bytes);
    return true;
}

bool ManualTest::OnDCIWrite(const QString& entry)
{
    // A text that is no number is refused outright: sending the last accepted value instead
    // would write an offset the user did not ask for.
    bool isNumber = false;
    const unsigned offset = entry.trimmed().toUInt(&isNumber);
    if (!isNumber) {
        m_prompt.message(unsignedNumberText(), {}, PromptButtons::Ok, PromptIcon::Warning);
        return false;
    }
    if (!isDciOffsetInRange(offset)) {
        m_prompt.message(g_LoadString(QStringLiteral("IDC_MANUALTEST_DCIRANGE")), {},
                         PromptButtons::Ok, PromptIcon::Warning);
        return false;
    }
    m_thread.queueWriteDciOffset(static_cast<std::uint16_t>(offset));
    return true;
}

void ManualTest::showWriteFailure(const WriteFailure& failure)
{
    QString name = g_LoadString(failure.what == ManualWrite::SerialNumber
                                    ? QStringLiteral("IDC_MANUALTEST_FRAME2")
                                    : QStringLiteral("IDC_MANUALTEST_PARA10"));
    // The captions of the value fields end in a colon.
    if (name.endsWith(u':') || name.endsWith(QChar(0xFF1A)))
        name.chop(1);
    const QString text = failure.reported.isEmpty()
        ? g_LoadString(QStringLiteral("IDC_MANUALTEST_NOREPLY")).arg(name, failure.asked)
        : g_LoadString(QStringLiteral("IDC_MANUALTEST_DIFFERS")).arg(name, failure.asked, failure.reported);
    m_prompt.message(text, {}, PromptButtons::Ok, PromptIcon::Warning);
}

bool ManualTest::close(const std::function<void()>& pump)
{
    return m_thread.waitForEnd(kClosingWaitMs, pump);
}

} // namespace veltroma
