#include "app/paint.h"

#include "app/layout.h"
#include "core/bytes.h"
#include "core/resource_ids.h"

namespace {
const COLORREF labelGrey = RGB(150, 150, 150);
const COLORREF secondLineGrey = RGB(100, 100, 100);
const COLORREF black = RGB(0, 0, 0);
const COLORREF white = RGB(255, 255, 255);
const UINT centred = DT_SINGLELINE | DT_VCENTER | DT_CENTER;

HFONT createArial(LONG height, LONG weight) {
    LOGFONTA font;
    zeroBytes(&font, sizeof font);
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfCharSet = ANSI_CHARSET;
    copyBytes(font.lfFaceName, "Arial", sizeof "Arial");
    return CreateFontIndirectA(&font);
}

// The pen, brush and font a drawing found, put back by restore().
struct Tools {
    HDC dc;
    HGDIOBJ pen, brush, font;
    Tools(HDC target, HGDIOBJ newPen, HGDIOBJ newBrush, HGDIOBJ newFont)
        : dc(target), pen(SelectObject(dc, newPen)), brush(SelectObject(dc, newBrush)),
          font(SelectObject(dc, newFont)) {
        SetBkMode(dc, TRANSPARENT);
    }
    void restore() const {
        SelectObject(dc, font);
        SelectObject(dc, brush);
        SelectObject(dc, pen);
    }
};

void drawText(HDC dc, const char* text, const LayoutRect& where, COLORREF colour, UINT format) {
    RECT rect = {where.left, where.top, where.right, where.bottom};
    SetTextColor(dc, colour);
    DrawTextA(dc, text, -1, &rect, format);
}

// The button's rounded outline, one pixel wider and higher so that the right
// and bottom edges are drawn on buttonRect's right and bottom lines.
void drawPanel(InstallerContext& context, HDC dc, const LayoutRect& r) {
    context.buttonRect = {r.left, r.top, r.right, r.bottom};
    RoundRect(dc, r.left, r.top, r.right + 1, r.bottom + 1, 8, 8);
}
}  // namespace

void createGraphics(InstallerContext& context) {
    context.boldFont = createArial(16, 800);
    context.largeFont = createArial(40, 400);
    context.background = LoadBitmapA(context.instance, MAKEINTRESOURCEA(BACKGROUND_RESOURCE_ID));
    BITMAP picture;
    zeroBytes(&picture, sizeof picture);
    if (context.background != nullptr) GetObjectA(context.background, sizeof picture, &picture);
    context.backgroundWidth = picture.bmWidth;
    context.backgroundHeight = picture.bmHeight;
    context.handCursor = LoadCursorA(nullptr, IDC_HAND);
}

int releaseGraphics(InstallerContext& context) {
    HGDIOBJ* objects[] = {reinterpret_cast<HGDIOBJ*>(&context.background),
                          reinterpret_cast<HGDIOBJ*>(&context.boldFont),
                          reinterpret_cast<HGDIOBJ*>(&context.largeFont)};
    for (HGDIOBJ* object : objects) {
        if (*object != nullptr) DeleteObject(*object);
        *object = nullptr;
    }
    return 0;
}

void blitBitmap(HDC dc, int x, int y, HBITMAP bitmap) {
    HDC memory = CreateCompatibleDC(dc);
    if (memory == nullptr) return;
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BITMAP size;
    zeroBytes(&size, sizeof size);
    GetObjectA(bitmap, sizeof size, &size);
    BitBlt(dc, x, y, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

void paintWindow(InstallerContext& context, HWND window, HDC dc) {
    const WindowLayout layout = computeLayout(context.backgroundWidth, context.backgroundHeight);
    HGDIOBJ font = SelectObject(dc, context.boldFont);
    SetBkMode(dc, TRANSPARENT);
    const char* label = osLabel(context.osVersionCode);
    drawText(dc, label, layout.osShadow, black, DT_SINGLELINE);
    drawText(dc, label, layout.osLabel, labelGrey, DT_SINGLELINE);
    SelectObject(dc, font);
    drawInfoBand(context, window, dc);
    drawButton(context, window, dc, 0);
}

void drawInfoBand(InstallerContext& context, HWND, HDC dc) {
    const WindowLayout layout = computeLayout(context.backgroundWidth, context.backgroundHeight);
    const WindowTexts& texts = windowTexts(context.alreadyInstalled);
    Tools tools(dc, GetStockObject(NULL_PEN), GetStockObject(WHITE_BRUSH), context.boldFont);
    const LayoutRect& band = layout.band;
    Rectangle(dc, band.left, band.top, band.right, band.bottom);
    drawText(dc, texts.line1, layout.line1, black, DT_SINGLELINE);
    drawText(dc, texts.line2, layout.line2, secondLineGrey, DT_SINGLELINE);
    tools.restore();
}

void drawButton(InstallerContext& context, HWND, HDC dc, int pressed) {
    const WindowLayout layout = computeLayout(context.backgroundWidth, context.backgroundHeight);
    Tools tools(dc, GetStockObject(BLACK_PEN), GetStockObject(pressed ? BLACK_BRUSH : WHITE_BRUSH),
                context.largeFont);
    drawPanel(context, dc, layout.button);
    drawText(dc, windowTexts(context.alreadyInstalled).button, layout.button, pressed ? white : black, centred);
    tools.restore();
}

void drawBusyPanel(InstallerContext& context, HDC dc, int phase) {
    const WindowLayout layout = computeLayout(context.backgroundWidth, context.backgroundHeight);
    Tools tools(dc, GetStockObject(BLACK_PEN), GetStockObject(BLACK_BRUSH), context.largeFont);
    drawPanel(context, dc, layout.button);
    if (phase == 1) drawText(dc, "Installing", layout.installing, white, centred);
    SelectObject(dc, context.boldFont);
    char status[DRAWN_TEXT_SIZE];
    copyCaption(status, sizeof status, context.statusText);
    drawText(dc, status, layout.status, white, DT_SINGLELINE | DT_CENTER);
    tools.restore();
}
