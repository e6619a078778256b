#include "platform/text.h"

size_t textLength(const char* text) {
    size_t n = 0;
    while (text[n] != '\0') ++n;
    return n;
}

int textEqual(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b ? 1 : 0;
}

int textEndsWithSeparator(const char* text) {
    size_t n = textLength(text);
    return n > 0 && text[n - 1] == '\\' ? 1 : 0;
}

static void placeBytes(char* dst, const char* src, size_t n) {
    for (size_t i = 0; i < n; ++i) dst[i] = src[i];
}

int textCopy(char* dst, size_t cap, const char* src) {
    size_t n = textLength(src);
    if (cap == 0 || n >= cap) return -1;
    placeBytes(dst, src, n);
    dst[n] = '\0';
    return 0;
}

int textAppend(char* dst, size_t cap, const char* src) {
    size_t have = textLength(dst);
    size_t add = textLength(src);
    if (have + add >= cap) return -1;
    placeBytes(dst + have, src, add);
    dst[have + add] = '\0';
    return 0;
}

int textJoin(char* dst, size_t cap, const char* folder, const char* name) {
    size_t folderLength = textLength(folder);
    size_t separator = textEndsWithSeparator(folder) ? 0 : 1;
    size_t nameLength = textLength(name);
    if (folderLength + separator + nameLength >= cap) return -1;
    // The folder may be dst itself, so it is left where it is and only extended.
    if (folder != dst) placeBytes(dst, folder, folderLength);
    if (separator) dst[folderLength] = '\\';
    placeBytes(dst + folderLength + separator, name, nameLength);
    dst[folderLength + separator + nameLength] = '\0';
    return 0;
}
