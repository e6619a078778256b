#include "platform/text.h"

#include <cstdarg>
#include <cstdint>

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

namespace {
struct Writer {
    char* dst;
    size_t cap;
    size_t length;
    int overflow;
    void put(char c) {
        if (length + 1 < cap) {
            dst[length++] = c;
        } else {
            overflow = 1;
        }
    }
};

void putUnsigned(Writer& out, uint32_t value, uint32_t base) {
    char digits[12];
    int count = 0;
    do {
        uint32_t digit = value % base;
        digits[count++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10);
        value /= base;
    } while (value != 0);
    while (count > 0) out.put(digits[--count]);
}
}  // namespace

int textFormat(char* dst, size_t cap, const char* format, ...) {
    if (cap == 0) return -1;
    Writer out{dst, cap, 0, 0};
    va_list args;
    va_start(args, format);
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%' || p[1] == '\0') {
            out.put(*p);
            continue;
        }
        ++p;
        switch (*p) {
            case 's': {
                const char* s = va_arg(args, const char*);
                for (; s != nullptr && *s != '\0'; ++s) out.put(*s);
                break;
            }
            case 'd': {
                int32_t v = va_arg(args, int32_t);
                uint32_t magnitude = static_cast<uint32_t>(v);
                if (v < 0) {
                    out.put('-');
                    magnitude = 0u - magnitude;
                }
                putUnsigned(out, magnitude, 10);
                break;
            }
            case 'u': putUnsigned(out, va_arg(args, uint32_t), 10); break;
            case 'x': putUnsigned(out, va_arg(args, uint32_t), 16); break;
            default: out.put(*p); break;
        }
    }
    va_end(args);
    dst[out.length] = '\0';
    return out.overflow ? -1 : 0;
}
