// The installer context, the DLL search hardening and the quit code of a silent run.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/context.h"
#include "core/exit_code.h"
#include "app/startup.h"
#include "app/switches.h"
#include "app/window.h"
#include "platform/os_version.h"
#include "support/process.h"

namespace {
TEST(InstallerContext, InitZeroFillsEverythingButInstanceAndWow64Flag) {
    InstallerContext context;
    memset(&context, 0xAB, sizeof context);
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(initContext(context, self), 0);
    EXPECT_EQ(context.instance, self);
    EXPECT_EQ(context.isWow64, detectWow64());
    EXPECT_EQ(context.window, nullptr);
    EXPECT_EQ(context.installFolder[0], '\0');
    EXPECT_EQ(context.statusText[1023], '\0');
    EXPECT_EQ(context.workerResult, 0);
    EXPECT_EQ(context.buttonRect.right, 0);
}

// A silent run's result is the exit code even when a close is handled after
// it. (The window's title, class and message-only form are checked end to end.)
TEST(InstallerContext, SilentRunQuitsWithItsResultAfterAClose) {
    hiddenMode = 1;
    HINSTANCE self = GetModuleHandleA(nullptr);
    initContext(installer, self);
    HWND window = createMainWindow(self, mainWindowProc, nullptr, "Sonograf test");
    ASSERT_NE(window, nullptr);
    silentInstall = 1;
    PostMessageA(window, WM_COMMAND, CMD_SILENT_RUN, SILENT_RUN_CODE);
    PostMessageA(window, WM_CLOSE, 0, 0);
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_NE(message.wParam, 0u);
    EXPECT_EQ(static_cast<int>(message.wParam), PACKAGE_UNREADABLE);
    DestroyWindow(window);
    hiddenMode = silentInstall = 0;
}

// A DLL planted in the current directory, as in a Downloads folder, must not
// be found by its bare name once the installer has hardened its search path.
TEST(DllSearchHardening, BareNameInTheCurrentDirectoryIsNotFound) {
    char temp[MAX_PATH], previous[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    GetCurrentDirectoryA(sizeof previous, previous);
    std::string self = ownPath();
    std::string probe = self.substr(0, self.rfind('\\') + 1) + "planted_probe.dll";
    std::string planted = std::string(temp) + "sonograf-planted.dll";
    ASSERT_TRUE(CopyFileA(probe.c_str(), planted.c_str(), FALSE)) << probe;
    SetCurrentDirectoryA(temp);
    EXPECT_EQ(runProgram(ownPath(), "--load-bare sonograf-planted.dll", 30000), 1u) << "not found before hardening";
    EXPECT_EQ(runProgram(ownPath(), "--harden-then-load-bare sonograf-planted.dll", 30000), 0u)
        << "found after hardening";
    SetCurrentDirectoryA(previous);
    DeleteFileA(planted.c_str());
}
}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--harden-then-load-bare") hardenDllSearch();
    if (argc > 2 && std::string(argv[1]).rfind("--", 0) == 0) {
        return LoadLibraryA(argv[2]) != nullptr ? 1 : 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
