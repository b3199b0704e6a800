#pragma once

#include "link/ByteLink.h"
#include "link/Frame.h"
#include "link/LinkHealth.h"
#include "monitor/DisplayUpdates.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <thread>
#include <vector>

namespace veltroma::test {

// A reply frame: header AA AA, source 00 01, destination 00 00, control 01, the function
// code, N, the data and the checksum.
inline std::vector<std::uint8_t> replyFrame(std::uint8_t function, std::vector<std::uint8_t> data,
                                            std::uint8_t control = 0x01)
{
    std::vector<std::uint8_t> frame(kOffsetData + data.size());
    const std::uint8_t header[] = {0xAA, 0xAA, 0x00, 0x01, 0x00, 0x00, control, function,
                                   static_cast<std::uint8_t>(data.size())};
    std::copy(std::begin(header), std::end(header), frame.begin());
    std::copy(data.begin(), data.end(), frame.begin() + kOffsetData);
    const unsigned sum = GetCheckSum(frame);
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    return frame;
}

// Sets data bytes from `offset` on.
inline void put(std::vector<std::uint8_t>& data, std::size_t offset,
                std::initializer_list<std::uint8_t> bytes)
{
    std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(offset));
}

// A realtime block of 40 data bytes (51-byte frame) with the given state and fault word.
inline std::vector<std::uint8_t> realtimeData(std::uint8_t state = 1, std::uint32_t faultWord = 0)
{
    std::vector<std::uint8_t> data(40, 0);
    data[23] = state;
    put(data, 36,
        {static_cast<std::uint8_t>(faultWord >> 24), static_cast<std::uint8_t>(faultWord >> 16),
         static_cast<std::uint8_t>(faultWord >> 8), static_cast<std::uint8_t>(faultWord)});
    return data;
}

// The realtime reply of the reference example: 30.0 degrees, 340.0 V PV, 230.0 V grid,
// 50.00 Hz, 1500 W, 12.3 kWh today, 12345.6 kWh total, 4096 h, state normal.
inline std::vector<std::uint8_t> exampleRealtimeData()
{
    auto data = realtimeData(1, 0);
    put(data, 0, {0x01, 0x2C});
    put(data, 2, {0x0D, 0x48});
    put(data, 6, {0x08, 0xFC});
    put(data, 8, {0x13, 0x88});
    put(data, 10, {0x05, 0xDC});
    put(data, 12, {0x00, 0x7B});
    put(data, 14, {0x00, 0x01, 0xE2, 0x40});
    put(data, 18, {0x00, 0x00, 0x10, 0x00});
    return data;
}

// Records every display update, from any thread.
class RecordingDisplay final : public DisplayUpdates {
public:
    struct Lamp {
        int slot;
        ColorRef color;
        QString text;
    };

    void setListText(int row, int column, const QString& text) override
    {
        std::lock_guard lock(mutex_);
        cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
        ++updates_;
    }
    void setPowerGauge(double kilowatts, const QString& label) override
    {
        std::lock_guard lock(mutex_);
        gauge_ = kilowatts;
        gaugeLabel_ = label;
        ++updates_;
    }
    void setEnergyOdometers(double today, double total) override
    {
        std::lock_guard lock(mutex_);
        today_ = today;
        total_ = total;
        ++updates_;
    }
    void setStateLamp(int slot, ColorRef color, const QString& text) override
    {
        std::lock_guard lock(mutex_);
        lamps_.push_back({slot, color, text});
        ++updates_;
    }
    void setSlotCaption(int slot, const QString& caption) override
    {
        std::lock_guard lock(mutex_);
        captions_.push_back({slot, caption});
        ++updates_;
    }

    QString cell(int row, int column) const
    {
        std::lock_guard lock(mutex_);
        return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }
    QString gaugeLabel() const { std::lock_guard lock(mutex_); return gaugeLabel_; }
    double gauge() const { std::lock_guard lock(mutex_); return gauge_; }
    double todayOdometer() const { std::lock_guard lock(mutex_); return today_; }
    double totalOdometer() const { std::lock_guard lock(mutex_); return total_; }
    std::vector<Lamp> lamps() const { std::lock_guard lock(mutex_); return lamps_; }
    std::vector<std::pair<int, QString>> captions() const { std::lock_guard lock(mutex_); return captions_; }
    int updates() const { std::lock_guard lock(mutex_); return updates_; }

private:
    mutable std::mutex mutex_;
    std::array<std::array<QString, 9>, 9> cells_{};
    double gauge_ = 0.0;
    QString gaugeLabel_;
    double today_ = 0.0;
    double total_ = 0.0;
    std::vector<Lamp> lamps_;
    std::vector<std::pair<int, QString>> captions_;
    int updates_ = 0;
};

// The language texts the decoder asks for, without a language file.
inline QString englishText(const QString& key)
{
    if (key == QLatin1String("IDC_WAIT"))
        return QStringLiteral("Wait");
    if (key == QLatin1String("IDC_NORMAL"))
        return QStringLiteral("Normal");
    return QStringLiteral("Not found");
}

// Another link with counters of its own, as the serial channel keeps them.
class CountingLink final : public ByteLink {
public:
    explicit CountingLink(ByteLink& inner) : inner_(inner) {}

    void Send_Data(std::span<const std::uint8_t> data) override { inner_.Send_Data(data); }
    int ReadChar() override { return inner_.ReadChar(); }
    [[nodiscard]] bool ChannelOK() const override { return inner_.ChannelOK(); }
    std::mutex& linkLock() override { return inner_.linkLock(); }
    LinkHealth* health() override { return &health_; }

private:
    ByteLink& inner_;
    LinkHealth health_;
};

// Waits in real time until `done` holds; false after `limit`.
inline bool waitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// True when `lock` is held by some thread, asked from a thread of its own (a mutex may not
// be tried by the thread that holds it).
inline bool heldElsewhere(std::mutex& lock)
{
    bool held = false;
    std::thread probe([&] {
        held = !lock.try_lock();
        if (!held)
            lock.unlock();
    });
    probe.join();
    return held;
}

} // namespace veltroma::test
