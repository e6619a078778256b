#include "app/startup.h"

#include <tlhelp32.h>

#include "core/bytes.h"
#include "core/context.h"
#include "core/exit_code.h"
#include "core/product.h"
#include "core/resource_ids.h"
#include "app/switches.h"
#include "app/window.h"
#include "platform/com.h"
#include "platform/folders.h"
#include "platform/lookup.h"
#include "platform/os_version.h"
#include "platform/text.h"
#include "setup/procedure.h"

namespace {
const DWORD LOAD_LIBRARY_SEARCH_SYSTEM32_ONLY = 0x00000800;
typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryAFunction)(LPCSTR);
const DWORD kApplicationEndWaitMs = 5000;

// 1 when the process runs a file named fileName, in any letter case.
int processRunsFile(DWORD processId, const char* fileName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 process;
    process.dwSize = sizeof process;
    BOOL found = Process32First(snapshot, &process);
    while (found && process.th32ProcessID != processId) found = Process32Next(snapshot, &process);
    CloseHandle(snapshot);
    return found && lstrcmpiA(process.szExeFile, fileName) == 0;
}

void endStartup(HANDLE mutex, HRESULT comResult) {
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    if (comResult == S_OK) comUninitialize();
}
}  // namespace

void hardenDllSearch() {
    HMODULE kernel32 = GetModuleHandleA("Kernel32.dll");
    SetDefaultDllDirectoriesFunction setDefaultDllDirectories =
        lookupFunction<SetDefaultDllDirectoriesFunction>(kernel32, "SetDefaultDllDirectories");
    if (setDefaultDllDirectories != nullptr) setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32_ONLY);
    SetDllDirectoryAFunction setDllDirectoryA = lookupFunction<SetDllDirectoryAFunction>(kernel32, "SetDllDirectoryA");
    if (setDllDirectoryA != nullptr) setDllDirectoryA("");
}

int initContext(InstallerContext& context, HINSTANCE instance) {
    zeroBytes(&context, sizeof context);
    context.instance = instance;
    context.isWow64 = detectWow64();
    return 0;
}

namespace {
// Asks the window to end when it is the application's: titled exactly
// PRODUCT_NAME (the system compares titles without regard to case), in a
// process of the application's file.
BOOL CALLBACK closeIfApplication(HWND window, LPARAM) {
    char text[512];
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (GetWindowTextA(window, text, sizeof text) > 0 && textEqual(text, PRODUCT_NAME) &&
        processRunsFile(processId, applicationFileName)) {
        // The process gets a few seconds to end, so that the application's
        // file is free to be replaced or removed.
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
        PostMessageA(window, WM_DESTROY, 0, 0);
        WaitForSingleObject(process, kApplicationEndWaitMs);
        CloseHandle(process);
    }
    return TRUE;
}
}  // namespace

void closeRunningApplication() {
    // The system lists every top-level window before the first is looked at,
    // so a window that ends meanwhile cannot cut the walk short.
    EnumWindows(closeIfApplication, 0);
}

namespace {
// What the window shows and which procedure its button runs: the OS version,
// the install folder and whether the application is installed there.
void recordInstallState(InstallerContext& context) {
    context.osVersionCode = getOsVersionCode();
    context.alreadyInstalled = locateInstallFolder(context) == 0 && productInstalled(context);
}

// What a run needs before its window: the running application told to go,
// the special folders and the install state.
void prepareRun(InstallerContext& context) {
    closeRunningApplication();
    resolveSpecialFolders();
    recordInstallState(context);
}
}  // namespace

HWND createMainWindow(HINSTANCE instance, WNDPROC windowProc, const char* menuName, const char* title) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = MAIN_WINDOW_CLASS;
    // Hidden, the window only carries the silent run's messages: a
    // message-only window, with no look and no place among the desktop's.
    HWND parent = HWND_MESSAGE;
    DWORD style = 0;
    if (!hiddenMode) {
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(ICON_RESOURCE_ID));
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_INACTIVEBORDER + 1);
        windowClass.lpszMenuName = menuName;
        parent = nullptr;
        style = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    }
    if (!RegisterClassA(&windowClass)) {
        MessageBoxA(nullptr, "Failed to register window class...", STARTUP_ERROR_CAPTION, MB_ICONWARNING);
        return nullptr;
    }
    HWND window = CreateWindowExA(0, MAIN_WINDOW_CLASS, title, style, CW_USEDEFAULT, CW_USEDEFAULT, 900, 300, parent,
                                  nullptr, instance, nullptr);
    if (window == nullptr) {
        MessageBoxA(nullptr, "Failed to create window...", STARTUP_ERROR_CAPTION, MB_ICONWARNING);
        return nullptr;
    }
    if (!hiddenMode) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
    return window;
}

int runInstaller(HINSTANCE instance, const char* commandLine) {
    parseSwitches(commandLine);
    // Hidden and without a procedure to run, the window would never be seen
    // and nothing would end the run, which would hold the mutex against every
    // later start: the run ends before it takes the mutex.
    if (hiddenMode && !silentInstall && !silentUninstall) return NOTHING_TO_DO;
    HANDLE mutex = CreateMutexA(nullptr, TRUE, INSTALLER_MUTEX_NAME);
    if (mutex == nullptr) return MUTEX_NOT_CREATED;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return ANOTHER_INSTANCE_RUNNING;
    }
    initContext(installer, instance);
    prepareRun(installer);
    // Only a shown window opens links through the shell, which wants COM on
    // its thread; the workers initialise COM for themselves.
    const HRESULT comResult = hiddenMode ? S_FALSE : comInitialize();
    if (createMainWindow(instance, mainWindowProc, nullptr, MAIN_WINDOW_TITLE) == nullptr) {
        endStartup(mutex, comResult);
        return WINDOW_NOT_CREATED;
    }
    MSG message = {};
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        // A broken queue must not spin for ever nor end as success.
        if (got == -1) {
            message.wParam = static_cast<WPARAM>(MESSAGE_LOOP_BROKEN);
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    endStartup(mutex, comResult);
    return static_cast<int>(message.wParam);
}
