// The real installer started as a child process: its window, hidden mode, the
// single-instance guard and the request to a running application to go away.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/exit_code.h"
#include "core/version.h"
#include "support/installed.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "support/windows_of.h"

namespace {
const char* const kClass = "OVSonograf0Installer0MainWindow0";
const char* const kTitle = "Orvane Sonograf Installation (Version " PRODUCT_VERSION ")";

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

// Hidden, the window is message-only; it lives through the whole silent
// install, which a large package makes long.
TEST(InstallerStart, HiddenModeCreatesAMessageOnlyWindow) {
    TempFolder folder;
    const std::string setup = folder.file("SonografSetup.exe");
    ASSERT_TRUE(copyWithPackage(installerPath(), setup, largePackage()));
    HANDLE process = startProgram(setup, "-h -i");
    ASSERT_NE(process, nullptr);
    HWND window = awaitWindow(windowByClass, process, kClass);
    ASSERT_NE(window, nullptr);
    EXPECT_NE(GetAncestor(window, GA_PARENT), GetDesktopWindow()) << "message-only";
    bool shown = false;
    while (WaitForSingleObject(process, 5) == WAIT_TIMEOUT) shown = shown || IsWindowVisible(window);
    EXPECT_FALSE(shown);
    EXPECT_EQ(finishProgram(process, 60000), 0u);
    EXPECT_EQ(runProgram(setup, "-h -u", 60000), 0u);
}

// A hidden run without -i or -u (only the letter after each dash counts) has
// nothing to do: it ends at once, also while another installer runs, so it
// never takes the single-instance mutex from a later run.
TEST(InstallerStart, HiddenRunWithNothingToDoEndsAtOnce) {
    for (const bool anotherRuns : {true, false}) {
        HANDLE other = anotherRuns ? startProgram(installerPath(), "") : nullptr;
        if (anotherRuns) ASSERT_NE(awaitWindow(windowByClass, other, kClass), nullptr);
        for (const char* arguments : {"-h", "-hi", "-H -I"})
            EXPECT_EQ(runProgram(installerPath(), arguments, 20000), static_cast<DWORD>(NOTHING_TO_DO))
                << arguments << (anotherRuns ? " while another installer runs" : "");
        if (anotherRuns) EXPECT_EQ(closeInstaller(other), 0u);
    }
    EXPECT_EQ(runProgram(installerPath(), "-h -i", 60000), 0u);
    EXPECT_EQ(runProgram(installerPath(), "-h -u", 60000), 0u);
}

TEST(InstallerStart, SecondInstanceExitsAtOnceWithMinusOne) {
    HANDLE first = startProgram(installerPath(), "");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(awaitWindow(windowByClass, first, kClass), nullptr);
    DWORD second = runProgram(installerPath(), "", 30000);
    EXPECT_EQ(second, static_cast<DWORD>(ANOTHER_INSTANCE_RUNNING));
    EXPECT_NE(installerWindowOf(first), nullptr);
    EXPECT_EQ(closeInstaller(first), 0u);
}

// Top-level windows of this test program (not the application's file) with
// the application's title and near it; each records any request it gets.
struct Bystander {
    const char* title;
    HWND window;
    bool destroyed;
    bool closed;
};
Bystander bystanders[] = {{"Sonograf", nullptr, false, false},
                          {"sonograf", nullptr, false, false},
                          {"Sonograf 2", nullptr, false, false}};

LRESULT CALLBACK bystanderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    for (Bystander& b : bystanders) {
        if (b.window != window) continue;
        if (message == WM_DESTROY) b.destroyed = true;
        if (message == WM_CLOSE) b.closed = true;
        if (message == WM_DESTROY || message == WM_CLOSE) return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

TEST(InstallerStart, LeavesWindowsOfOtherProgramsAloneWhateverTheirTitle) {
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
    HANDLE process = startProgram(installerPath(), "");
    ASSERT_NE(process, nullptr);
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
        EXPECT_FALSE(b.destroyed) << b.title;
        EXPECT_FALSE(b.closed) << b.title;
    }
    EXPECT_EQ(closeInstaller(process), 0u);
    for (Bystander& b : bystanders) DestroyWindow(b.window);
}
}  // namespace
