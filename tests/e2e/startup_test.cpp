// The real installer started as a child process: its window, hidden mode, the
// single-instance guard and the request to a running application to go away.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/process.h"
#include "support/windows_of.h"

namespace {
const char* const kClass = "OVSonograf0Installer0MainWindow0";
const char* const kTitle = "Orvane Sonograf Installation (Version 1.0.1.3)";

HWND installerWindowOf(HANDLE process) { return windowOf(process, kClass); }

HWND waitForInstallerWindow(HANDLE process, DWORD milliseconds) { return waitForWindow(process, kClass, milliseconds); }

// Closes the installer's window as a user would and returns its exit code.
DWORD closeInstaller(HANDLE process) {
    HWND window = installerWindowOf(process);
    if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
    return finishProgram(process, 30000);
}

TEST(InstallerStart, ShowsItsWindowWithTitleAndClass) {
    HANDLE process = startProgram(installerPath(), "");
    ASSERT_NE(process, nullptr) << installerPath();
    HWND window = waitForInstallerWindow(process, 30000);
    ASSERT_NE(window, nullptr);
    char title[128] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, kTitle);
    // The window exists while its creation is still under way; it is shown after.
    for (DWORD waited = 0; waited < 30000 && !IsWindowVisible(window); waited += 50) Sleep(50);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(closeInstaller(process), 0u);
}

TEST(InstallerStart, HiddenModeCreatesTheWindowWithoutShowingIt) {
    HANDLE process = startProgram(installerPath(), "-h");
    ASSERT_NE(process, nullptr);
    HWND window = waitForInstallerWindow(process, 30000);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(closeInstaller(process), 0u);
}

TEST(InstallerStart, SecondInstanceExitsAtOnceWithMinusOne) {
    HANDLE first = startProgram(installerPath(), "-h");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(waitForInstallerWindow(first, 30000), nullptr);
    DWORD second = runProgram(installerPath(), "", 30000);
    EXPECT_EQ(second, 0xFFFFFFFFu);
    EXPECT_NE(installerWindowOf(first), nullptr);
    EXPECT_EQ(closeInstaller(first), 0u);
}

// Top-level windows standing in for a running application; each records
// whether it was told to go.
struct Bystander {
    const char* title;
    bool expectDestroy;
    HWND window;
    bool destroyed;
};
Bystander bystanders[] = {{"Sonograf", true, nullptr, false},
                          {"sonograf", false, nullptr, false},
                          {"Sonograf 2", false, nullptr, false}};

LRESULT CALLBACK bystanderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        for (Bystander& b : bystanders)
            if (b.window == window) b.destroyed = true;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(InstallerStart, TellsOnlyAWindowTitledExactlySonografToGo) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = bystanderProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SonografTestBystander";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    for (Bystander& b : bystanders) {
        b.window = CreateWindowExA(0, windowClass.lpszClassName, b.title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                   nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(b.window, nullptr);
    }
    HANDLE process = startProgram(installerPath(), "-h");
    ASSERT_NE(process, nullptr);
    HWND installerWindow = nullptr;
    // Keep this thread's queue pumping so the posted WM_DESTROY is delivered.
    for (DWORD waited = 0; waited < 30000 && installerWindow == nullptr; waited += 20) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        installerWindow = installerWindowOf(process);
        Sleep(20);
    }
    ASSERT_NE(installerWindow, nullptr);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    for (const Bystander& b : bystanders) EXPECT_EQ(b.destroyed, b.expectDestroy) << b.title;
    EXPECT_EQ(closeInstaller(process), 0u);
    for (Bystander& b : bystanders) DestroyWindow(b.window);
}
}  // namespace
