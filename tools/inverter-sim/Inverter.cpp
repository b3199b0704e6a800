#include "Inverter.h"

#include <algorithm>
#include <cmath>

namespace veltroma::sim {

namespace {

constexpr std::uint8_t kControlRegister = 0x00;
constexpr std::uint8_t kControlRead = 0x01;
constexpr std::uint8_t kControlWrite = 0x02;

constexpr std::uint8_t kFunctionQuerySerial = 0x00;
constexpr std::uint8_t kFunctionAssignAddress = 0x01;
constexpr std::uint8_t kFunctionRealtime = 0x02;
constexpr std::uint8_t kFunctionClearAddresses = 0x03;
constexpr std::uint8_t kFunctionSettings = 0x04;
constexpr std::uint8_t kFunctionClearTotals = 0x3A;
constexpr std::uint8_t kReplyFlag = 0x80;
constexpr std::uint8_t kReplyInformation = 0x83;

// The display unit answers at its own fixed address.
constexpr std::uint8_t kDisplayHigh = 0x7F;
constexpr std::uint8_t kDisplayLow = 0x01;

constexpr std::uint8_t kDciStart = 0x6A;  // 'j'
constexpr std::uint8_t kDciEnd = 0x4D;    // 'M'

// Write function code -> word of the settings block it sets.
struct ParameterWrite {
    std::uint8_t function;
    std::size_t word;
};
constexpr ParameterWrite kParameterWrites[] = {
    {0x00, 0}, {0x01, 1}, {0x04, 2}, {0x05, 3}, {0x06, 4}, {0x07, 5}, {0x3D, 8},
};

std::optional<std::size_t> parameterWord(std::uint8_t function)
{
    for (const ParameterWrite& write : kParameterWrites) {
        if (write.function == function)
            return write.word;
    }
    return std::nullopt;
}

bool isRead(std::uint8_t control)
{
    // Polls carry the register code until the registration count has run out.
    return control == kControlRead || control == kControlRegister;
}

std::uint16_t word(double scaled)
{
    return static_cast<std::uint16_t>(std::clamp(std::lround(scaled), 0L, 0xFFFFL));
}

// Counters (energy, hours, minutes) go up in whole steps: they are cut, not rounded.
std::uint32_t counter(double scaled)
{
    return static_cast<std::uint32_t>(std::clamp(std::floor(scaled), 0.0, 4294967295.0));
}

std::uint16_t counterWord(double scaled)
{
    return static_cast<std::uint16_t>(std::min(counter(scaled), 0xFFFFu));
}

void appendText(Bytes& out, const std::string& text, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i)
        out.push_back(static_cast<std::uint8_t>(i < text.size() ? text[i] : ' '));
}

} // namespace

Inverter::Inverter(const InverterConfig& config, PlantModel& plant, std::mt19937& noise)
    : config_(config)
    , plant_(plant)
    , noise_(noise)
    , address_(config.address)
    , informationDue_(config.sendInformation)
{
    applyStartCondition();
}

std::string Inverter::kindOf(const Request& request)
{
    if (const auto* service = std::get_if<ServiceRequest>(&request.body)) {
        switch (service->command) {
        case ServiceCommand::ReadSerial: return "service-read-serial";
        case ServiceCommand::SetSerial: return "service-set-serial";
        case ServiceCommand::ReadDci: return "service-read-dci";
        case ServiceCommand::WriteDci: return "service-write-dci";
        }
    }
    const auto& f = std::get<FramedRequest>(request.body);
    if (f.destinationHigh == kDisplayHigh) {
        if (f.control == kControlRead && f.function == kFunctionRealtime)
            return "read-display";
        if (f.control == kControlWrite && f.function == kFunctionRealtime)
            return "write-display";
        return "unknown";
    }
    if (f.control == kControlRegister) {
        switch (f.function) {
        case kFunctionQuerySerial: return "query-serial";
        case kFunctionAssignAddress: return "assign-address";
        case kFunctionClearAddresses: return "clear-addresses";
        default: break;
        }
    }
    if (isRead(f.control) && f.function == kFunctionRealtime)
        return "poll-realtime";
    if (isRead(f.control) && f.function == kFunctionSettings)
        return "poll-settings";
    if (f.control == kControlWrite && parameterWord(f.function))
        return "write-parameter";
    if (f.control == kControlWrite && f.function == kFunctionClearTotals)
        return "clear-totals";
    return "unknown";
}

std::optional<Reply> Inverter::answer(const Request& request)
{
    if (const auto* service = std::get_if<ServiceRequest>(&request.body))
        return answerService(*service);
    return answerFramed(std::get<FramedRequest>(request.body));
}

std::optional<Reply> Inverter::answerFramed(const FramedRequest& f)
{
    if (f.destinationHigh == kDisplayHigh) {
        if (f.destinationLow != kDisplayLow)
            return std::nullopt;
        if (f.control == kControlRead && f.function == kFunctionRealtime)
            return realtimeBlock(kDisplayHigh, kDisplayLow, f.control);
        if (f.control == kControlWrite && f.function == kFunctionRealtime && f.data.size() >= 2) {
            if (writeFaults_.refusedFunction == f.function)
                return std::nullopt;
            if (writeFaults_.unapplied)
                return writeAcknowledge(kDisplayHigh, kDisplayLow, f, f.data[0] & 0x0F, f.data[1] & 0x0F);
            config_.display.language = f.data[0] & 0x0F;
            config_.display.contrast = f.data[1] & 0x0F;
            return writeAcknowledge(kDisplayHigh, kDisplayLow, f, config_.display.language,
                                    config_.display.contrast);
        }
        return std::nullopt;
    }
    if (f.destinationHigh != 0)
        return std::nullopt;
    if (f.destinationLow == 0 && f.control == kControlRegister) {
        if (f.function == kFunctionClearAddresses) {
            address_ = 0;
            return std::nullopt;
        }
        if (f.function == kFunctionQuerySerial || f.function == kFunctionAssignAddress)
            return answerRegistration(f);
    }
    if (f.destinationLow != address_)
        return std::nullopt;
    return answerOwn(f);
}

std::optional<Reply> Inverter::answerRegistration(const FramedRequest& f)
{
    // Only an inverter without an address takes part in the registration.
    if (address_ != 0)
        return std::nullopt;
    if (f.function == kFunctionQuerySerial) {
        return Reply{buildReply(0x00, 0x00, f.control, kFunctionQuerySerial | kReplyFlag,
                                config_.serial),
                     "serial"};
    }
    if (f.data.size() != kSerialLength + 1
        || !std::equal(config_.serial.begin(), config_.serial.end(), f.data.begin()))
        return std::nullopt;
    address_ = f.data[kSerialLength];
    if (config_.sendInformation)
        informationDue_ = true;
    // The acknowledgement is not a frame: the inverter repeats its serial number.
    return Reply{Bytes(config_.serial.begin(), config_.serial.end()), "assign-ack", false};
}

std::optional<Reply> Inverter::answerOwn(const FramedRequest& f)
{
    if (isRead(f.control) && (f.function == kFunctionRealtime || f.function == kFunctionSettings)) {
        if (informationDue_) {
            informationDue_ = false;
            return informationBlock(f.control);
        }
        if (f.function == kFunctionRealtime)
            return realtimeBlock(0x00, address_, f.control);
        return settingsBlock(f.control);
    }
    if (f.control != kControlWrite || f.data.size() < 2 || writeFaults_.refusedFunction == f.function)
        return std::nullopt;
    if (writeFaults_.unapplied && (parameterWord(f.function) || f.function == kFunctionClearTotals))
        return writeAcknowledge(0x00, address_, f, f.data[0], f.data[1]);
    if (const auto index = parameterWord(f.function)) {
        config_.parameters.words[*index] = static_cast<std::uint16_t>(f.data[0] << 8 | f.data[1]);
        applyStartCondition();
        return writeAcknowledge(0x00, address_, f, f.data[0], f.data[1]);
    }
    if (f.function == kFunctionClearTotals) {
        plant_.clearTotals();
        return writeAcknowledge(0x00, address_, f, 0x00, 0x00);
    }
    return std::nullopt;
}

Reply Inverter::answerService(const ServiceRequest& request)
{
    switch (request.command) {
    case ServiceCommand::SetSerial:
        if (writeFaults_.unapplied)
            return Reply{Bytes(request.payload.begin(), request.payload.begin() + kSerialLength),
                         "service-serial", false};
        std::copy_n(request.payload.begin(), kSerialLength, config_.serial.begin());
        [[fallthrough]];
    case ServiceCommand::ReadSerial:
        return Reply{Bytes(config_.serial.begin(), config_.serial.end()), "service-serial", false};
    case ServiceCommand::WriteDci:
        if (writeFaults_.unapplied)
            break;
        config_.dciOffset =
            static_cast<std::uint16_t>(request.payload[0] << 8 | request.payload[1]);
        [[fallthrough]];
    case ServiceCommand::ReadDci:
        break;
    }
    return dciBlock();
}

Reply Inverter::realtimeBlock(std::uint8_t sourceHigh, std::uint8_t sourceLow,
                              std::uint8_t control)
{
    const PlantReading r = plant_.reading(noise_);
    Bytes data;
    appendWord(data, word(r.temperatureC * 10));
    appendWord(data, word(r.pvVoltage * 10));
    appendWord(data, word(r.pvCurrent * 10));
    appendWord(data, word(r.gridVoltage * 10));
    appendWord(data, word(r.gridFrequency * 100));
    appendWord(data, word(r.powerW));
    appendWord(data, counterWord(r.energyTodayKWh * 10));
    appendLong(data, counter(r.energyTotalKWh * 10));
    appendLong(data, counter(r.hoursTotal));
    const DisplaySettings& display = config_.display;
    data.push_back(static_cast<std::uint8_t>(display.contrast << 4 | display.language));
    data.push_back(r.state);
    data.insert(data.end(), 12, 0x00);
    appendLong(data, r.faultWord);
    return Reply{buildReply(sourceHigh, sourceLow, control, kFunctionRealtime | kReplyFlag, data),
                 "realtime"};
}

Reply Inverter::settingsBlock(std::uint8_t control) const
{
    GridParameters block = config_.parameters;
    block.words[GridParameters::kMinutesWord] = counterWord(plant_.operatingSecondsToday() / 60.0);
    Bytes data;
    for (std::uint16_t w : block.words)
        appendWord(data, w);
    return Reply{buildReply(0x00, address_, control, kFunctionSettings | kReplyFlag, data),
                 "settings"};
}

Reply Inverter::informationBlock(std::uint8_t control) const
{
    Bytes data(7, 0x00);
    appendText(data, config_.versionText, 5);
    appendText(data, config_.modelText, 16);
    return Reply{buildReply(0x00, address_, control, kReplyInformation, data), "information"};
}

Reply Inverter::writeAcknowledge(std::uint8_t sourceHigh, std::uint8_t sourceLow,
                                 const FramedRequest& request, std::uint8_t high,
                                 std::uint8_t low) const
{
    const Bytes data{high, low};
    return Reply{buildReply(sourceHigh, sourceLow, request.control,
                            static_cast<std::uint8_t>(request.function + kReplyFlag), data),
                 "write-ack"};
}

Reply Inverter::dciBlock() const
{
    Bytes block{kDciStart};
    block.insert(block.end(), 11, 0x00);
    appendWord(block, config_.dciReading);
    appendWord(block, config_.dciOffset);
    block.push_back(kDciEnd);
    return Reply{block, "service-dci", false, true};
}

void Inverter::applyStartCondition()
{
    plant_.setStartCondition(config_.parameters.words[0] / 10.0, config_.parameters.words[1]);
}

} // namespace veltroma::sim
