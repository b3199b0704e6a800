#pragma once

#include "link/Frame.h"
#include "params/DialogChannel.h"
#include "params/GridParameterFile.h"

#include <QString>

#include <optional>
#include <vector>

namespace veltroma {

// The grid protection parameters of one inverter on the link, shared by the dialog and the
// command line. Every call runs inside the caller's LinkSession.
class GridLink {
public:
    explicit GridLink(std::uint8_t address) : address_(address) {}

    // One read exchange: the seven rows as the dialog shows them, or none when no settings
    // block came back. `pauseMs` lies between the request and the reply.
    std::optional<GridTexts> read(LinkSession& session, int pauseMs = kReadPauseMs);
    // Up to `tries` reads, until one is answered.
    std::optional<GridTexts> readUntilAnswered(LinkSession& session, int tries = kReadTries);

    // Writes one row's text: up to three attempts. True when the inverter acknowledged it
    // with the write's own function code; any other frame is no acknowledgement.
    bool write(LinkSession& session, std::size_t row, const QString& text);

    // The serial number, read with the raw service command; empty when it does not answer.
    QString serialNumber(LinkSession& session);

    static constexpr int kReadTries = 3;
    static constexpr int kReadPauseMs = 20;

private:
    std::uint8_t address_;
    TxBuffer tx_{};
    RxBuffer rx_{};
};

// What became of one written row.
struct RowCheck {
    std::size_t row = 0;
    QString wrote;
    bool acknowledged = false;
    std::optional<QString> reported;  // as read back; none when the read-back got no reply

    [[nodiscard]] bool verified() const { return acknowledged && reported == wrote; }
};

// Compares the written rows with a read-back (none: the read-back was not answered).
[[nodiscard]] std::vector<RowCheck> checkWrites(const std::vector<RowCheck>& writes,
                                                const std::optional<GridTexts>& readBack);

// One localized line for a row that did not read back as written: "Vac-max: wrote 250.0,
// the inverter reports 253.0", or that the write or the read-back got no reply.
[[nodiscard]] QString describeFailure(const RowCheck& check);

} // namespace veltroma
