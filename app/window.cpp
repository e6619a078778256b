#include "app/window.h"

#include "core/context.h"
#include "app/switches.h"

namespace {
int quitPosted = 0;
int quitCode = 0;

// The install and uninstall procedures are not part of this installer yet:
// a silent run reports that nothing could be done instead of success.
int runSilentProcedure() { return -1; }
}  // namespace

void postQuit(int code) {
    if (!quitPosted) {
        quitPosted = 1;
        quitCode = code;
    }
    PostQuitMessage(quitCode);
}

void closeMainWindow() { PostMessageA(installer.window, WM_DESTROY, 0, 0); }

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            installer.window = window;
            if (silentInstall || silentUninstall) {
                PostMessageA(window, WM_COMMAND, CMD_SILENT_RUN, SILENT_RUN_CODE);
            }
            return 0;
        case WM_DESTROY:
            postQuit(0);
            return 0;
        case WM_CLOSE:
            if (!installer.busy) closeMainWindow();
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == CMD_SILENT_RUN && lParam == SILENT_RUN_CODE) postQuit(runSilentProcedure());
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
