// Command-line switches: -h/-H hidden, -i silent install, -u/-U silent uninstall.
// Only the character right after each '-' counts.
#pragma once
#include <cstdint>

extern int32_t hiddenMode;
extern int32_t silentInstall;
extern int32_t silentUninstall;

// Sets the switch globals named on the command line; never clears them.
void parseSwitches(const char* commandLine);

// The command line without the program's name, as WinMain would receive it:
// the name ends at its closing quote when it starts with one, otherwise at
// the first blank; blanks after it are skipped too.
const char* skipProgramName(const char* commandLine);
