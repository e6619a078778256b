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

HWND installerWindowOf(HANDLE process) { return windowByClass(process, kClass); }

// Closes the installer's window as a user would and returns its exit code.
DWORD closeInstaller(HANDLE process) {
    HWND window = installerWindowOf(process);
    if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
    return finishProgram(process, 30000);
}

TEST(InstallerStart, ShowsItsWindowWithTitleAndClass) {
    HANDLE process = startProgram(installerPath(), "");
    ASSERT_NE(process, nullptr) << installerPath();
    HWND window = awaitWindow(windowByClass, process, kClass);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowText(window), kTitle);
    // The window exists while its creation is still under way; it is shown after.
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(window) != FALSE; }));
    EXPECT_EQ(closeInstaller(process), 0u);
}

TEST(InstallerStart, HiddenModeCreatesTheWindowWithoutShowingIt) {
    HANDLE process = startProgram(installerPath(), "-h");
    ASSERT_NE(process, nullptr);
    HWND window = awaitWindow(windowByClass, process, kClass);
    ASSERT_NE(window, nullptr);
    // A message sent to the window is handled once the installer reads its
    // messages, past the point where a shown window is shown.
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kPatienceMs, &result), 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "still running";
    EXPECT_EQ(closeInstaller(process), 0u);
}

TEST(InstallerStart, SecondInstanceExitsAtOnceWithMinusOne) {
    HANDLE first = startProgram(installerPath(), "-h");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(awaitWindow(windowByClass, first, kClass), nullptr);
    DWORD second = runProgram(installerPath(), "", 30000);
    EXPECT_EQ(second, 0xFFFFFFFFu);
    EXPECT_NE(installerWindowOf(first), nullptr);
    EXPECT_EQ(closeInstaller(first), 0u);
}

// Top-level windows standing in for a running application; each records
// which request it got: the posted WM_DESTROY, which must arrive before the
// installer's window exists, or a WM_CLOSE, which the installer must not send.
struct Bystander {
    const char* title;
    bool expectDestroy;
    HWND window;
    bool destroyed;
    bool closed;
    bool installerWindowExisted;
};
Bystander bystanders[] = {{"Sonograf", true, nullptr, false, false, false},
                          {"sonograf", false, nullptr, false, false, false},
                          {"Sonograf 2", false, nullptr, false, false, false}};
HANDLE bystandersInstaller = nullptr;

LRESULT CALLBACK bystanderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    for (Bystander& b : bystanders) {
        if (b.window != window) continue;
        if (message == WM_DESTROY) {
            b.destroyed = true;
            b.installerWindowExisted = installerWindowOf(bystandersInstaller) != nullptr;
            return 0;
        }
        if (message == WM_CLOSE) {
            b.closed = true;
            return 0;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

TEST(InstallerStart, TellsOnlyAWindowTitledExactlySonografToGoBeforeItsWindowExists) {
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
    bystandersInstaller = process;
    HWND installerWindow = nullptr;
    // Wake for every posted message at once, so the request is seen as soon
    // as it arrives.
    for (DWORD started = GetTickCount(); GetTickCount() - started < 30000 && installerWindow == nullptr;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_POSTMESSAGE);
        pumpMessages();
        installerWindow = installerWindowOf(process);
    }
    ASSERT_NE(installerWindow, nullptr);
    pumpMessages();
    for (const Bystander& b : bystanders) {
        EXPECT_EQ(b.destroyed, b.expectDestroy) << b.title;
        EXPECT_FALSE(b.closed) << b.title;
        EXPECT_FALSE(b.installerWindowExisted) << b.title;
    }
    EXPECT_EQ(closeInstaller(process), 0u);
    for (Bystander& b : bystanders) DestroyWindow(b.window);
}
}  // namespace
