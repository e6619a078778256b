// Windows of a child process: the installer's main window and its message boxes.
//   HWND w = waitForWindow(process, "OVSonograf0Installer0MainWindow0", 30000);
//   HWND box = waitForWindow(process, "#32770", 30000);  boxText(box) -> the message
#pragma once
#include <windows.h>

#include <string>

// The first top-level window of `windowClass` owned by the process, or 0;
// with HWND_MESSAGE as `parent`, the first message-only one.
inline HWND windowOf(HANDLE process, const char* windowClass, HWND parent = nullptr) {
    const DWORD processId = GetProcessId(process);
    HWND window = nullptr;
    while ((window = FindWindowExA(parent, window, windowClass, nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) return window;
    }
    return nullptr;
}

inline HWND waitForWindow(HANDLE process, const char* windowClass, DWORD milliseconds) {
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        HWND window = windowOf(process, windowClass);
        if (window != nullptr) return window;
        Sleep(50);
    }
    return nullptr;
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
