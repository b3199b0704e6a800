#pragma once

#include "link/Frame.h"
#include "params/DialogChannel.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace veltroma {

class Prompt;

// The control id of the display parameter grid.
inline constexpr int kParaSet2GridId = 200;
// The inverter's display unit answers at this address, whatever its bus address.
inline constexpr std::uint16_t kDisplayUnitAddress = 0x7F01;
// The display settings byte in a realtime reply.
inline constexpr std::size_t kDisplaySettingsOffset = 31;

// Rows of the display parameter grid.
inline constexpr int kLanguageRow = 0;
inline constexpr int kContrastRow = 1;
inline constexpr int kDisplayRows = 2;

// Everything the display parameter dialog does apart from drawing: the two value cells,
// the Download button's state and the exchanges with the display unit. Runs on the
// user-interface thread; each operation blocks until its exchanges have ended.
class ParaSet2Exchange {
public:
    ParaSet2Exchange(DialogChannel channel, Prompt& prompt);

    // Reads the display settings: up to three attempts, and one message when none was
    // answered.
    void OnButtonUpload3();
    // Writes the language and contrast of the grid (up to three attempts) and reads them
    // back: success only when the display reports what was written; the grid then shows
    // what it reports. A cell the display reported out of range and the user has not set
    // is never written back.
    void OnButtonDownload3();
    // The grid's end-of-edit notice: the drop-down takes the chosen name, the contrast cell
    // the typed value held within 0 to 6.
    void OnEndLabelEditVariableCriteria(int controlId, int row, int column, const QString& text);
    // What the drop-down of a cell offers.
    [[nodiscard]] QStringList PopulateComboList(int row, int column) const;

    // Column 1 of `row` (kLanguageRow or kContrastRow).
    [[nodiscard]] QString value(int row) const { return m_values.at(static_cast<std::size_t>(row)); }
    [[nodiscard]] bool downloadEnabled() const { return m_downloadEnabled; }

    // Called whenever a value or the button state changed, before any message is shown.
    void onChanged(std::function<void()> listener) { m_changed = std::move(listener); }

private:
    // Shows the display settings of a realtime reply; other frames change nothing. True
    // when it was one.
    bool ProcessRecv(std::span<const std::uint8_t> reply);
    // One read with up to three attempts, under the lock of `session`.
    bool readSettings(LinkSession& session);
    void changed() const;

    DialogChannel m_channel;
    Prompt& m_prompt;
    std::array<QString, kDisplayRows> m_values;

    TxBuffer bTxBuffer{};
    RxBuffer bRxBuffer{};
    bool m_downloadEnabled = false;
    std::function<void()> m_changed;
};

} // namespace veltroma
