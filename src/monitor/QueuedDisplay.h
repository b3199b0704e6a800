#pragma once

#include "monitor/DisplayUpdates.h"

#include <QObject>

namespace veltroma {

// Carries every display update to the thread of `context` (the form, on the user-interface
// thread) by a queued call, in the order they were made. `context` must outlive every caller;
// calls still queued when it is destroyed are dropped by Qt, so the target may live exactly as
// long as the context (usually the form is both).
class QueuedDisplay final : public DisplayUpdates {
public:
    QueuedDisplay(DisplayUpdates& target, QObject* context);

    void setListText(int row, int column, const QString& text) override;
    void setPowerGauge(double kilowatts, const QString& label) override;
    void setEnergyOdometers(double today, double total) override;
    void setStateLamp(int slot, ColorRef color, const QString& text) override;
    void setSlotCaption(int slot, const QString& caption) override;

private:
    template <typename Call>
    void post(Call call);

    DisplayUpdates& target_;
    QObject* context_;
};

} // namespace veltroma
