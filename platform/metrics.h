// Screen metrics with a single-monitor fallback for systems that do not know
// multiple monitors, and the frame sizes the main window is sized with.
#pragma once
#include <windows.h>

#include <cstdint>

#include "platform/os_version.h"

// The six functions that show multiple-monitor support; all known or all null.
// Only getSystemMetrics is called; the other five are meant for placing the
// window on a monitor of its own and tell that the system knows monitors.
struct MonitorFunctions {
    int32_t done;
    FARPROC getSystemMetrics;
    FARPROC monitorFromWindow;
    FARPROC monitorFromRect;
    FARPROC monitorFromPoint;
    FARPROC enumDisplayMonitors;
    FARPROC getMonitorInfoA;
};
extern MonitorFunctions monitorFunctions;  // process-wide, filled on first use

enum { FRAME_FIXED = 1 };

// 1 when the multiple-monitor functions are all present, else 0. Looked up once.
int initMonitorFunctions(MonitorFunctions& table = monitorFunctions,
                         const SystemInfoCalls& calls = realSystemInfoCalls);
int32_t getMetric(int index, MonitorFunctions& table = monitorFunctions,
                  const SystemInfoCalls& calls = realSystemInfoCalls);
// Frame width (padded border plus fixed or sizing frame), caption height and
// menu height; each output is written only when given.
void getFrameMetrics(int32_t* frameWidth, int32_t* captionHeight, int32_t* menuHeight, uint32_t flags,
                     MonitorFunctions& table = monitorFunctions, const SystemInfoCalls& calls = realSystemInfoCalls);
