#include "app/view/FormLayout.h"

#include <QtMath>

#include <algorithm>
#include <array>

namespace veltroma {

namespace formtemplate {

namespace {

// Index 0 of each table belongs to no slot.
constexpr std::array<QRect, kSlotEntries> kSlotSwitches{
    QRect{}, {4, 234, 68, 15}, {4, 255, 68, 15}, {4, 276, 68, 15},
    {9, 296, 68, 15}, {9, 317, 68, 15}, {9, 289, 68, 15}};
constexpr std::array<QRect, kSlotEntries> kRockers{
    QRect{}, {75, 306, 18, 16}, {668, 252, 13, 19}, {668, 273, 13, 19},
    {668, 293, 13, 19}, {668, 314, 13, 19}, {668, 334, 13, 19}};
constexpr std::array<QRect, kSlotEntries> kStateLamps{
    QRect{}, {684, 231, 69, 19}, {684, 253, 69, 19}, {684, 274, 69, 19},
    {684, 294, 69, 19}, {684, 315, 69, 19}, {684, 335, 69, 19}};

QRect bySlot(const std::array<QRect, kSlotEntries>& table, int slot)
{
    return isSlot(slot) ? table[static_cast<std::size_t>(slot)] : QRect{};
}

} // namespace

QRect slotSwitch(int slot)
{
    return bySlot(kSlotSwitches, slot);
}

QRect rocker(int slot)
{
    return bySlot(kRockers, slot);
}

QRect stateLamp(int slot)
{
    return bySlot(kStateLamps, slot);
}

} // namespace formtemplate

namespace {

// The columns beside the list's rows when several slots share it: the switches left of it,
// the rockers and the state lamps right of it, where the template has them.
constexpr int kSwitchLeft = 4;
constexpr int kSwitchWidth = 68;
constexpr int kRockerLeft = 668;
constexpr int kRockerWidth = 14;
constexpr int kLampLeft = 684;
constexpr int kLampWidth = 69;
// The list's frame, a pixel at each edge, in units at the smallest scale the form allows.
constexpr int kListFrameUnits = 2;
// The plot's frame below its field, which the counters leave free.
constexpr int kPlotMarginUnits = 2;

} // namespace

SlotLayout::SlotLayout(int count) : slots_(std::clamp(count, kFirstSlot, kLastSlot)), lift_(0)
{
    if (several()) {
        const int listHeight = kHeaderUnits + slots_ * kRowUnits + kListFrameUnits;
        lift_ = std::max(0, listHeight - formtemplate::kList.height());
    }
}

QRect SlotLayout::plot() const
{
    return formtemplate::kPlot.adjusted(0, 0, 0, -lift_);
}

QRect SlotLayout::slider() const
{
    return formtemplate::kSlider.translated(0, -lift_);
}

QRect SlotLayout::list() const
{
    return formtemplate::kList.adjusted(0, -lift_, 0, 0);
}

QRect SlotLayout::valuesBand() const
{
    return formtemplate::kValuesBand.adjusted(0, -lift_, 0, 0);
}

QRect SlotLayout::besideRow(int slot, int left, int width) const
{
    if (!isSlot(slot))
        return {};
    const int top = list().top() + kListFrameUnits / 2 + kHeaderUnits + (slot - 1) * kRowUnits;
    return {left, top, width, kRowUnits};
}

QRect SlotLayout::slotSwitch(int slot) const
{
    if (!several())
        return formtemplate::slotSwitch(slot);
    return besideRow(slot, kSwitchLeft, kSwitchWidth);
}

QRect SlotLayout::rocker(int slot) const
{
    if (!several())
        return formtemplate::rocker(slot);
    return besideRow(slot, kRockerLeft, kRockerWidth);
}

QRect SlotLayout::stateLamp(int slot) const
{
    if (!several())
        return formtemplate::stateLamp(slot);
    return besideRow(slot, kLampLeft, kLampWidth);
}

bool SlotLayout::wideLinkCounters() const
{
    return formtemplate::kLinkCounters.bottom() >= plot().bottom() - kPlotMarginUnits;
}

QRect SlotLayout::linkCounters() const
{
    const QRect tall = formtemplate::kLinkCounters;
    if (!wideLinkCounters())
        return tall;
    const int height = plot().bottom() - kPlotMarginUnits - tall.top();
    return {tall.right() + 1 - 2 * tall.width(), tall.top(), 2 * tall.width(), height};
}

DialogUnits DialogUnits::fitting(QSize pixels)
{
    return {std::max(pixels.width(), 1) / double(formtemplate::kExtent.width()),
            std::max(pixels.height(), 1) / double(formtemplate::kExtent.height())};
}

QRect DialogUnits::toPixels(const QRect& units) const
{
    const int left = qRound(units.x() * x_);
    const int top = qRound(units.y() * y_);
    const int right = qRound((units.x() + units.width()) * x_);
    const int bottom = qRound((units.y() + units.height()) * y_);
    return {left, top, right - left, bottom - top};
}

QRect DialogUnits::toPixels(const QRect& units, QSize minimum) const
{
    const int growX = std::max(minimum.width() - units.width(), 0);
    const int growY = std::max(minimum.height() - units.height(), 0);
    return toPixels(units.adjusted(-growX / 2, -growY / 2, growX - growX / 2, growY - growY / 2));
}

} // namespace veltroma
