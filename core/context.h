// Ground floor: the installer context, the record of the run that the
// window, the procedures and the install worker share, zero-filled at start.
// (The switches, the special-folder table and the window's quit state are
// kept by their own files.) The window thread owns the window, graphics and
// layout fields; the install worker writes statusText, errorCaption,
// errorText and workerResult and clears busy last.
#pragma once
#include <windows.h>

#include <cstdint>

struct InstallerContext {
    HWND window;
    HINSTANCE instance;
    int32_t isWow64;  // meant for a step that must choose a registry or folder view; none does yet
    char selfFolder[1024];  // left empty: the uninstaller copy has a fixed name and the uninstall
    char selfPath[1024];    // compares no paths, so nothing needs the running installer's own path
    uint32_t timerId;
    int32_t osVersionCode;
    int32_t alreadyInstalled;
    char installFolder[1024];
    uint8_t packageHeader[312];
    RECT buttonRect;
    int32_t blinkCount;
    HBITMAP background;
    int32_t backgroundWidth;
    int32_t backgroundHeight;
    HCURSOR handCursor;
    HFONT boldFont;
    HFONT largeFont;
    HANDLE workerThread;
    uint32_t workerThreadId;  // meant for a debugger or a message to the worker; nothing reads it
    volatile int32_t busy;
    int32_t workerResult;
    char errorCaption[512];
    char errorText[2048];
    char statusText[1024];
};

extern InstallerContext installer;
