// Sonograf: one window titled "Sonograf" that shows the live spectrum of a
// generated signal. It ends on WM_DESTROY, which is also how a starting
// installer asks a running copy to go (it posts the message, never destroys).
#include <windows.h>

#include "payload/spectrum.h"

namespace {

const char WINDOW_CLASS[] = "OrvaneSonografSpectrum";
const char WINDOW_TITLE[] = "Sonograf";
const char HEADING[] = "Sonograf, The Spectrum Analyzer";
const UINT_PTR FRAME_TIMER = 1;
const UINT FRAME_MS = 120;
const int MARGIN = 44;

// Frequency ticks along the axis: label and frequency in Hz.
struct Tick {
    const char* label;
    int hertz;
};
const Tick TICKS[] = {{"0", 0}, {"1 kHz", 1000}, {"2 kHz", 2000}, {"3 kHz", 3000}, {"4 kHz", 4000}};
// Level grid lines, every 20 dB from the top of the plot down to its floor.
const char* const LEVEL_LABELS[] = {"0 dB", "-20", "-40", "-60", "-80"};
const int LEVEL_STEP_DB = 20;

float samples[SPECTRUM_SAMPLES];
float levels[SPECTRUM_BINS];
uint32_t frameStep;
uint32_t noiseState = 0x2545F491u;

void nextFrame() {
    generateSignal(samples, frameStep++, &noiseState);
    computeSpectrum(samples, levels);
}

void fillBox(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    RECT box = {left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &box, brush);
    DeleteObject(brush);
}

void drawText(HDC dc, int x, int y, const char* text, UINT align) {
    SetTextAlign(dc, align);
    TextOutA(dc, x, y, text, lstrlenA(text));
}

void paintSpectrum(HDC dc, int width, int height) {
    fillBox(dc, 0, 0, width, height, RGB(12, 16, 24));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(200, 210, 225));
    drawText(dc, MARGIN, 10, HEADING, TA_LEFT | TA_TOP);

    int plotLeft = MARGIN;
    int plotRight = width - MARGIN / 2;
    int plotTop = MARGIN;
    int plotBottom = height - MARGIN;
    if (plotRight - plotLeft < SPECTRUM_BINS || plotBottom - plotTop < 20) return;

    int line = 0;
    for (const char* label : LEVEL_LABELS) {
        int y = plotTop + (plotBottom - plotTop) * line++ * -LEVEL_STEP_DB / SPECTRUM_FLOOR_DB;
        fillBox(dc, plotLeft, y, plotRight, y + 1, RGB(40, 48, 64));
        drawText(dc, plotLeft - 4, y - 6, label, TA_RIGHT | TA_TOP);
    }

    int plotWidth = plotRight - plotLeft;
    for (int k = 0; k < SPECTRUM_BINS; ++k) {
        int left = plotLeft + plotWidth * k / SPECTRUM_BINS;
        int right = plotLeft + plotWidth * (k + 1) / SPECTRUM_BINS - 1;
        float share = (levels[k] - SPECTRUM_FLOOR_DB) / -SPECTRUM_FLOOR_DB;
        int top = plotBottom - static_cast<int>(share * static_cast<float>(plotBottom - plotTop));
        // Louder bins shade from green towards amber.
        int warm = static_cast<int>(share * 255.0f);
        fillBox(dc, left, top, right > left ? right : left + 1, plotBottom, RGB(warm, 200, 80));
    }

    fillBox(dc, plotLeft, plotBottom, plotRight, plotBottom + 1, RGB(160, 170, 190));
    for (const Tick& tick : TICKS) {
        int x = plotLeft + plotWidth * tick.hertz / (SPECTRUM_SAMPLE_RATE / 2);
        fillBox(dc, x, plotBottom, x + 1, plotBottom + 5, RGB(160, 170, 190));
        drawText(dc, x, plotBottom + 8, tick.label, TA_CENTER | TA_TOP);
    }
}

void paintWindow(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    // Drawn off screen first so the bars do not flicker at the frame rate.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    SelectObject(memory, GetStockObject(DEFAULT_GUI_FONT));
    paintSpectrum(memory, client.right, client.bottom);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(window, &ps);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        nextFrame();
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paintWindow(window);
        return 0;
    case WM_DESTROY:
        KillTimer(window, FRAME_TIMER);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.lpszClassName = WINDOW_CLASS;
    if (!RegisterClassA(&windowClass)) return 1;

    HWND window = CreateWindowA(WINDOW_CLASS, WINDOW_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 720,
                                420, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    nextFrame();
    SetTimer(window, FRAME_TIMER, FRAME_MS, nullptr);
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
