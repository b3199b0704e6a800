#include "monitor/Registration.h"

#include "link/Commands.h"
#include "monitor/DisplayUpdates.h"
#include "monitor/ReplyView.h"
#include "monitor/SharedModel.h"
#include "monitor/Watchdog.h"

#include <algorithm>
#include <array>
#include <mutex>

namespace veltroma {

namespace {
constexpr std::int64_t kAfterClearMs = 22;
constexpr std::int64_t kBetweenClearAndQueryMs = 20;
constexpr unsigned kProgressStep = 10;
constexpr unsigned kProgressEnd = 100;
} // namespace

Registration::Registration(EngineLink& link, EngineFlags& flags, SharedModel& model,
                           DisplayUpdates& display, Watchdog& watchdog)
    : link_(link), flags_(flags), model_(model), display_(display), watchdog_(watchdog)
{
}

std::optional<QString> Registration::Register()
{
    std::lock_guard lock(link_.link.linkLock());
    ClearRegM();
    link_.clock.sleepMs(kBetweenClearAndQueryMs);
    if (stopping_)
        return std::nullopt;
    return RegM();
}

void Registration::ClearRegM()
{
    for (int i = 0; i < 2 && !stopping_; ++i) {
        SendRequest(link_.link, link_.bTxBuffer, kBroadcastAddress, kControlRegister,
                    kFunctionClearAddresses);
        link_.clock.sleepMs(kAfterClearMs);
    }
}

std::optional<QString> Registration::RegM()
{
    auto& rx = link_.bRxBuffer;
    SendRequest(link_.link, link_.bTxBuffer, kBroadcastAddress, kControlRegister,
                kFunctionQuerySerial);
    const int received = RecvDataBack(link_.link, link_.clock, rx, kFirstByteTimeoutMs);
    if (received > 0)
        watchdog_.markAlive();
    // Without a validated answer the buffer holds older bytes: assigning or showing them
    // would give a stranger's serial number the bus address.
    const bool answered = received > 0 && rx[kOffsetFunction] == (kFunctionQuerySerial | kReplyFlag)
                          && rx[kOffsetLength] >= kSerialNumberLength;
    if (!answered || stopping_)
        return std::nullopt;

    const auto serial = std::span<const std::uint8_t>(rx).subspan(kOffsetData, kSerialNumberLength);
    const QString caption = textUpToZero(serial);
    display_.setSlotCaption(bInverterAdrNow, caption);
    model_.update([&](InverterModel& m) { m.sSerialNums[bInverterAdrNow] = caption; });

    std::array<std::uint8_t, kSerialNumberLength + 1> assignment{};
    std::copy(serial.begin(), serial.end(), assignment.begin());
    assignment.back() = kInverterAddress;
    SendRequest(link_.link, link_.bTxBuffer, kBroadcastAddress, kControlRegister,
                kFunctionAssignAddress, assignment);
    // The answer to the assignment is read and not looked at.
    (void)SerialRecvDataBack(link_.link, link_.clock, rx, kFirstByteTimeoutMs);
    return caption;
}

void Registration::RegistProgressBar()
{
    if (RegistStartFlg_ == 1) {
        if (CurPos_ == kProgressEnd) {
            if (progress_)
                progress_->close();
            CurPos_ = 0;
            m_Range_ = kProgressEnd;
            if (progress_)
                progress_->setRange(m_Range_);
            RegistStartFlg_ = 0;
        } else {
            CurPos_ += kProgressStep;
            if (progress_)
                progress_->setPosition(CurPos_);
        }
        return;
    }
    flags_.COMM_CMD = kControlRead;
    flags_.RegistEndFlg = 1;
}

} // namespace veltroma
