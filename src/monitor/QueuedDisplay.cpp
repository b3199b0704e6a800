#include "monitor/QueuedDisplay.h"

#include <QMetaObject>

namespace veltroma {

QueuedDisplay::QueuedDisplay(DisplayUpdates& target, QObject* context)
    : target_(target), context_(context)
{
}

template <typename Call>
void QueuedDisplay::post(Call call)
{
    QMetaObject::invokeMethod(
        context_, [&target = target_, call = std::move(call)] { call(target); },
        Qt::QueuedConnection);
}

void QueuedDisplay::setListText(int row, int column, const QString& text)
{
    post([=](DisplayUpdates& d) { d.setListText(row, column, text); });
}

void QueuedDisplay::setPowerGauge(double kilowatts, const QString& label)
{
    post([=](DisplayUpdates& d) { d.setPowerGauge(kilowatts, label); });
}

void QueuedDisplay::setEnergyOdometers(double today, double total)
{
    post([=](DisplayUpdates& d) { d.setEnergyOdometers(today, total); });
}

void QueuedDisplay::setStateLamp(int slot, ColorRef color, const QString& text)
{
    post([=](DisplayUpdates& d) { d.setStateLamp(slot, color, text); });
}

void QueuedDisplay::setSlotCaption(int slot, const QString& caption)
{
    post([=](DisplayUpdates& d) { d.setSlotCaption(slot, caption); });
}

} // namespace veltroma
