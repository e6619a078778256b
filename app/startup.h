// Process start and end: hardening, switches, single instance, context, the
// run's preparation, COM, the main window and the message loop.
// runInstaller returns the process exit code.
#pragma once
#include <windows.h>

#include "core/context.h"

// Restricts DLL loading to the system directory and drops the current
// directory from the search path, where the system supports it.
void hardenDllSearch();
int runInstaller(HINSTANCE instance, const char* commandLine);
// Zero-fills the context, stores the module instance and the WOW64 flag. Returns 0.
int initContext(InstallerContext& context, HINSTANCE instance);
// Posts WM_DESTROY to every top-level window titled exactly "Sonograf" whose
// process runs a file named "Sonograf.exe" (any letter case), the application,
// and gives each such process a few seconds to end.
void closeRunningApplication();
// Registers the window class and creates the main window, shown, or with -h
// a message-only window; shows a "Startup Error" box and returns 0 on failure.
HWND createMainWindow(HINSTANCE instance, WNDPROC windowProc, const char* menuName, const char* title);
