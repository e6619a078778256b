// Process entry of the installer. The program needs nothing of the C
// runtime's start-up code, so it is linked without it (-nostartfiles) and
// starts here; that code, its unwind tables and its initialiser and TLS
// sections stay out of the file. In return nothing would run static
// constructors or TLS callbacks: the installer has none and must get none
// (plain data and functions only, as everywhere in the product).
#include <windows.h>

#include "app/startup.h"
#include "app/switches.h"

extern "C" void WinMainCRTStartup() {
    hardenDllSearch();
    const int result = runInstaller(GetModuleHandleA(nullptr), skipProgramName(GetCommandLineA()));
    ExitProcess(static_cast<UINT>(result));
}
