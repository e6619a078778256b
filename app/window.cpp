#include "app/window.h"

#include <shellapi.h>

#include "app/layout.h"
#include "app/links.h"
#include "app/paint.h"
#include "app/switches.h"
#include "app/worker.h"
#include "core/bytes.h"
#include "core/context.h"
#include "core/exit_code.h"
#include "core/product.h"
#include "package/keystream.h"
#include "platform/metrics.h"

namespace {
int quitCodeKept = 0;
int quitCode = 0;
// A message box runs its own message loop, in which a quit or a destroy would
// take the box down unread; both wait until the box has been answered.
// The box's loop dispatches to mainWindowProc, which writes these variables,
// so a system call may change them. The unit is compiled with
// -fno-ipa-reference (app/CMakeLists.txt): without it the whole-program
// analysis, which sees no path from a system call back into the unit, would
// assume MessageBoxA leaves them unchanged and read stale values after it.
int boxesOpen = 0;
int quitDeferred = 0;
int destroyDeferred = 0;

void keepQuitCode(int code) {
    if (!quitCodeKept) {
        quitCodeKept = 1;
        quitCode = code;
    }
}

void destroyWindowState() {
    if (installer.timerId != 0) KillTimer(installer.window, installer.timerId);
    installer.timerId = 0;
    releaseGraphics(installer);
    postQuit(INSTALLER_OK);
}

void showBox(const char* text, const char* caption, UINT style) {
    ++boxesOpen;
    MessageBoxA(installer.window, text, caption, style);
    if (--boxesOpen > 0) return;
    if (destroyDeferred) {
        destroyDeferred = 0;
        destroyWindowState();
    }
    if (quitDeferred) {
        quitDeferred = 0;
        PostQuitMessage(quitCode);
    }
}

void finishSilentRun() {
    const int result = runSilentProcedure(installer);
    // Hidden, there is nothing to show and no graphics to release.
    if (hiddenMode) {
        postQuit(result);
        return;
    }
    // Visible, the procedure's completion command is still queued and shows a
    // box; the window closes behind it, so the box is answered first.
    keepQuitCode(result);
    closeMainWindow();
}

void reportCompletion(LPARAM code) {
    if (code == DONE_FAILED) {
        showBox(installer.errorText, installer.errorCaption, MB_SYSTEMMODAL | MB_ICONERROR);
    } else if (code == DONE_INSTALLED) {
        openLink(installer, afterInstallLink, afterInstallLinkSize);
        showBox("Installation Complete and Successful !", "Success", MB_SYSTEMMODAL | MB_ICONWARNING);
    } else {
        return;
    }
    // The worker clears busy just after it posts its completion, so a close
    // posted now could still find busy set and be dropped, leaving the window
    // open: the worker's last steps are awaited first.
    awaitWorker(installer);
    postToWindow(WM_CLOSE, 0, 0);
}

// The window's outer size that gives a client area of the picture plus the band.
void sizeToPicture(HWND window) {
    int32_t frame = 0;
    int32_t caption = 0;
    getFrameMetrics(&frame, &caption, nullptr, FRAME_FIXED);
    SetWindowPos(window, HWND_TOP, 0, 0, installer.backgroundWidth + 2 * frame,
                 installer.backgroundHeight + 2 * frame + caption + 100, SWP_NOMOVE | SWP_SHOWWINDOW);
}

void onCreate(HWND window) {
    installer.window = window;
    // A hidden window is never painted: it gets no graphics.
    if (!hiddenMode) {
        createGraphics(installer);
        sizeToPicture(window);
        installer.timerId = static_cast<uint32_t>(SetTimer(window, BLINK_TIMER_ID, BLINK_PERIOD_MS, nullptr));
    }
    if (silentInstall || silentUninstall) postToWindow(WM_COMMAND, CMD_SILENT_RUN, SILENT_RUN_CODE);
}

void onClick(HWND window, LPARAM position) {
    if (installer.busy) return;
    const int32_t x = static_cast<int16_t>(LOWORD(position));
    const int32_t y = static_cast<int16_t>(HIWORD(position));
    const RECT& r = installer.buttonRect;
    const LayoutRect button = {int32_t(r.left), int32_t(r.top), int32_t(r.right), int32_t(r.bottom)};
    if (insideStrictly(button, x, y)) {
        startAction(installer, window);
    } else if (y < installer.backgroundHeight) {
        openLink(installer, pictureLink, pictureLinkSize);
    }
}

void onBlink(HWND window) {
    ++installer.blinkCount;
    HDC dc = GetDC(window);
    drawBusyPanel(installer, dc, installer.blinkCount % 2);
    ReleaseDC(window, dc);
}
}  // namespace

void startAction(InstallerContext& context, HWND window) {
    HDC dc = GetDC(window);
    drawButton(context, window, dc, 1);
    ReleaseDC(window, dc);
    Sleep(PRESSED_LOOK_MS);
    if (context.alreadyInstalled) {
        uninstallReported(context);
        closeMainWindow();
        return;
    }
    if (startInstallWorker(context) == INSTALLER_OK) return;
    showBox("Failed to launch Procedure...", INSTALL_ERROR_CAPTION, MB_SYSTEMMODAL | MB_ICONERROR);
    closeMainWindow();
}

void openLink(InstallerContext& context, const uint8_t* stored, uint32_t count) {
    if (count > LINK_MAX_SIZE) return;
    // One byte more than the longest link, so the text ends in a zero even
    // when the stored bytes do not.
    uint8_t link[LINK_MAX_SIZE + 1];
    zeroBytes(link, sizeof link);
    copyBytes(link, stored, count);
    applyPlainStream(LINK_KEY, link, count);
    ShellExecuteA(context.window, "open", reinterpret_cast<const char*>(link), nullptr, nullptr, SW_SHOW);
    zeroBytes(link, sizeof link);
}

void postQuit(int code) {
    keepQuitCode(code);
    if (boxesOpen > 0) {
        quitDeferred = 1;
        return;
    }
    PostQuitMessage(quitCode);
}

void postToWindow(UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageA(installer.window, message, wParam, lParam);
}

void closeMainWindow() { postToWindow(WM_DESTROY, 0, 0); }

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            onCreate(window);
            return 0;
        case WM_DESTROY:
            if (boxesOpen > 0) {
                destroyDeferred = 1;
            } else {
                destroyWindowState();
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            paintWindow(installer, window, dc);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_CLOSE:
            if (!installer.busy) closeMainWindow();
            return 0;
        case WM_ERASEBKGND:
            blitBitmap(reinterpret_cast<HDC>(wParam), 0, 0, installer.background);
            return 1;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN && !installer.busy) startAction(installer, window);
            if (wParam == VK_ESCAPE) postToWindow(WM_CLOSE, 0, 0);
            return 0;
        case WM_COMMAND:
            if (!hiddenMode && LOWORD(wParam) == CMD_PROCEDURE_DONE) {
                reportCompletion(lParam);
            } else if (LOWORD(wParam) == CMD_SILENT_RUN && lParam == SILENT_RUN_CODE) {
                finishSilentRun();
            }
            return 0;
        case WM_TIMER:
            if (installer.busy && wParam == BLINK_TIMER_ID) onBlink(window);
            return 0;
        case WM_MOUSEMOVE:
            if (static_cast<int16_t>(HIWORD(lParam)) < installer.backgroundHeight) SetCursor(installer.handCursor);
            return 0;
        case WM_LBUTTONDOWN:
            onClick(window, lParam);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
