// Windows of a child process, found by class or by title: top-level windows
// and message-only ones (a window without a place on the desktop).
//   HWND w = windowByClass(process, "OVSonograf0Installer0MainWindow0");  0 if there is none
//   HWND app = awaitWindow(windowByTitle, process, "Sonograf");         0 if none comes
//   HWND box = awaitWindow(windowByClass, process, "#32770");  boxText(box) -> the message
#pragma once
#include <windows.h>

#include <string>

#include "support/wait.h"

// The first window of the process matching `windowClass` and `title` (null matches any), or 0.
inline HWND windowOf(HANDLE process, const char* windowClass, const char* title) {
    const DWORD processId = GetProcessId(process);
    for (HWND parent : {HWND(nullptr), HWND_MESSAGE}) {
        HWND window = nullptr;
        while ((window = FindWindowExA(parent, window, windowClass, title)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == processId) return window;
        }
    }
    return nullptr;
}

inline HWND windowByClass(HANDLE process, const char* windowClass) { return windowOf(process, windowClass, nullptr); }
inline HWND windowByTitle(HANDLE process, const char* title) { return windowOf(process, nullptr, title); }

inline HWND awaitWindow(HWND (*find)(HANDLE, const char*), HANDLE process, const char* name,
                        DWORD milliseconds = kPatienceMs) {
    HWND window = nullptr;
    waitUntil([&] { return (window = find(process, name)) != nullptr; }, milliseconds);
    return window;
}

inline std::string windowText(HWND window) {
    char text[2048] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The longest static text of a dialog: a message box's message.
inline std::string boxText(HWND box) {
    std::string longest;
    HWND child = nullptr;
    while ((child = FindWindowExA(box, child, "Static", nullptr)) != nullptr) {
        std::string text = windowText(child);
        if (text.size() > longest.size()) longest = text;
    }
    return longest;
}
