// The main window's procedure and the commands it understands.
#pragma once
#include <windows.h>

#include "core/context.h"
#include "setup/commands.h"

// Set-up on creation: OS version, own path and folder, install folder, and
// whether the application is already installed there. Returns alreadyInstalled.
int prepareWindow(InstallerContext& context);
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posts WM_DESTROY to the main window.
void closeMainWindow();
// Posts the quit message. The first code posted stands: a silent run's result
// must reach the caller even when a close handled after it quits again.
void postQuit(int code);
