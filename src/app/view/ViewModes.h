#pragma once

#include "monitor/DisplayUpdates.h"

#include <optional>

namespace veltroma {

// The five positions of the form's rotary switch.
enum class ViewMode {
    Realtime = 0,
    ParameterManage = 1,
    HistoryReview = 2,
    OpenDataFile = 3,
    Debug = 4,
};

inline constexpr int kModeCount = 5;

// What applying a mode does to the form. Controls not named keep their state.
struct ModeLook {
    // The mode applied last as the form remembers it: history review and open data file
    // share 2, debug is 3.
    int rotaryState = 0;
    const char* lampKey = "";
    ColorRef lampColor = 0;
    bool lampOff = false;          // the status lamp is switched off
    bool stopsWorker = false;
    bool clearsChannels = false;
    bool disablesTimers = false;   // recording and the link watchdog
    bool showsConnect = false;     // otherwise the connect switch goes off and hides
    bool showsDatePicker = false;
    bool showsOpenHistory = false; // the open-history switch and the "Open File" button
    bool resetsOpenHistory = false;
    bool showsTest = false;        // the "Test" button
    std::optional<bool> showsLegend;
    bool realtimeTimeFormat = false; // the X axis shows the full date and time again
    bool zoomsTime = false;          // the mouse zooms and drags the X axis
    bool followsLive = false;        // the live span again, following the newest point
    bool showsRockers = false;
    bool showsLinkCounters = false; // the link counters panel
};

// The look of a rotary position 0..4; positions outside count as realtime monitoring.
[[nodiscard]] const ModeLook& modeLook(int position);

// The X axis span of live values in days, about an hour.
inline constexpr double kRealtimeSpanDays = 0.04;

// The X axis format of live values.
inline constexpr const char* kRealtimeTimeFormat = "yyyy-m-d h:nn:ss";

} // namespace veltroma
