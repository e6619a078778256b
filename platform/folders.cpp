#include "platform/folders.h"

#include <shlobj.h>

#include "platform/paths.h"
#include "platform/lookup.h"
#include "platform/text.h"

SpecialFolders specialFolders;

const FolderCalls realFolderCalls = {
    LoadLibraryA, GetProcAddress, FreeLibrary, GetWindowsDirectoryA, GetCurrentDirectoryA, GetSystemDirectoryA,
};

typedef BOOL(WINAPI* SpecialFolderPathFn)(HWND, LPSTR, int, BOOL);
typedef HRESULT(WINAPI* FolderPathFn)(HWND, int, HANDLE, DWORD, LPSTR);

struct Slot {
    char (SpecialFolders::*text)[kFolderSlotSize];
    int csidl;
    BOOL create;  // used by the first pass only
};

// Every pass visits the slots in this order.
static const Slot kSlots[] = {
    {&SpecialFolders::programFilesFolder, CSIDL_PROGRAM_FILES, FALSE},
    {&SpecialFolders::personalFolder, CSIDL_PERSONAL, TRUE},
    {&SpecialFolders::appDataFolder, CSIDL_APPDATA, TRUE},
    {&SpecialFolders::commonAppDataFolder, CSIDL_COMMON_APPDATA, TRUE},
    {&SpecialFolders::commonProgramsFolder, CSIDL_COMMON_PROGRAMS, TRUE},
    {&SpecialFolders::startupFolder, CSIDL_STARTUP, TRUE},
};

// The buffer is zero-filled and larger than the size passed, so its text ends
// inside it whatever the call wrote; the answer counts only when it is the
// length of that text (0 is a failure, a larger value the size needed).
static const size_t kDirectoryBufferSize = 2048;
static const UINT kDirectoryAskSize = 2000;

static int readDirectory(UINT(WINAPI* query)(LPSTR, UINT), char (&buffer)[kDirectoryBufferSize]) {
    for (char& c : buffer) c = '\0';
    UINT length = query(buffer, kDirectoryAskSize);
    return length != 0 && length == textLength(buffer) ? 1 : 0;
}

// Loads a shell library from the system directory by its full path: a bare
// name would also find a DLL planted beside the elevated installer.
static HMODULE loadShellLibrary(const char* name, const FolderCalls& calls) {
    char path[kDirectoryBufferSize];
    if (!readDirectory(calls.getSystemDirectory, path)) return nullptr;
    if (textJoin(path, sizeof path, path, name) != 0) return nullptr;
    return calls.loadLibrary(path);
}

// A shell function and the library that holds it (null when the library
// cannot be loaded; the function is null when the library lacks it).
struct ShellFunction {
    HMODULE library;
    FARPROC function;
};

static ShellFunction openShellFunction(const char* library, const char* name, const FolderCalls& calls) {
    ShellFunction shell = {loadShellLibrary(library, calls), nullptr};
    shell.function = lookupFunction<FARPROC>(shell.library, name, calls.getProcAddress);
    return shell;
}

static ShellFunction openSpecialFolderPath(const FolderCalls& calls) {
    return openShellFunction("SHELL32.DLL", "SHGetSpecialFolderPathA", calls);
}

static ShellFunction openFolderPath(const FolderCalls& calls) {
    return openShellFunction("SHFOLDER.DLL", "SHGetFolderPathA", calls);
}

template <typename Function>
static Function shellCall(const ShellFunction& shell) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(shell.function));
}

// A folder counts as found only on exactly TRUE or S_OK; otherwise whatever
// the shell left in the text is dropped.
static int askSpecialFolderPath(SpecialFolderPathFn ask, char* text, int csidl, BOOL create) {
    if (ask(nullptr, text, csidl, create) == TRUE) return 1;
    text[0] = '\0';
    return 0;
}

static void askFolderPath(FolderPathFn ask, char* text, int csidl) {
    if (ask(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, text) != S_OK) text[0] = '\0';
}

// Root of the Windows directory as `cut` leaves it, or "C:" when the
// directory cannot be read, then "Program Files\" with one separator between:
// C:\Program Files\. Returns -1, leaving dst alone, when it does not fit.
static int programFilesFallback(char* dst, size_t cap, int (*cut)(char*), const FolderCalls& calls) {
    char root[kDirectoryBufferSize];
    if (readDirectory(calls.getWindowsDirectory, root)) {
        cut(root);
    } else {
        textCopy(root, sizeof root, "C:");
    }
    return textJoin(dst, cap, root, "Program Files\\");
}

// Second pass: SHGetFolderPathA, asked only for the slots still empty.
static void fillEmptySlots(SpecialFolders& table, const FolderCalls& calls) {
    const ShellFunction folderPath = openFolderPath(calls);
    if (folderPath.library == nullptr) return;
    FolderPathFn ask = shellCall<FolderPathFn>(folderPath);
    if (ask != nullptr) {
        for (const Slot& slot : kSlots) {
            char* text = table.*slot.text;
            if (text[0] == '\0') askFolderPath(ask, text, slot.csidl);
        }
    }
    calls.freeLibrary(folderPath.library);
}

// Fallbacks for what the shell did not answer. commonProgramsFolder and
// startupFolder have none. A fallback that does not fit leaves its slot empty.
static void applyFallbacks(SpecialFolders& table, const FolderCalls& calls) {
    if (table.programFilesFolder[0] == '\0') {
        programFilesFallback(table.programFilesFolder, kFolderSlotSize, cutToDriveRoot, calls);
    }
    if (table.personalFolder[0] == '\0') {
        DWORD length = calls.getCurrentDirectory(kFolderSlotSize, table.personalFolder);
        if (length == 0 || length >= kFolderSlotSize) table.personalFolder[0] = '\0';
    }
    if (table.appDataFolder[0] == '\0') {
        textCopy(table.appDataFolder, kFolderSlotSize, table.personalFolder);
    }
    if (table.commonAppDataFolder[0] == '\0') {
        char root[kFolderSlotSize];
        textCopy(root, sizeof root, table.programFilesFolder);
        cutToDriveRoot(root);
        textJoin(table.commonAppDataFolder, kFolderSlotSize, root, "Orvane\\CommonAPP");
    }
}

void resolveSpecialFolders(SpecialFolders& table, const FolderCalls& calls) {
    if (table.resolved) return;
    table.resolved = 1;
    // The table starts zero-filled (it takes no room in the executable); its
    // one default is set here, before any shell answer can replace it.
    textCopy(table.startupFolder, kFolderSlotSize, "Startup");
    table.programFilesFolder[0] = '\0';
    table.personalFolder[0] = '\0';
    table.appDataFolder[0] = '\0';
    table.commonAppDataFolder[0] = '\0';

    const ShellFunction specialFolderPath = openSpecialFolderPath(calls);
    if (specialFolderPath.library != nullptr) {
        SpecialFolderPathFn ask = shellCall<SpecialFolderPathFn>(specialFolderPath);
        int complete = ask != nullptr;
        if (ask != nullptr) {
            for (const Slot& slot : kSlots) {
                if (!askSpecialFolderPath(ask, table.*slot.text, slot.csidl, slot.create)) complete = 0;
            }
        }
        calls.freeLibrary(specialFolderPath.library);
        if (!complete) fillEmptySlots(table, calls);
    }
    applyFallbacks(table, calls);
}

const char* getCommonProgramsFolder(const SpecialFolders& table) {
    return table.commonProgramsFolder;
}

const char* getStartupFolder(const SpecialFolders& table) {
    return table.startupFolder;
}

// Asked afresh at each call, never taken from the special-folder table.
int resolveInstallFolder(char* folder, size_t capacity, const char* subfolder, const FolderCalls& calls) {
    folder[0] = '\0';

    const ShellFunction specialFolderPath = openSpecialFolderPath(calls);
    if (specialFolderPath.library != nullptr) {
        SpecialFolderPathFn ask = shellCall<SpecialFolderPathFn>(specialFolderPath);
        if (ask != nullptr) askSpecialFolderPath(ask, folder, CSIDL_PROGRAM_FILES, FALSE);
        calls.freeLibrary(specialFolderPath.library);
    }
    if (folder[0] == '\0') {
        const ShellFunction folderPath = openFolderPath(calls);
        if (folderPath.library != nullptr) {
            FolderPathFn ask = shellCall<FolderPathFn>(folderPath);
            if (ask != nullptr) askFolderPath(ask, folder, CSIDL_PROGRAM_FILES);
            calls.freeLibrary(folderPath.library);
        }
    }
    if (folder[0] == '\0') programFilesFallback(folder, capacity, cutToRoot, calls);
    if (folder[0] == '\0') return -1;
    if (textJoin(folder, capacity, folder, subfolder) != 0) {
        folder[0] = '\0';
        return -1;
    }
    return 0;
}
