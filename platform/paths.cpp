#include "platform/paths.h"

#include <cstddef>

static char* lastSeparator(char* path) {
    char* last = nullptr;
    for (char* p = path; *p != '\0'; ++p) {
        if (*p == '\\') last = p;
    }
    return last;
}

void removeLastComponent(char* path) {
    char* separator = lastSeparator(path);
    if (separator != nullptr) *separator = '\0';
}

void keepFileName(char* path) {
    char* separator = lastSeparator(path);
    if (separator == nullptr) return;
    char* from = separator + 1;
    char* to = path;
    while (*from != '\0') *to++ = *from++;
    *to = '\0';
}

// A text that starts with '\' is rooted: its separators at positions 0 to 2
// belong to the root ("\\server" or "\dir"), so only a later one ends it.
int cutToRoot(char* path) {
    int rooted = path[0] == '\\';
    for (size_t i = 0; path[i] != '\0'; ++i) {
        if (path[i] == '\\' && (!rooted || i > 2)) {
            path[i + 1] = '\0';
            return 1;
        }
    }
    return 0;
}

// Like cutToRoot, but the root is kept only when it names a drive (a ':'
// before the cut) or a server (a leading double separator).
int cutToDriveRoot(char* path) {
    if (path[0] == '\0') return 0;
    int rooted = path[0] == '\\';
    int rootFound = 0;
    size_t cut = 0;
    while (path[cut] != '\0') {
        char c = path[cut++];
        if (c == ':') rootFound = 1;
        if (c != '\\') continue;
        size_t position = cut - 1;
        if (rooted && position == 1) rootFound = 1;
        if (!rooted || position > 2) break;
    }
    if (!rootFound) {
        path[0] = '\0';
        return 0;
    }
    path[cut] = '\0';
    return 1;
}

// Windows takes '/' for a separator too: "C:/dir" is as absolute as "C:\dir".
static int isSeparator(char c) { return c == '\\' || c == '/'; }

// A drive and a separator ("C:\"), or two separators for a server.
int pathIsAbsolute(const char* path) {
    if (path[0] != '\0' && path[1] == ':') return isSeparator(path[2]);
    return isSeparator(path[0]) && isSeparator(path[1]);
}
