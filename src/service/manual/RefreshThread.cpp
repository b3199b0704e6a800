#include "service/manual/RefreshThread.h"

#include <algorithm>
#include <array>
#include <utility>

namespace veltroma {

namespace {
// How often the pauses look whether they are to end early.
constexpr std::int64_t kPollSliceMs = 10;
}

RefreshThread::RefreshThread(ByteLink& link, Clock& clock, ManualTestDisplay& display)
    : m_link(link), m_clock(clock), m_display(display)
{
}

RefreshThread::~RefreshThread()
{
    waitForEnd(0);
}

void RefreshThread::start()
{
    if (m_thread.joinable())
        return;
    bExitFlg = 0;
    b_Active = true;
    m_thread = std::thread([this] { ThreadFunc(); });
}

bool RefreshThread::waitForEnd(std::int64_t boundMs, const std::function<void()>& pump)
{
    if (!m_thread.joinable())
        return true;
    bExitFlg = 1;
    const std::int64_t start = m_clock.nowMs();
    while (b_Active.load() && m_clock.nowMs() - start < boundMs) {
        if (pump)
            pump();
        m_clock.sleepMs(kPollSliceMs);
    }
    const bool endedInTime = !b_Active.load();
    // Never leave a thread behind that uses this object; every step it can be in is bounded.
    // A nested wait (from an event handled by `pump`) may have joined it already.
    if (m_thread.joinable())
        m_thread.join();
    return endedInTime;
}

void RefreshThread::queueSetSerialNumber(const SerialNumberBytes& serialNumber)
{
    std::lock_guard lock(m_orderMutex);
    m_order = {OrderType::SetSerialNumber, serialNumber, 0};
}

void RefreshThread::queueWriteDciOffset(std::uint16_t offset)
{
    std::lock_guard lock(m_orderMutex);
    m_order = {OrderType::WriteDciOffset, {}, offset};
}

bool RefreshThread::orderWaiting() const
{
    std::lock_guard lock(m_orderMutex);
    return m_order.type != OrderType::None;
}

RefreshThread::Order RefreshThread::takeOrder()
{
    // Taken and cleared at once, so an order given while another one runs waits its turn.
    std::lock_guard lock(m_orderMutex);
    return std::exchange(m_order, Order{});
}

void RefreshThread::ThreadFunc()
{
    while (!exitRequested()) {
        const Order order = takeOrder();
        switch (order.type) {
        case OrderType::SetSerialNumber:
            runSetSerialNumber(order.serialNumber);
            break;
        case OrderType::WriteDciOffset:
            runWriteDciOffset(order.dciOffset);
            break;
        case OrderType::None:
            TestLoad(ServiceLoad::ReadDci);
            pauseBetweenRefreshes();
            break;
        }
    }
    bExitFlg = 0;
    b_Active = false;
}

void RefreshThread::runSetSerialNumber(const SerialNumberBytes& serialNumber)
{
    m_arguments.serialNumber = serialNumber;
    m_serials = {{}, serialNumberText(serialNumber), {}};
    for (const auto load : {ServiceLoad::ReadSerial, ServiceLoad::SetSerial}) {
        if (exitRequested())
            return;
        TestLoad(load);
    }
    if (exitRequested())
        return;
    // The write counts only when the number read back is the one asked for.
    const QString asked = serialNumberText(serialNumber);
    const bool readBack = TestLoad(ServiceLoad::ReadSerialBack);
    if (!readBack || m_serials.sSerialNumSel != asked)
        m_display.showWriteFailure({ManualWrite::SerialNumber, asked,
                                    readBack ? m_serials.sSerialNumSel : QString()});
}

void RefreshThread::runWriteDciOffset(std::uint16_t offset)
{
    m_arguments.dciOffset = offset;
    // The reply to the write and a fresh reading must both carry the offset asked for.
    const bool written = TestLoad(ServiceLoad::WriteDci) && m_DCISHIFT_R == offset;
    const bool readBack = !exitRequested() && TestLoad(ServiceLoad::ReadDci);
    if (exitRequested())
        return;
    if (!readBack || !written || m_DCISHIFT_R != offset)
        m_display.showWriteFailure({ManualWrite::DciOffset, QString::number(offset),
                                    readBack ? QString::number(m_DCISHIFT_R) : QString()});
}

void RefreshThread::pauseBetweenRefreshes()
{
    const std::int64_t start = m_clock.nowMs();
    while (m_clock.nowMs() - start < kRefreshPauseMs && !exitRequested() && !orderWaiting())
        m_clock.sleepMs(std::min(kPollSliceMs, kRefreshPauseMs - (m_clock.nowMs() - start)));
}

bool RefreshThread::TestLoad(ServiceLoad load)
{
    const std::size_t length = BuildServiceCommand(bTxBuffer, load, m_arguments);
    const auto command = std::span<const std::uint8_t>(bTxBuffer).first(length);
    const auto reply = std::span(bRxBuffer).first(serviceReplyLength(load));

    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0 && exitRequested())
            return false;
        // One whole exchange: no other party may send or take bytes in between.
        std::lock_guard lock(m_link.linkLock());
        m_link.Send_Data(command);
        if (RecvRawReply(m_link, m_clock, reply) == static_cast<int>(reply.size())) {
            ProcessRecv(load);
            return true;
        }
    }
    return false;
}

void RefreshThread::ProcessRecv(ServiceLoad load)
{
    const auto reply = std::span<const std::uint8_t>(bRxBuffer).first(serviceReplyLength(load));
    switch (load) {
    case ServiceLoad::ReadDci:
    case ServiceLoad::WriteDci:
        if (const auto values = parseDciBlock(reply)) {
            m_DCI_R = values->reading;
            m_DCISHIFT_R = values->offset;
            m_display.showDci(m_DCI_R, m_DCISHIFT_R);
        }
        return;
    case ServiceLoad::ReadSerial:
        m_serials.sSerialNum += serialNumberText(reply);
        break;
    case ServiceLoad::ReadSerialBack:
        m_serials.sSerialNumSel += serialNumberText(reply);
        break;
    case ServiceLoad::SetSerial:
        break;
    }
    m_display.showSerialNumbers(m_serials);
}

} // namespace veltroma
