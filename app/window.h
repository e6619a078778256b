// The main window's procedure and the commands it understands.
#pragma once
#include <windows.h>

enum {
    CMD_SILENT_RUN = 165,
    SILENT_RUN_CODE = 101,
    CMD_PROCEDURE_DONE = 180,
    DONE_FAILED = 127,
    DONE_INSTALLED = 128,
};

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posts WM_DESTROY to the main window.
void closeMainWindow();
// Posts the quit message. The first code posted stands: a silent run's result
// must reach the caller even when a close handled after it quits again.
void postQuit(int code);
