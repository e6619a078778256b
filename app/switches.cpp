#include "app/switches.h"

int32_t hiddenMode = 0;
int32_t silentInstall = 0;
int32_t silentUninstall = 0;

void parseSwitches(const char* commandLine) {
    if (commandLine == nullptr || commandLine[0] == '\0' || commandLine[1] == '\0') return;
    const char* p = commandLine;
    for (;;) {
        while (*p != '\0' && *p != '-') ++p;
        if (*p == '\0') return;
        char c = *++p;
        if (c == '\0') return;
        if (c == 'h' || c == 'H') hiddenMode = 1;
        if (c == 'u' || c == 'U') silentUninstall = 1;
        if (c == 'i') silentInstall = 1;
        ++p;
    }
}

const char* skipProgramName(const char* commandLine) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p > ' ') ++p;
    }
    while (*p != '\0' && *p <= ' ') ++p;
    return reinterpret_cast<const char*>(p);
}
