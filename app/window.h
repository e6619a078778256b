// The main window's procedure: painting, the button and keys, the blink
// timer, the silent run and the procedures' completion messages. It works on
// the global installer context, whose window it is.
#pragma once
#include <windows.h>

#include "app/commands.h"

enum { BLINK_TIMER_ID = 12347, BLINK_PERIOD_MS = 500, PRESSED_LOOK_MS = 200 };

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
