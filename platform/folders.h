// Well-known folders of the system.
//   resolveSpecialFolders()            fills the special-folder table once per process
//   getCommonProgramsFolder()          all-users Start-menu programs folder, may be empty
//   getStartupFolder()                 per-user Startup folder ("Startup" if never found)
//   resolveInstallFolder(folder, capacity, "OV\Sonograf")
//                                      folder = Program Files + subfolder; 0, or -1 (folder
//                                      empty) when no base folder is known, the shell names
//                                      it in characters the code page cannot hold or as a
//                                      relative path (no fallback then) or the result does
//                                      not fit in capacity bytes
// A shell answer counts only when its wide twin's answer survives the ANSI code
// page: a narrow name that does not would be another folder's.
// The shell libraries are loaded from the system directory by full path. The
// platform calls and the table come in as arguments so tests can use fakes and
// a fresh table; the defaults are the real calls and the process-wide table.
#pragma once
#include <windows.h>

#include <cstddef>

static const size_t kFolderSlotSize = 512;

struct SpecialFolders {
    // Meant for steps that place data of their own; the procedures read only
    // the last two slots (the install folder is asked afresh each time).
    char programFilesFolder[kFolderSlotSize];
    char personalFolder[kFolderSlotSize];
    char appDataFolder[kFolderSlotSize];
    char commonAppDataFolder[kFolderSlotSize];
    char commonProgramsFolder[kFolderSlotSize];
    char startupFolder[kFolderSlotSize];
    int resolved;
};

// Process-wide table, zero-filled until resolved; resolving puts "Startup"
// in startupFolder first, which stays when the shell cannot be asked.
extern SpecialFolders specialFolders;

struct FolderCalls {
    HMODULE(WINAPI* loadLibrary)(LPCSTR);
    FARPROC(WINAPI* getProcAddress)(HMODULE, LPCSTR);
    BOOL(WINAPI* freeLibrary)(HMODULE);
    UINT(WINAPI* getWindowsDirectory)(LPSTR, UINT);
    DWORD(WINAPI* getCurrentDirectory)(DWORD, LPSTR);
    UINT(WINAPI* getSystemDirectory)(LPSTR, UINT);
};

extern const FolderCalls realFolderCalls;

// Loads a library of the system directory by its full path; null when it cannot.
HMODULE loadSystemLibrary(const char* name, const FolderCalls& calls = realFolderCalls);
void resolveSpecialFolders(SpecialFolders& table = specialFolders, const FolderCalls& calls = realFolderCalls);
const char* getCommonProgramsFolder(const SpecialFolders& table = specialFolders);
const char* getStartupFolder(const SpecialFolders& table = specialFolders);
int resolveInstallFolder(char* folder, size_t capacity, const char* subfolder,
                         const FolderCalls& calls = realFolderCalls);
