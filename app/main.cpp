// Process entry of the installer.
#include <windows.h>

#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    hardenDllSearch();
    return runInstaller(instance, commandLine);
}
