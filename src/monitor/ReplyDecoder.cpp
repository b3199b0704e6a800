#include "monitor/ReplyDecoder.h"

#include "link/Commands.h"
#include "monitor/FaultTable.h"
#include "monitor/ReplyView.h"

#include <optional>
#include <vector>

namespace veltroma {

namespace {

constexpr std::uint8_t kReplyRealtime = kFunctionRealtime | kReplyFlag;
constexpr std::uint8_t kReplySettings = kFunctionSettings | kReplyFlag;

// Data offsets of the realtime block.
constexpr std::size_t kRealtimeTemperature = 0;
constexpr std::size_t kRealtimeVpv = 2;
constexpr std::size_t kRealtimeVac = 6;
constexpr std::size_t kRealtimeFac = 8;
constexpr std::size_t kRealtimePac = 10;
constexpr std::size_t kRealtimeEtoday = 12;
constexpr std::size_t kRealtimeEtotal = 14;
constexpr std::size_t kRealtimeHtotal = 18;
constexpr std::size_t kRealtimeState = 23;
constexpr std::size_t kRealtimeFaultWord = 36;
// Data offsets of the information block.
constexpr std::size_t kInformationVersion = 7;
constexpr std::size_t kInformationVersionLength = 5;
constexpr std::size_t kInformationModel = 12;
constexpr std::size_t kInformationModelLength = 16;
// The settings block's eighth word: minutes of operation today.
constexpr std::size_t kSettingsMinutesToday = 14;

template <typename Raw>
std::optional<double> scaled(std::optional<Raw> raw, double divisor)
{
    if (!raw)
        return std::nullopt;
    return static_cast<double>(*raw) / divisor;
}

} // namespace

// The display updates of one decode, delivered after the model's lock is released.
class ReplyDecoder::Updates {
public:
    void add(std::function<void(DisplayUpdates&)> update) { updates_.push_back(std::move(update)); }

    void deliver(DisplayUpdates& display) const
    {
        for (const auto& update : updates_)
            update(display);
    }

private:
    std::vector<std::function<void(DisplayUpdates&)>> updates_;
};

ReplyDecoder::ReplyDecoder(SharedModel& model, DisplayUpdates& display, QString programFolder,
                           StringLoader loadString, WallClock wallClock)
    : model_(model),
      display_(display),
      programFolder_(std::move(programFolder)),
      loadString_(std::move(loadString)),
      wallClock_(std::move(wallClock))
{
}

void ReplyDecoder::setReadingListener(ReadingListener listener)
{
    readingListener_ = std::move(listener);
}

void ReplyDecoder::ProcessRecv(int slot, std::span<const std::uint8_t> reply)
{
    if (!isSlot(slot))
        return;
    const ReplyView view(reply);
    Updates updates;
    std::optional<Reading> decoded;

    model_.update([&](InverterModel& m) {
        m.paths = LoadDataSet(programFolder_, wallClock_(), slot);
        switch (view.function()) {
        case kReplyRealtime:
            decodeRealtime(m, slot, view, updates);
            decoded = m.readings[slot];
            break;
        case kReplyInformation:
            decodeInformation(m, slot, view);
            break;
        case kReplySettings:
            decodeSettings(m, slot, view, updates);
            break;
        default:
            break;
        }
    });

    updates.deliver(display_);
    if (decoded && readingListener_)
        readingListener_(*decoded);
}

void ReplyDecoder::decodeRealtime(InverterModel& m, int slot, const ReplyView& reply,
                                  Updates& out) const
{
    InverterValues& v = m.values;
    Reading reading;
    // A field the reply does not carry keeps the value stored last.
    const auto take = [&](Quantity q, std::optional<double> value) {
        if (!value)
            return;
        v.value(q, slot) = static_cast<float>(*value);
        reading.carried[std::size_t(index(q))] = true;
    };
    take(Quantity::Vpv, scaled(reply.word(kRealtimeVpv), 10.0));
    take(Quantity::Vac, scaled(reply.word(kRealtimeVac), 10.0));
    take(Quantity::Fac, scaled(reply.word(kRealtimeFac), 100.0));
    take(Quantity::Pac, scaled(reply.word(kRealtimePac), 1.0));
    take(Quantity::Etoday, scaled(reply.word(kRealtimeEtoday), 10.0));
    take(Quantity::Etotal, scaled(reply.signedDword(kRealtimeEtotal), 10.0));
    take(Quantity::Htotal, scaled(reply.signedDword(kRealtimeHtotal), 1.0));
    take(Quantity::Temperature, scaled(reply.word(kRealtimeTemperature), 10.0));
    if (const auto state = reply.byte(kRealtimeState))
        v.iInverterState[slot] = *state;
    if (const auto faultWord = reply.dword(kRealtimeFaultWord))
        v.dwErrorMessage[slot] = *faultWord;

    const QDateTime& now = m.paths.recordedAt;
    reading.instant = now.toOffsetFromUtc(now.offsetFromUtc());
    reading.slot = slot;
    for (int q = 0; q < int(kQuantityCount); ++q)
        reading.values[std::size_t(q)] = v.value(static_cast<Quantity>(q), slot);
    reading.stateCode = v.iInverterState[slot];
    reading.faultWord = v.dwErrorMessage[slot];
    reading.serial = m.sSerialNums[slot];
    reading.model = m.sModelname[slot];
    reading.firmware = m.sVer[slot];
    reading.paths = m.paths;

    ColorRef color = kLampGreen;
    switch (reading.stateCode) {
    case 0:
        reading.stateText = loadString_(QStringLiteral("IDC_WAIT"));
        break;
    case 1:
        reading.stateText = loadString_(QStringLiteral("IDC_NORMAL"));
        break;
    case 2:
    case 3:
        color = kLampRed;
        reading.stateText = sGetErrorString(m.sErrorString, reading.faultWord);
        if (reading.stateText->isEmpty())
            reading.stateText = QStringLiteral("Fault");
        break;
    default:
        // An unknown state leaves the lamp as it was and the row without a state field.
        break;
    }

    // The list shows every quantity but the minutes of the day, which the settings block
    // brings; the gauge and the odometers show the sums over the slots, this reply's included.
    const int row = slot - 1;
    const auto list = [&](Quantity q) {
        out.add([row, column = index(q), text = reading.text(q)](DisplayUpdates& d) {
            d.setListText(row, column, text);
        });
    };
    for (const Quantity q : {Quantity::Vpv, Quantity::Vac, Quantity::Fac, Quantity::Pac})
        list(q);
    const double kilowatts = static_cast<double>(v.sum(Quantity::Pac)) / 1000.0;
    out.add([=](DisplayUpdates& d) {
        d.setPowerGauge(kilowatts, QString::asprintf("%.3fkW", kilowatts));
    });
    list(Quantity::Etoday);
    list(Quantity::Etotal);
    const double today = v.sum(Quantity::Etoday);
    const double total = v.sum(Quantity::Etotal);
    out.add([=](DisplayUpdates& d) { d.setEnergyOdometers(today, total); });
    list(Quantity::Htotal);
    list(Quantity::Temperature);
    if (reading.stateText)
        out.add([=, text = *reading.stateText](DisplayUpdates& d) { d.setStateLamp(slot, color, text); });

    m.NewRow = recordRow(reading);
    m.readings[slot] = std::move(reading);
    m.realtimeDecoded = true;
    m.live[slot] = true;
}

void ReplyDecoder::decodeInformation(InverterModel& m, int slot, const ReplyView& reply)
{
    if (m.bInverterAdrOld == slot)
        return;
    const auto version = reply.text(kInformationVersion, kInformationVersionLength);
    const auto model = reply.text(kInformationModel, kInformationModelLength);
    // A block too short to carry both texts is not taken, so a complete one still can be.
    if (!version || !model)
        return;
    m.sVer[slot] += *version;
    m.sModelname[slot] += *model;
    m.bInverterAdrOld = slot;
}

void ReplyDecoder::decodeSettings(InverterModel& m, int slot, const ReplyView& reply,
                                  Updates& out) const
{
    const auto minutes = reply.word(kSettingsMinutesToday);
    if (!minutes)
        return;
    m.values.Htoday[slot] = static_cast<float>(*minutes);
    const QString text = QString::asprintf(format(Quantity::Htoday),
                                           static_cast<double>(m.values.Htoday[slot]));
    out.add([row = slot - 1, text](DisplayUpdates& d) { d.setListText(row, 5, text); });
}

} // namespace veltroma
