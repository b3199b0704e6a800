#pragma once

#include "base/Clock.h"
#include "link/ByteLink.h"
#include "link/Frame.h"
#include "service/manual/ManualTestDisplay.h"
#include "service/manual/ServiceCommands.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace veltroma {

// The order waiting for the refresh thread. A single slot: a second order given before the
// thread has taken the first replaces it.
enum class OrderType : std::uint8_t { None = 0, SetSerialNumber = 1, WriteDciOffset = 2 };

// The manual test's background thread: shows the inverter's DCI reading and offset about once
// a second and carries out the user's orders, one at a time. It is the only code of the
// manual test that talks on the link, and it holds the link lock for each whole exchange.
//
// Asked to end, it stops within one exchange: an order in progress is abandoned between two
// exchanges. Destroying the object ends and joins the thread first.
class RefreshThread {
public:
    RefreshThread(ByteLink& link, Clock& clock, ManualTestDisplay& display);
    ~RefreshThread();

    RefreshThread(const RefreshThread&) = delete;
    RefreshThread& operator=(const RefreshThread&) = delete;

    // Starts the thread unless it runs already.
    void start();

    // Asks the thread to end and waits for it: `pump` runs about every 10 ms while the thread
    // is still at work, for at most `boundMs`; the thread is then joined in any case, which
    // takes at most one exchange. True when it ended within the bound.
    bool waitForEnd(std::int64_t boundMs, const std::function<void()>& pump = {});

    [[nodiscard]] bool isRunning() const { return b_Active.load(); }

    // Queue an order; it replaces one the thread has not taken yet.
    void queueSetSerialNumber(const SerialNumberBytes& serialNumber);
    void queueWriteDciOffset(std::uint16_t offset);

    // One load: the command, up to three attempts, the reply processed on success. Runs on
    // the refresh thread; a test may call it while the thread is not running.
    bool TestLoad(ServiceLoad load);

    static constexpr int kAttempts = 3;
    static constexpr std::int64_t kRefreshPauseMs = 1000;

private:
    struct Order {
        OrderType type = OrderType::None;
        SerialNumberBytes serialNumber{};
        std::uint16_t dciOffset = 0;
    };

    void ThreadFunc();
    Order takeOrder();
    // Loads 0, 1 and 2; a number read back other than the one asked for is reported.
    void runSetSerialNumber(const SerialNumberBytes& serialNumber);
    // Load 4 and a fresh reading; an offset other than the one asked for is reported.
    void runWriteDciOffset(std::uint16_t offset);
    // Waits up to the refresh pause, less when an order or the end is asked for.
    void pauseBetweenRefreshes();
    [[nodiscard]] bool exitRequested() const { return bExitFlg.load() != 0; }
    [[nodiscard]] bool orderWaiting() const;
    void ProcessRecv(ServiceLoad load);

    ByteLink& m_link;
    Clock& m_clock;
    ManualTestDisplay& m_display;

    // Owned by the refresh thread while it runs.
    TxBuffer bTxBuffer{};
    RxBuffer bRxBuffer{};
    ServiceArguments m_arguments;
    SerialNumberTexts m_serials;
    int m_DCI_R = 0;
    int m_DCISHIFT_R = 0;

    mutable std::mutex m_orderMutex;
    Order m_order;  // bOrderType and what the order carries

    // 1: the thread is asked to end; the thread sets it back to 0 as it ends.
    std::atomic<int> bExitFlg = 0;
    std::atomic<bool> b_Active = false;
    std::thread m_thread;
};

} // namespace veltroma
