#include "platform/folders.h"

#include <shlobj.h>

#include "platform/code_page.h"
#include "platform/paths.h"
#include "platform/lookup.h"
#include "platform/text.h"

SpecialFolders specialFolders;

const FolderCalls realFolderCalls = {
    LoadLibraryA, GetProcAddress, FreeLibrary, GetWindowsDirectoryA, GetCurrentDirectoryA, GetSystemDirectoryA,
};

typedef BOOL(WINAPI* SpecialFolderPathFn)(HWND, LPSTR, int, BOOL);
typedef HRESULT(WINAPI* FolderPathFn)(HWND, int, HANDLE, DWORD, LPSTR);
typedef BOOL(WINAPI* SpecialFolderPathWideFn)(HWND, LPWSTR, int, BOOL);

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

// A bare name would also find a DLL planted beside the elevated installer.
HMODULE loadSystemLibrary(const char* name, const FolderCalls& calls) {
    char path[kDirectoryBufferSize];
    if (!readDirectory(calls.getSystemDirectory, path)) return nullptr;
    if (textJoin(path, sizeof path, path, name) != 0) return nullptr;
    return calls.loadLibrary(path);
}

// A shell function and the library that holds it (null when the library
// cannot be loaded; the function is null when the library lacks it), and for
// the first pass its wide twin, which judges the names it gives.
struct ShellFunction {
    HMODULE library;
    FARPROC function;
    FARPROC wide;
};

static ShellFunction openShellFunction(const char* library, const char* name, const FolderCalls& calls) {
    ShellFunction shell = {loadSystemLibrary(library, calls), nullptr, nullptr};
    shell.function = lookupFunction<FARPROC>(shell.library, name, calls.getProcAddress);
    return shell;
}

static ShellFunction openSpecialFolderPath(const FolderCalls& calls) {
    ShellFunction shell = openShellFunction("SHELL32.DLL", "SHGetSpecialFolderPathA", calls);
    shell.wide = lookupFunction<FARPROC>(shell.library, "SHGetSpecialFolderPathW", calls.getProcAddress);
    return shell;
}

// Asked only for what the first pass did not answer at all, never again for a
// folder it named in characters the code page cannot hold.
static ShellFunction openFolderPath(const FolderCalls& calls) {
    return openShellFunction("SHFOLDER.DLL", "SHGetFolderPathA", calls);
}

template <typename Function>
static Function shellCall(FARPROC function) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(function));
}

// What a lookup gave: a folder, none, or one whose name the code page cannot
// hold. The narrow answer then names another folder ("Lukasz" for "Łukasz"),
// so it is dropped too, and no stand-in may take its place.
enum { FOLDER_LOST_IN_CODE_PAGE = -1, FOLDER_NONE = 0, FOLDER_FOUND = 1 };

// Empties the text the shell left and says why.
static int dropAnswer(char* text, int found) {
    text[0] = '\0';
    return found;
}

// A folder counts as found only on exactly TRUE or S_OK, and only when the
// wide twin, where it answers, gives a name that survives the code page.
static int askSpecialFolderPath(const ShellFunction& shell, char* text, int csidl, BOOL create) {
    if (shellCall<SpecialFolderPathFn>(shell.function)(nullptr, text, csidl, create) != TRUE)
        return dropAnswer(text, FOLDER_NONE);
    WCHAR wide[MAX_PATH];
    const SpecialFolderPathWideFn askWide = shellCall<SpecialFolderPathWideFn>(shell.wide);
    if (askWide != nullptr && askWide(nullptr, wide, csidl, FALSE) == TRUE && !nameSurvivesCodePage(wide))
        return dropAnswer(text, FOLDER_LOST_IN_CODE_PAGE);
    return FOLDER_FOUND;
}

static void askFolderPath(const ShellFunction& shell, char* text, int csidl) {
    if (shellCall<FolderPathFn>(shell.function)(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, text) != S_OK)
        text[0] = '\0';
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

// Second pass: SHGetFolderPathA, asked only for the slots still empty and
// not in `lost` (one bit per slot).
static void fillEmptySlots(SpecialFolders& table, const FolderCalls& calls, unsigned lost) {
    const ShellFunction folderPath = openFolderPath(calls);
    if (folderPath.library == nullptr) return;
    if (folderPath.function != nullptr) {
        for (unsigned i = 0; i < sizeof kSlots / sizeof kSlots[0]; ++i) {
            char* text = table.*kSlots[i].text;
            if (text[0] == '\0' && !(lost >> i & 1)) askFolderPath(folderPath, text, kSlots[i].csidl);
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
        int complete = specialFolderPath.function != nullptr;
        unsigned lost = 0;
        if (complete) {
            for (unsigned i = 0; i < sizeof kSlots / sizeof kSlots[0]; ++i) {
                const Slot& slot = kSlots[i];
                const int found = askSpecialFolderPath(specialFolderPath, table.*slot.text, slot.csidl, slot.create);
                if (found != FOLDER_FOUND) complete = 0;
                if (found == FOLDER_LOST_IN_CODE_PAGE) lost |= 1u << i;
            }
        }
        calls.freeLibrary(specialFolderPath.library);
        if (!complete) fillEmptySlots(table, calls, lost);
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

    int found = FOLDER_NONE;
    const ShellFunction specialFolderPath = openSpecialFolderPath(calls);
    if (specialFolderPath.library != nullptr) {
        if (specialFolderPath.function != nullptr)
            found = askSpecialFolderPath(specialFolderPath, folder, CSIDL_PROGRAM_FILES, FALSE);
        calls.freeLibrary(specialFolderPath.library);
    }
    // The second source and the fallback stand in for a folder the shell does
    // not know, never for one it named in characters the code page cannot hold.
    if (found == FOLDER_LOST_IN_CODE_PAGE) return -1;
    if (folder[0] == '\0') {
        const ShellFunction folderPath = openFolderPath(calls);
        if (folderPath.library != nullptr) {
            if (folderPath.function != nullptr) askFolderPath(folderPath, folder, CSIDL_PROGRAM_FILES);
            calls.freeLibrary(folderPath.library);
        }
    }
    if (folder[0] == '\0') programFilesFallback(folder, capacity, cutToRoot, calls);
    // A relative folder (the registry's "." for one) would be taken below the
    // current one: it counts as unknown, with no stand-in.
    if (!pathIsAbsolute(folder) || textJoin(folder, capacity, folder, subfolder) != 0) {
        folder[0] = '\0';
        return -1;
    }
    return 0;
}
