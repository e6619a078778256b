// The main window's procedure and the operations it runs on the window thread.
#pragma once
#include <windows.h>

#include <cstdint>

#include "core/context.h"
#include "app/commands.h"

enum { BLINK_TIMER_ID = 12347, BLINK_PERIOD_MS = 500, PRESSED_LOOK_MS = 200 };

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The button's action: pressed look, then the uninstall on this thread (and
// close), or the install on the worker thread.
void startAction(InstallerContext& context, HWND window);
// Unscrambles a stored link into a local buffer, opens it with the shell and
// wipes the buffer. A stored link longer than LINK_MAX_SIZE is not opened.
void openLink(InstallerContext& context, const uint8_t* stored, uint32_t count);
// Posts (never sends) a message to the main window, from any thread.
void postToWindow(UINT message, WPARAM wParam, LPARAM lParam);
// Posts WM_DESTROY to the main window.
void closeMainWindow();
// Posts the quit message. The first code posted stands: a silent run's result
// must reach the caller even when a close handled after it quits again. While
// a message box is open the quit waits until it has been answered.
void postQuit(int code);
