// Process entry of the installer. The program needs nothing of the C
// runtime's start-up code (no static constructors, thread-local data or
// exceptions), so it is linked without it and starts here; that code, its
// unwind tables and its initialiser and TLS sections stay out of the file.
#include <windows.h>

#include "app/startup.h"
#include "app/switches.h"

extern "C" void WinMainCRTStartup() {
    hardenDllSearch();
    const int result = runInstaller(GetModuleHandleA(nullptr), skipProgramName(GetCommandLineA()));
    ExitProcess(static_cast<UINT>(result));
}
