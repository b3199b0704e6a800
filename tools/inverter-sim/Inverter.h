#pragma once

#include "PlantModel.h"
#include "Request.h"

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

namespace veltroma::sim {

inline constexpr std::size_t kSerialLength = 10;
using SerialNumber = std::array<std::uint8_t, kSerialLength>;

// The words of the settings block, scaled as they travel: start voltage (0.1 V), start
// delay (s), grid voltage low and high limits (0.1 V), frequency low and high limits
// (0.01 Hz), a reserved word, the operating minutes of the day (filled in live), and the
// DC-injection limit (mA).
struct GridParameters {
    static constexpr std::size_t kMinutesWord = 7;
    std::array<std::uint16_t, 9> words{2500, 60, 1960, 2530, 4750, 5050, 0, 0, 1000};
};

// The inverter's own display: language code (0 Italian, 1 English, 2 German, 3 Spanish) and
// contrast 0 to 6; they travel as one byte, contrast in the high four bits.
struct DisplaySettings {
    std::uint8_t language = 1;
    std::uint8_t contrast = 3;
};

// Writes that go wrong on purpose: acknowledged as usual but never applied, or, for one write
// function code, not answered at all.
struct WriteFaults {
    bool unapplied = false;
    std::optional<std::uint8_t> refusedFunction;
};

struct InverterConfig {
    SerialNumber serial{'V', 'T', '2', '4', '0', '0', '0', '1', '2', '3'};
    std::uint8_t address = 0;          // bus address; 0 = none yet
    bool sendInformation = false;      // answer the first poll after registration with 0x83
    std::string versionText = "V2.10";
    std::string modelText = "VT-3000TL SIM";
    std::uint16_t dciReading = 25;     // mA
    std::uint16_t dciOffset = 2000;
    DisplaySettings display;
    GridParameters parameters;
};

struct Reply {
    Bytes bytes;
    std::string kind;          // for the log
    bool framed = true;        // carries a checksum
    bool dciMarkers = false;   // a 17-byte DCI block with its 0x6A / 0x4D markers
};

// The device side of the link: bus address, identity, settings and the answers to every
// request, built from the plant's present state. Owns no I/O and no time.
class Inverter {
public:
    Inverter(const InverterConfig& config, PlantModel& plant, std::mt19937& noise);

    // The reply to one request, or nothing when the request is not for this device or
    // needs no answer. The plant must have been advanced to the present first.
    [[nodiscard]] std::optional<Reply> answer(const Request& request);

    // What a request is, as one word for the log.
    [[nodiscard]] static std::string kindOf(const Request& request);

    void setSerial(const SerialNumber& serial) { config_.serial = serial; }
    void setAddress(std::uint8_t address) { address_ = address; }
    void setDciReading(std::uint16_t mA) { config_.dciReading = mA; }
    void setDciOffset(std::uint16_t offset) { config_.dciOffset = offset; }
    WriteFaults& writeFaults() { return writeFaults_; }
    // The next poll for this device is answered with the information block.
    void armInformation() { informationDue_ = true; }

    [[nodiscard]] std::uint8_t address() const { return address_; }
    [[nodiscard]] const SerialNumber& serial() const { return config_.serial; }
    [[nodiscard]] const GridParameters& parameters() const { return config_.parameters; }
    [[nodiscard]] DisplaySettings display() const { return config_.display; }
    [[nodiscard]] std::uint16_t dciOffset() const { return config_.dciOffset; }

private:
    std::optional<Reply> answerFramed(const FramedRequest& request);
    std::optional<Reply> answerRegistration(const FramedRequest& request);
    std::optional<Reply> answerOwn(const FramedRequest& request);
    Reply answerService(const ServiceRequest& request);

    Reply realtimeBlock(std::uint8_t sourceHigh, std::uint8_t sourceLow, std::uint8_t control);
    Reply settingsBlock(std::uint8_t control) const;
    Reply informationBlock(std::uint8_t control) const;
    Reply writeAcknowledge(std::uint8_t sourceHigh, std::uint8_t sourceLow,
                           const FramedRequest& request, std::uint8_t high, std::uint8_t low) const;
    Reply dciBlock() const;
    void applyStartCondition();

    InverterConfig config_;
    PlantModel& plant_;
    std::mt19937& noise_;
    std::uint8_t address_ = 0;
    bool informationDue_ = false;
    WriteFaults writeFaults_;
};

} // namespace veltroma::sim
