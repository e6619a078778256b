#include "app/layout.h"

#include "core/product.h"

namespace {
const char* const osLabels[] = {"O/S: < XP", "O/S: WIN XP", "O/S: Server 2003", "O/S: VISTA", "O/S: WIN7",
                                "O/S: WIN8", "O/S: WIN8.1", "O/S: WIN10",    "O/S: > WIN10"};
const int32_t osLabelCount = sizeof osLabels / sizeof osLabels[0];

const WindowTexts texts[2] = {
    {"Install", "Ready to install ? Click the button right there...",
     "it will install Orvane " PRODUCT_NAME " on your system..."},
    {"Remove", PRODUCT_NAME " is already installed...",
     "previous version has to be removed before installing new one..."},
};
}  // namespace

WindowLayout computeLayout(int32_t w, int32_t h) {
    WindowLayout layout;
    layout.osLabel = {15, 95, w - 160, h};
    layout.osShadow = {16, 96, w - 160, h};
    layout.band = {0, h, w + 1, h + 101};
    layout.line1 = {20, h + 30, w, h + 100};
    layout.line2 = {20, h + 50, w, h + 100};
    layout.button = {w - 320, h + 20, w - 20, h + 80};
    layout.installing = {w - 320, h + 20, w - 20, h + 65};
    layout.status = {w - 320, h + 60, w - 20, h + 80};
    return layout;
}

const char* osLabel(int32_t code) {
    return code >= 0 && code < osLabelCount ? osLabels[code] : "O/S: unknown";
}

const WindowTexts& windowTexts(int32_t alreadyInstalled) { return texts[alreadyInstalled ? 1 : 0]; }

int insideStrictly(const LayoutRect& r, int32_t x, int32_t y) {
    return r.left < x && r.top < y && x < r.right && y < r.bottom;
}

size_t copyCaption(char* destination, size_t capacity, const volatile char* source) {
    if (capacity == 0) return 0;
    size_t length = 0;
    for (char c; length + 1 < capacity && (c = source[length]) != '\0'; ++length) destination[length] = c;
    destination[length] = '\0';
    return length;
}
