// Painting of the main window and the graphics objects it draws with. Every
// drawing operation puts back the pen, brush and font it found selected.
//   createGraphics(ctx)              fonts, picture and its size, hand cursor
//   releaseGraphics(ctx)             deletes picture and fonts; again does nothing; 0
//   blitBitmap(dc, x, y, bitmap)     the whole bitmap at (x, y)
//   paintWindow(ctx, window, dc)     OS label, info band, button (the erase drew the picture)
//   drawButton(..., pressed)         the rounded button; stores buttonRect
//   drawBusyPanel(ctx, dc, phase)    black panel, "Installing" on phase 1, the status text
#pragma once
#include <windows.h>

#include "core/context.h"

void createGraphics(InstallerContext& context);
int releaseGraphics(InstallerContext& context);
void blitBitmap(HDC dc, int x, int y, HBITMAP bitmap);
void paintWindow(InstallerContext& context, HWND window, HDC dc);
void drawInfoBand(InstallerContext& context, HWND window, HDC dc);
void drawButton(InstallerContext& context, HWND window, HDC dc, int pressed);
void drawBusyPanel(InstallerContext& context, HDC dc, int phase);
