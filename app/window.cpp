#include "app/window.h"

#include <shellapi.h>

#include "app/layout.h"
#include "app/links.h"
#include "app/paint.h"
#include "app/switches.h"
#include "app/worker.h"
#include "core/bytes.h"
#include "core/exit_code.h"
#include "core/product.h"
#include "package/keystream.h"
#include "platform/metrics.h"

namespace {
// How the run ends. A message box runs its own message loop, in which a quit
// or a destroy would take the box down unread; both wait until the box has
// been answered. The first quit code stands: a silent run's result must reach
// the caller even when a close handled after it quits again.
// The box's loop dispatches to mainWindowProc, which writes this record, so a
// system call may change it. The unit is compiled with -fno-ipa-reference
// (app/CMakeLists.txt): without it the whole-program analysis, which sees no
// path from a system call back into the unit, would assume MessageBoxA leaves
// it unchanged and read stale values after it.
struct QuitState {
    int codeKept;
    int code;
    int boxesOpen;
    int quitDeferred;
    int destroyDeferred;
};
QuitState quit;

void keepQuitCode(int code) {
    if (!quit.codeKept) {
        quit.codeKept = 1;
        quit.code = code;
    }
}

// Posts the quit message, or, while a message box is open, once it is answered.
void postQuit(int code) {
    keepQuitCode(code);
    if (quit.boxesOpen > 0) {
        quit.quitDeferred = 1;
        return;
    }
    PostQuitMessage(quit.code);
}

void post(const InstallerContext& context, UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageA(context.window, message, wParam, lParam);
}

void closeWindow(const InstallerContext& context) { post(context, WM_DESTROY, 0, 0); }

void destroyWindowState(InstallerContext& context) {
    if (context.timerId != 0) KillTimer(context.window, context.timerId);
    context.timerId = 0;
    releaseGraphics(context);
    postQuit(INSTALLER_OK);
}

void showBox(InstallerContext& context, const char* text, const char* caption, UINT style) {
    // Keys pressed before the box appeared (a held Enter, typed ahead) would
    // answer it unread.
    MSG typedAhead;
    while (PeekMessageA(&typedAhead, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    ++quit.boxesOpen;
    MessageBoxA(context.window, text, caption, style);
    if (--quit.boxesOpen > 0) return;
    if (quit.destroyDeferred) {
        quit.destroyDeferred = 0;
        destroyWindowState(context);
    }
    if (quit.quitDeferred) {
        quit.quitDeferred = 0;
        PostQuitMessage(quit.code);
    }
}

// Unscrambles a stored link into a local buffer, opens it with the shell and
// wipes the buffer. A stored link longer than LINK_MAX_SIZE is not opened.
void openLink(const InstallerContext& context, const uint8_t* stored, uint32_t count) {
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

// The button's action: pressed look, then the uninstall on this thread (and
// close), or the install on the worker thread.
void startAction(InstallerContext& context, HWND window) {
    HDC dc = GetDC(window);
    drawButton(context, window, dc, 1);
    ReleaseDC(window, dc);
    Sleep(PRESSED_LOOK_MS);
    if (context.alreadyInstalled) {
        uninstallReported(context);
        closeWindow(context);
        return;
    }
    if (startInstallWorker(context)) return;
    showBox(context, "Failed to launch Procedure...", INSTALL_ERROR_CAPTION, MB_SYSTEMMODAL | MB_ICONERROR);
    closeWindow(context);
}

void finishSilentRun(InstallerContext& context) {
    const ExitCode result = runSilentProcedure(context);
    // Hidden, there is nothing to show and no graphics to release.
    if (hiddenMode) {
        postQuit(result);
        return;
    }
    // Visible, the procedure's completion command is still queued and shows a
    // box; the window closes behind it, so the box is answered first.
    keepQuitCode(result);
    closeWindow(context);
}

void reportCompletion(InstallerContext& context, LPARAM code) {
    if (code == DONE_FAILED) {
        showBox(context, context.errorText, context.errorCaption, MB_SYSTEMMODAL | MB_ICONERROR);
    } else if (code == DONE_INSTALLED) {
        openLink(context, afterInstallLink, afterInstallLinkSize);
        showBox(context, "Installation Complete and Successful !", "Success", MB_SYSTEMMODAL | MB_ICONWARNING);
    } else {
        return;
    }
    // The worker clears busy just after it posts its completion, so a close
    // posted now could still find busy set and be dropped, leaving the window
    // open: the worker's last steps are awaited first.
    awaitWorker(context);
    post(context, WM_CLOSE, 0, 0);
}

// The window's outer size that gives a client area of the picture plus the band.
void sizeToPicture(const InstallerContext& context, HWND window) {
    int32_t frame = 0;
    int32_t caption = 0;
    getFrameMetrics(&frame, &caption, nullptr, FRAME_FIXED);
    SetWindowPos(window, HWND_TOP, 0, 0, context.backgroundWidth + 2 * frame,
                 context.backgroundHeight + 2 * frame + caption + 100, SWP_NOMOVE | SWP_SHOWWINDOW);
}

void onCreate(InstallerContext& context, HWND window) {
    context.window = window;
    // A hidden window is never painted: it gets no graphics.
    if (!hiddenMode) {
        createGraphics(context);
        sizeToPicture(context, window);
        context.timerId = static_cast<uint32_t>(SetTimer(window, BLINK_TIMER_ID, BLINK_PERIOD_MS, nullptr));
    }
    if (silentInstall || silentUninstall) post(context, WM_COMMAND, CMD_SILENT_RUN, SILENT_RUN_CODE);
}

void onClick(InstallerContext& context, HWND window, LPARAM position) {
    if (context.busy) return;
    const int32_t x = static_cast<int16_t>(LOWORD(position));
    const int32_t y = static_cast<int16_t>(HIWORD(position));
    const RECT& r = context.buttonRect;
    const LayoutRect button = {int32_t(r.left), int32_t(r.top), int32_t(r.right), int32_t(r.bottom)};
    if (insideStrictly(button, x, y)) {
        startAction(context, window);
    } else if (y < context.backgroundHeight) {
        openLink(context, pictureLink, pictureLinkSize);
    }
}

void onBlink(InstallerContext& context, HWND window) {
    ++context.blinkCount;
    HDC dc = GetDC(window);
    drawBusyPanel(context, dc, context.blinkCount % 2);
    ReleaseDC(window, dc);
}
}  // namespace

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    InstallerContext& context = installer;
    switch (message) {
        case WM_CREATE:
            onCreate(context, window);
            return 0;
        case WM_DESTROY:
            if (quit.boxesOpen > 0) {
                quit.destroyDeferred = 1;
            } else {
                destroyWindowState(context);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            paintWindow(context, window, dc);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_CLOSE:
            if (!context.busy) closeWindow(context);
            return 0;
        case WM_ERASEBKGND:
            blitBitmap(reinterpret_cast<HDC>(wParam), 0, 0, context.background);
            return 1;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN && !context.busy) startAction(context, window);
            if (wParam == VK_ESCAPE) post(context, WM_CLOSE, 0, 0);
            return 0;
        case WM_COMMAND:
            if (!hiddenMode && LOWORD(wParam) == CMD_PROCEDURE_DONE) {
                reportCompletion(context, lParam);
            } else if (LOWORD(wParam) == CMD_SILENT_RUN && lParam == SILENT_RUN_CODE) {
                finishSilentRun(context);
            }
            return 0;
        case WM_TIMER:
            if (context.busy && wParam == BLINK_TIMER_ID) onBlink(context, window);
            return 0;
        case WM_MOUSEMOVE:
            if (static_cast<int16_t>(HIWORD(lParam)) < context.backgroundHeight) SetCursor(context.handCursor);
            return 0;
        case WM_LBUTTONDOWN:
            onClick(context, window, lParam);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
