// What the end-to-end benchmark's driver and its same-work programs agree on.
// The programs do the operating-system work of an installer run and nothing
// else: they ask the shell for the folders they need, as any program doing
// this work must, and take the product's fixed names from the driver in these
// environment variables. The window program paints the installer's picture
// and button at the installer's places, which the driver watches for on screen.
#pragma once
#include <windows.h>
#include <shlobj.h>

#define SAME_WORK_INSTALLER "SONOGRAF_BENCH_INSTALLER"                // the installer, copied as the uninstaller
#define SAME_WORK_INSTALL_SUBFOLDER "SONOGRAF_BENCH_INSTALL_SUBFOLDER"  // below Program Files
#define SAME_WORK_MENU_SUBFOLDER "SONOGRAF_BENCH_MENU_SUBFOLDER"        // below a programs folder
#define SAME_WORK_STARTUP_LINK "SONOGRAF_BENCH_STARTUP_LINK"            // the startup shortcut's file name
#define SAME_WORK_UNINSTALL_KEY "SONOGRAF_BENCH_UNINSTALL_KEY"          // below HKEY_LOCAL_MACHINE
#define SAME_WORK_WINDOW_CLASS "SonografBenchSameWorkWindow"

// The picture's size and the button in the client area.
const int kPictureWidth = 900, kPictureHeight = 424, kBandHeight = 100;
const RECT kButtonRect = {580, 444, 880, 504};

// A path variable's value into a buffer of MAX_PATH * 4 bytes; 0 when unset or too long.
const DWORD kSameWorkPathSize = MAX_PATH * 4;
inline int readPathVariable(const char* name, char* path) {
    const DWORD length = GetEnvironmentVariableA(name, path, kSameWorkPathSize);
    return length > 0 && length < kSameWorkPathSize;
}

// folder + "\" + name; 0 when it does not fit.
inline int joinPath(char* path, const char* folder, const char* name) {
    const int folderLength = lstrlenA(folder), nameLength = lstrlenA(name);
    if (folderLength + 1 + nameLength >= static_cast<int>(kSameWorkPathSize)) return 0;
    lstrcpynA(path, folder, folderLength + 1);
    path[folderLength] = '\\';
    lstrcpynA(path + folderLength + 1, name, nameLength + 1);
    return 1;
}

// The shell's special folder `csidl`, "\", and the value of the variable `name`; 0 when unknown or too long.
inline int shellFolderJoin(int csidl, const char* name, char* path) {
    char folder[MAX_PATH], below[kSameWorkPathSize];
    return SHGetSpecialFolderPathA(nullptr, folder, csidl, FALSE) && readPathVariable(name, below) &&
           joinPath(path, folder, below);
}
