// The installer is compiled as one unit with -fwhole-program (see
// app/CMakeLists.txt): every function is then local to the program, so the
// compiler passes arguments in registers and drops or inlines freely. Only
// the process entry, which the linker names, stays visible.
#pragma once

extern "C" __attribute__((externally_visible)) void WinMainCRTStartup();
