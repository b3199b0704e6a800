#pragma once

#include "app/shell/InverterSlotsEditor.h"

#include <QGroupBox>

#include <functional>

class QSpinBox;
class QTableWidget;
class QTimer;

namespace veltroma {

// What the program's engine offers the slots table: when each slot last replied, and what
// to do once the user's clearing of a slot has been written (the engine forgets the slot).
// Either may be empty.
struct InverterSlotHooks {
    InverterSlotsEditor::LastSeen lastSeen;
    std::function<void(int slot)> slotCleared;
};

// The "inverters on the bus" group of the communication settings: the count and a table of
// the six slots (slot, serial number, last seen, a Clear button per row), with localized
// texts. The rules are InverterSlotsEditor's; this only shows them. User-interface thread.
class InverterSlotsGroup final : public QGroupBox {
    Q_OBJECT
public:
    // How often the last-seen column is read again while the group shows.
    static constexpr int kLastSeenRefreshMs = 1000;

    InverterSlotsGroup(const InverterSlots& stored, InverterSlotsEditor::LastSeen lastSeen,
                       QWidget* parent = nullptr);

    [[nodiscard]] const InverterSlotsEditor& editor() const { return editor_; }
    [[nodiscard]] QSpinBox* countBox() const { return count_; }
    [[nodiscard]] QTableWidget* table() const { return table_; }

private:
    void showSlots();
    void showLastSeen();

    InverterSlotsEditor editor_;
    QSpinBox* count_;
    QTableWidget* table_;
    QTimer* refresh_;
};

} // namespace veltroma
