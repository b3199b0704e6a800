#include "app/view/ViewModes.h"

#include <array>

namespace veltroma {

namespace {

constexpr ColorRef kOrange = rgbColor(255, 128, 0);
constexpr ColorRef kBlue = rgbColor(0, 128, 255);

ModeLook realtime()
{
    ModeLook look;
    look.rotaryState = 0;
    look.lampKey = "IDC_STATUS_NAME1";
    look.lampColor = kLampGreen;
    look.lampOff = true;
    look.clearsChannels = true;
    look.showsConnect = true;
    look.resetsOpenHistory = true;
    look.showsLegend = false;
    look.realtimeTimeFormat = true;
    look.zoomsTime = true;
    look.followsLive = true;
    return look;
}

ModeLook parameterManage()
{
    ModeLook look;
    look.rotaryState = 1;
    look.lampKey = "IDC_STATUS_NAME2";
    look.lampColor = kOrange;
    look.lampOff = true;
    look.stopsWorker = true;
    look.clearsChannels = true;
    look.disablesTimers = true;
    look.resetsOpenHistory = true;
    look.showsLegend = false;
    look.realtimeTimeFormat = true;
    look.showsRockers = true;
    return look;
}

ModeLook historyReview()
{
    ModeLook look;
    look.rotaryState = 2;
    look.lampKey = "IDC_STATUS_NAME3";
    look.lampColor = kLampRed;
    look.stopsWorker = true;
    look.clearsChannels = true;
    look.disablesTimers = true;
    look.showsDatePicker = true;
    look.resetsOpenHistory = true;
    look.showsLegend = true;
    look.zoomsTime = true;
    return look;
}

ModeLook openDataFile()
{
    ModeLook look = historyReview();
    look.lampKey = "IDC_STATUS_NAME4";
    look.showsDatePicker = false;
    look.showsOpenHistory = true;
    return look;
}

ModeLook debug()
{
    ModeLook look;
    look.rotaryState = 3;
    look.lampKey = "IDC_STATUS_NAME5";
    look.lampColor = kBlue;
    look.stopsWorker = true;
    look.showsTest = true;
    look.showsLinkCounters = true;
    return look;
}

const std::array<ModeLook, kModeCount> kLooks{realtime(), parameterManage(), historyReview(),
                                              openDataFile(), debug()};

} // namespace

const ModeLook& modeLook(int position)
{
    if (position < 0 || position >= kModeCount)
        position = 0;
    return kLooks[static_cast<std::size_t>(position)];
}

} // namespace veltroma
