// A window of the installer window's style and client size that paints the
// installer's picture (carried as its bitmap resource), the white band below it and
// the button's outline, and ends when it is closed, leaving its window to the
// process's end as the installer does (an X server without a window manager
// holds a window being destroyed for two seconds). Nothing else: no fonts,
// no texts, no icon.
#include <windows.h>

#include "bench/e2e/same_work.h"
#include "core/resource_ids.h"

namespace {
HBITMAP picture = nullptr;

void paint(HWND window) {
    PAINTSTRUCT paintInfo;
    HDC dc = BeginPaint(window, &paintInfo);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(dc, 0, 0, kPictureWidth, kPictureHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    RECT band = {0, kPictureHeight, kPictureWidth, kPictureHeight + kBandHeight};
    FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
    const RECT& r = kButtonRect;
    RoundRect(dc, r.left, r.top, r.right + 1, r.bottom + 1, 8, 8);
    SelectObject(dc, pen);
    EndPaint(window, &paintInfo);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            paint(window);
            return 0;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
}  // namespace

extern "C" void WinMainCRTStartup() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    picture = LoadBitmapA(instance, MAKEINTRESOURCEA(BACKGROUND_RESOURCE_ID));
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = SAME_WORK_WINDOW_CLASS;
    const DWORD style = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    RECT frame = {0, 0, kPictureWidth, kPictureHeight + kBandHeight};
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = nullptr;
    if (picture != nullptr && RegisterClassA(&windowClass))
        window = CreateWindowExA(0, SAME_WORK_WINDOW_CLASS, "Same work", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                 frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                 nullptr);
    if (window == nullptr) ExitProcess(1);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    DeleteObject(picture);
    ExitProcess(0);
}
