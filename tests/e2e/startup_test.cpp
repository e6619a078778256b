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

// Closes the installer's window as a user would and returns its exit code.
DWORD closeInstaller(HANDLE process) {
    HWND window = windowByClass(process, kClass);
    if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
    return finishProgram(process, 30000);
}

// The window has its title and class and is shown once its creation is done.
// While it runs, a second installer ends at once with -1, and a hidden run
// with nothing to do (only the letter after each dash counts) ends at once
// with 2, as it does alone: it never takes the single-instance mutex from a
// later run.
TEST(InstallerStart, OneInstanceShowsItsWindowAndAHiddenRunWithNothingToDoEndsAtOnce) {
    HANDLE first = startProgram(installerPath(), "");
    ASSERT_NE(first, nullptr) << installerPath();
    HWND window = awaitWindow(windowByClass, first, kClass);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowText(window), kTitle);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(window) != FALSE; }));
    EXPECT_EQ(runProgram(installerPath(), "", 30000), static_cast<DWORD>(ANOTHER_INSTANCE_RUNNING));
    for (const bool anotherRuns : {true, false}) {
        for (const char* arguments : {"-h", "-hi", "-H -I"})
            EXPECT_EQ(runProgram(installerPath(), arguments, 20000), static_cast<DWORD>(NOTHING_TO_DO))
                << arguments << (anotherRuns ? " while another installer runs" : "");
        if (anotherRuns) EXPECT_EQ(closeInstaller(first), 0u) << "the first one stays until it is closed";
    }
    EXPECT_EQ(runProgram(installerPath(), "-h -i", 60000), 0u);
    EXPECT_EQ(runProgram(installerPath(), "-h -u", 60000), 0u);
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

// A running application is asked to go before the installer's window exists:
// of the windows below, only the one titled exactly "Sonograf" in a process
// running "Sonograf.exe" (this program under that name) gets a request, a
// WM_DESTROY; "sonograf" and "Sonograf 2" there, and "Sonograf" in a program
// of another name, get none.
TEST(InstallerStart, AsksOnlyTheApplicationToGoAndBeforeItsWindowExists) {
    TempFolder temp;
    const std::string application = temp.file("Sonograf.exe");
    ASSERT_TRUE(CopyFileA(ownPath().c_str(), application.c_str(), FALSE));
    struct {
        std::string program;
        const char *arguments, *title;
        DWORD requests;
        HANDLE process;
    } running[] = {{application, "--windows Sonograf", "Sonograf", 1, nullptr},
                   {application, "--windows sonograf \"Sonograf 2\"", "Sonograf 2", 0, nullptr},
                   {ownPath(), "--windows Sonograf", "Sonograf", 0, nullptr}};
    for (auto& program : running) {
        program.process = startProgram(program.program, program.arguments);
        ASSERT_NE(awaitWindow(windowByTitle, program.process, program.title), nullptr) << program.arguments;
    }
    HANDLE process = startProgram(installerPath(), "");
    ASSERT_NE(awaitWindow(windowByClass, process, kClass), nullptr);
    for (auto& program : running) {
        if (HWND window = windowByTitle(program.process, program.title)) PostMessageA(window, WM_QUIT, 0, 0);
        EXPECT_EQ(finishProgram(program.process, 20000), program.requests) << program.program << " " << program.arguments;
    }
    EXPECT_EQ(closeInstaller(process), 0u);
}

// Stands in for running programs: a top-level window for each title given,
// which records the requests it gets. Ends at a WM_DESTROY, or at a WM_QUIT
// the test posts, with what it got: 1 a WM_DESTROY, 2 a WM_CLOSE, 4 a request
// while the installer's window existed.
int requests = 0;

LRESULT CALLBACK recordRequests(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_DESTROY && message != WM_CLOSE) return DefWindowProcA(window, message, wParam, lParam);
    requests |= (message == WM_DESTROY ? 1 : 2) | (FindWindowA(kClass, nullptr) != nullptr ? 4 : 0);
    if (message == WM_DESTROY) PostQuitMessage(0);
    return 0;
}

int showWindows(int count, char** titles) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = recordRequests;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SonografTestWindow";
    RegisterClassA(&windowClass);
    for (int i = 0; i < count; ++i)
        CreateWindowExA(0, windowClass.lpszClassName, titles[i], WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                        windowClass.hInstance, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return requests;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--windows") return showWindows(argc - 2, argv + 2);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
