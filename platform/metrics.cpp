#include "platform/metrics.h"

MonitorFunctions monitorFunctions;

namespace {
typedef int(WINAPI* GetSystemMetricsFunction)(int);

enum {
    METRIC_CXSCREEN = 0,
    METRIC_CYSCREEN = 1,
    METRIC_CYCAPTION = 4,
    METRIC_CXFIXEDFRAME = 7,
    METRIC_CYMENU = 15,
    METRIC_CXSIZEFRAME = 32,
    METRIC_XVIRTUALSCREEN = 76,
    METRIC_YVIRTUALSCREEN = 77,
    METRIC_CXVIRTUALSCREEN = 78,
    METRIC_CYVIRTUALSCREEN = 79,
    METRIC_CMONITORS = 80,
    METRIC_SAMEDISPLAYFORMAT = 81,
    METRIC_CXPADDEDBORDER = 92,
};
}  // namespace

int initMonitorFunctions(MonitorFunctions& table, const SystemInfoCalls& calls) {
    if (table.done) return table.getMonitorInfoA != nullptr ? 1 : 0;
    FARPROC* slots[6] = {&table.getSystemMetrics,  &table.monitorFromWindow,   &table.monitorFromRect,
                         &table.monitorFromPoint,  &table.enumDisplayMonitors, &table.getMonitorInfoA};
    static const char* const names[6] = {"GetSystemMetrics", "MonitorFromWindow",   "MonitorFromRect",
                                         "MonitorFromPoint", "EnumDisplayMonitors", "GetMonitorInfoA"};
    HMODULE user32 = calls.getModuleHandleA("USER32");
    int found = 0;
    while (user32 != nullptr && found < 6) {
        *slots[found] = calls.getProcAddress(user32, names[found]);
        if (*slots[found] == nullptr) break;
        ++found;
    }
    table.done = 1;
    if (found == 6) return 1;
    for (FARPROC* slot : slots) *slot = nullptr;
    return 0;
}

int32_t getMetric(int index, MonitorFunctions& table, const SystemInfoCalls& calls) {
    if (initMonitorFunctions(table, calls)) {
        return reinterpret_cast<GetSystemMetricsFunction>(reinterpret_cast<void*>(table.getSystemMetrics))(index);
    }
    switch (index) {
        case METRIC_XVIRTUALSCREEN:
        case METRIC_YVIRTUALSCREEN: return 0;
        case METRIC_CXVIRTUALSCREEN: return calls.getSystemMetrics(METRIC_CXSCREEN);
        case METRIC_CYVIRTUALSCREEN: return calls.getSystemMetrics(METRIC_CYSCREEN);
        case METRIC_CMONITORS:
        case METRIC_SAMEDISPLAYFORMAT: return 1;
        default: return calls.getSystemMetrics(index);
    }
}

void getFrameMetrics(int32_t* frameWidth, int32_t* captionHeight, int32_t* menuHeight, uint32_t flags,
                     MonitorFunctions& table, const SystemInfoCalls& calls) {
    int32_t paddedBorder = getMetric(METRIC_CXPADDEDBORDER, table, calls);
    if (menuHeight) *menuHeight = getMetric(METRIC_CYMENU, table, calls);
    if (frameWidth) {
        int frame = (flags & FRAME_FIXED) ? METRIC_CXFIXEDFRAME : METRIC_CXSIZEFRAME;
        *frameWidth = paddedBorder + getMetric(frame, table, calls);
    }
    if (captionHeight) *captionHeight = getMetric(METRIC_CYCAPTION, table, calls);
}
