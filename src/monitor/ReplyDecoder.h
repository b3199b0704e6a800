#pragma once

#include "monitor/DisplayUpdates.h"
#include "monitor/Reading.h"
#include "monitor/SharedModel.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <span>

namespace veltroma {

class ReplyView;

// Turns validated replies into the inverter model, the form's list, gauge, odometers and
// state lamps, and the record row. Runs on the worker thread.
class ReplyDecoder {
public:
    using StringLoader = std::function<QString(const QString& key)>;
    using WallClock = std::function<QDateTime()>;
    using ReadingListener = std::function<void(const Reading& reading)>;

    // `programFolder` ends with "/"; the record paths are computed under it.
    ReplyDecoder(SharedModel& model, DisplayUpdates& display, QString programFolder,
                 StringLoader loadString, WallClock wallClock);

    // Called with every realtime reading right after it has been decoded, outside the
    // model's lock (on the decoding thread).
    void setReadingListener(ReadingListener listener);

    // Decodes one validated reply frame (its N + 11 bytes) for `slot` 1..6.
    void ProcessRecv(int slot, std::span<const std::uint8_t> reply);

private:
    class Updates;

    void decodeRealtime(InverterModel& m, int slot, const ReplyView& reply, Updates& out) const;
    void decodeSettings(InverterModel& m, int slot, const ReplyView& reply, Updates& out) const;
    static void decodeInformation(InverterModel& m, int slot, const ReplyView& reply);

    SharedModel& model_;
    DisplayUpdates& display_;
    QString programFolder_;
    StringLoader loadString_;
    WallClock wallClock_;
    ReadingListener readingListener_;
};

} // namespace veltroma
