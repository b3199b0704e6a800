#include "service/autotest/TestSequence.h"

#include "service/autotest/ReportHeader.h"

namespace veltroma {

namespace {

std::size_t indexOf(TestStep step)
{
    return static_cast<std::size_t>(step);
}

QString& lastBarCode()
{
    static QString barCode;
    return barCode;
}

} // namespace

bool TestSequence::isEnabled(TestStep step) const
{
    return m_enabled[indexOf(step)];
}

void TestSequence::beginDeviceBar()
{
    m_enabled.fill(false);
}

void TestSequence::endDeviceBar()
{
    m_enabled[indexOf(TestStep::Comm)] = true;
}

QString TestSequence::OnTestComm(const QDateTime& now, const QString& testBar)
{
    m_enabled[indexOf(TestStep::Comm)] = false;
    InProgressFlg = 1;
    TimeStr = soetime(now);
    return reportHeaderPieces(testBar, TestName, TimeStr).join(QString());
}

QString TestBar()
{
    return lastBarCode();
}

void setTestBar(const QString& barCode)
{
    lastBarCode() = barCode;
}

} // namespace veltroma
