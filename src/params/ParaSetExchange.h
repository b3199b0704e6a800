#pragma once

#include "link/Frame.h"
#include "params/DialogChannel.h"
#include "params/GridLink.h"
#include "params/GridParameterFile.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <span>

namespace veltroma {

class Prompt;

// The control id of the grid protection parameter grid.
inline constexpr int kParaSetGridId = 198;
// Function code of the clear request (energy and hour totals).
inline constexpr std::uint8_t kFunctionClearTotals = 0x3A;

// Everything the grid protection parameter dialog does apart from drawing: the texts of the
// value column, the state of its buttons, and its exchanges with one inverter. Runs on the
// user-interface thread; each operation blocks until its exchanges have ended.
class ParaSetExchange {
public:
    // `InverterAddrSet`: the bus address of the inverter (its low byte goes on the link).
    ParaSetExchange(DialogChannel channel, Prompt& prompt, int InverterAddrSet);

    // Reads the parameters: three read requests, each reply that is the settings block is
    // shown. Without one, the user is asked to upload again.
    void OnButtonUpload();
    // Writes the rows whose value differs from what the last decoded read showed, after
    // checking the limits' order and backing up what the inverter held (once per dialog),
    // then reads them back: success is shown only when every written row reads back as
    // written; otherwise each row that did not is named, and the grid shows what the
    // inverter reports.
    void OnButtonDownload();
    // Asks for a backup file and loads it into the grid for review (after an upload).
    void OnButtonRestore();
    // Loads a parameter file into the grid: false, with the user told why, when it cannot be
    // read or holds a wrong line; then the grid is left as it was.
    bool restoreFrom(const QString& path);
    // Clears the inverter's energy and hour totals.
    void OnClear();
    // The grid's end-of-edit notice: a value cell gets the typed value held within range.
    void OnEndLabelEditVariableCriteria(int controlId, int row, int column, const QString& text);

    // Column 1 of `row` (0 to 6).
    [[nodiscard]] QString value(int row) const { return m_values.at(static_cast<std::size_t>(row)); }
    [[nodiscard]] bool uploadEnabled() const { return m_uploadEnabled; }
    [[nodiscard]] bool downloadEnabled() const { return m_downloadEnabled; }
    // A file can be restored once the inverter's own values are known.
    [[nodiscard]] bool restoreEnabled() const { return m_decoded; }
    // The backup written before the first write of this dialog; empty until then.
    [[nodiscard]] QString backupFile() const { return m_backupFile; }

    // Called whenever a value or a button state changed, before any message is shown.
    void onChanged(std::function<void()> listener) { m_changed = std::move(listener); }

private:
    // Shows what the inverter reported.
    void ProcessRecv(const GridTexts& reported);
    // Saves what the inverter held before the first write: false when that failed.
    bool backUpOnce(LinkSession& session);
    void downloadChecked();
    void changed() const;

    DialogChannel m_channel;
    Prompt& m_prompt;
    int m_address;
    GridLink m_link;
    GridTexts m_values;
    GridTexts m_reported;  // as the last decoded read showed them
    // Entries 1 to 7: the rows as typed when Download was pressed / as shown after the last
    // decoded read reply. Entry 0 carries nothing.
    std::array<float, kGridParameterCount + 1> fDataDownLoad{};
    std::array<float, kGridParameterCount + 1> fDataUpLoad{};
    QString m_backupFile;
    bool m_decoded = false;  // a read reply has been shown, so fDataUpLoad holds values
    bool m_uploadEnabled = true;
    bool m_downloadEnabled = false;
    std::function<void()> m_changed;
};

} // namespace veltroma
