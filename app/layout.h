// Where the window's parts go and what they say: the layout rectangles computed
// from the picture's size, the OS label table, the texts for both states and
// the click test. Portable, so that it is tested natively.
//   WindowLayout layout = computeLayout(900, 424);  layout.button -> 580, 444, 880, 504
//   osLabel(4) -> "O/S: WIN7"      windowTexts(1).button -> "Remove"
#pragma once
#include <cstddef>
#include <cstdint>

// left, top, right, bottom in client coordinates.
struct LayoutRect {
    int32_t left, top, right, bottom;
};

struct WindowLayout {
    LayoutRect osLabel, osShadow, band, line1, line2, button, installing, status;
};

// Texts that depend on whether the application is already installed.
struct WindowTexts {
    const char* button;
    const char* line1;
    const char* line2;
};

// Every drawn text fits a buffer of this size, terminator included.
const size_t DRAWN_TEXT_SIZE = 128;

WindowLayout computeLayout(int32_t pictureWidth, int32_t pictureHeight);
// The label for an OS version code; "O/S: unknown" for any code outside 0..8.
const char* osLabel(int32_t osVersionCode);
const WindowTexts& windowTexts(int32_t alreadyInstalled);
// 1 when (x, y) lies strictly inside: a point on an edge line is outside.
int insideStrictly(const LayoutRect& rect, int32_t x, int32_t y);
// Copies at most capacity - 1 characters of a text another thread may be
// rewriting; reads no further than that and always terminates. Returns the length.
size_t copyCaption(char* destination, size_t capacity, const volatile char* source);
