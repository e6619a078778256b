#include "app/startup.h"

#include <objbase.h>

#include "core/bytes.h"
#include "core/context.h"
#include "core/exit_code.h"
#include "core/product.h"
#include "core/resource_ids.h"
#include "app/switches.h"
#include "app/window.h"
#include "platform/folders.h"
#include "platform/lookup.h"
#include "platform/os_version.h"
#include "platform/text.h"

namespace {
const DWORD LOAD_LIBRARY_SEARCH_SYSTEM32_ONLY = 0x00000800;
typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryAFunction)(LPCSTR);

BOOL CALLBACK closeWindowTitled(HWND window, LPARAM title) {
    if (window == nullptr) return TRUE;
    char text[512];
    text[0] = '\0';
    GetWindowTextA(window, text, sizeof text);
    if (textEqual(text, reinterpret_cast<const char*>(title))) PostMessageA(window, WM_DESTROY, 0, 0);
    return TRUE;
}

void endStartup(HANDLE mutex, HRESULT comResult) {
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    if (comResult == S_OK) CoUninitialize();
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

void closeRunningApplication(const char* title) {
    EnumWindows(closeWindowTitled, reinterpret_cast<LPARAM>(title));
}

HWND createMainWindow(HINSTANCE instance, WNDPROC windowProc, const char* menuName, const char* title) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(ICON_RESOURCE_ID));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_INACTIVEBORDER + 1);
    windowClass.lpszMenuName = menuName;
    windowClass.lpszClassName = MAIN_WINDOW_CLASS;
    if (!RegisterClassA(&windowClass)) {
        MessageBoxA(nullptr, "Failed to register window class...", STARTUP_ERROR_CAPTION, MB_ICONWARNING);
        return nullptr;
    }
    HWND window = CreateWindowExA(0, MAIN_WINDOW_CLASS, title,
                                  WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 900, 300, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        MessageBoxA(nullptr, "Failed to create window...", STARTUP_ERROR_CAPTION, MB_ICONWARNING);
        return nullptr;
    }
    if (hiddenMode) {
        ShowWindow(window, SW_HIDE);
    } else {
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
    closeRunningApplication(PRODUCT_NAME);
    resolveSpecialFolders();
    initContext(installer, instance);
    HRESULT comResult = CoInitialize(nullptr);
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
