// The operating-system work of a silent uninstall and nothing else: the
// installed files, the shortcuts and their folders, the startup shortcut,
// the application's settings reset, the uninstall entry and the install
// folder. Exit code 0, or 1 when something that was there stayed.
#include <windows.h>

#include "bench/e2e/same_work.h"

namespace {
int failures = 0;

void deleteIn(const char* folder, const char* name) {
    char path[kSameWorkPathSize];
    if (!joinPath(path, folder, name) || !DeleteFileA(path)) ++failures;
}

void setDword(HKEY key, const char* name, DWORD value) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}
}  // namespace

extern "C" void WinMainCRTStartup() {
    char folder[kSameWorkPathSize], startupLink[kSameWorkPathSize], key[kSameWorkPathSize];
    char menus[2][kSameWorkPathSize];
    if (!readPathVariable(SAME_WORK_UNINSTALL_KEY, key) ||
        !shellFolderJoin(CSIDL_PROGRAM_FILES, SAME_WORK_INSTALL_SUBFOLDER, folder) ||
        !shellFolderJoin(CSIDL_PROGRAMS, SAME_WORK_MENU_SUBFOLDER, menus[0]) ||
        !shellFolderJoin(CSIDL_COMMON_PROGRAMS, SAME_WORK_MENU_SUBFOLDER, menus[1]) ||
        !shellFolderJoin(CSIDL_STARTUP, SAME_WORK_STARTUP_LINK, startupLink))
        ExitProcess(1);
    deleteIn(folder, "sonograf.exe");
    deleteIn(folder, "readme.txt");
    for (const char* menu : menus) {
        deleteIn(menu, "Sonograf.LNK");
        deleteIn(menu, "Readme.LNK");
        if (!RemoveDirectoryA(menu)) ++failures;
    }
    DeleteFileA(startupLink);
    HKEY settings;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Orvane\\Sonograf", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &settings,
                        nullptr) == ERROR_SUCCESS) {
        setDword(settings, "SysTray", 0);
        setDword(settings, "SysTrayShowOnRun", 0);
        RegCloseKey(settings);
    }
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, key) != ERROR_SUCCESS) ++failures;
    deleteIn(folder, "SonografSetup.exe");
    if (!RemoveDirectoryA(folder)) ++failures;
    ExitProcess(failures == 0 ? 0 : 1);
}
