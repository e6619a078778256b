#include "app/window.h"

#include "app/switches.h"
#include "core/context.h"
#include "core/product.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/os_version.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "setup/install.h"
#include "setup/procedure.h"
#include "setup/uninstall.h"

namespace {
int quitPosted = 0;
int quitCode = 0;

// A silent run uninstalls whenever the application is there, and installs
// only with -i; -u with nothing installed does nothing.
int runSilentProcedure() {
    if (installer.alreadyInstalled) return runUninstall(installer);
    if (silentInstall) return startInstallWorker(installer, 1);
    return 0;
}
}  // namespace

int prepareWindow(InstallerContext& context) {
    context.osVersionCode = getOsVersionCode();
    const DWORD length = GetModuleFileNameA(nullptr, context.selfPath, sizeof context.selfPath);
    if (length == 0 || length >= sizeof context.selfPath) context.selfPath[0] = '\0';
    textCopy(context.selfFolder, sizeof context.selfFolder, context.selfPath);
    removeLastComponent(context.selfFolder);
    context.alreadyInstalled = 0;
    if (resolveInstallFolder(context, installSubfolder) != 0) return 0;
    char application[PROCEDURE_PATH_SIZE];
    if (composeInstalledPath(application, context, PRODUCT_NAME ".exe") == 0 && fileExists(application))
        context.alreadyInstalled = 1;
    return context.alreadyInstalled;
}

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
            prepareWindow(installer);
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
