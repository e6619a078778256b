// Bounded text operations over fixed buffers.
// Every function takes the destination's capacity in bytes, never writes past
// it and leaves a NUL-terminated text. They return 0, or -1 when the result
// does not fit, and then leave the destination unchanged. Callers turn -1
// into their own failure instead of working on a silently cut path.
#pragma once
#include <cstddef>

size_t textLength(const char* text);
int textEqual(const char* a, const char* b);            // 1 when byte-for-byte equal
int textEndsWithSeparator(const char* text);            // 1 when the last character is '\'
int textCopy(char* dst, size_t cap, const char* src);
int textAppend(char* dst, size_t cap, const char* src);
// dst = folder, one '\' unless folder already ends with one, name.
int textJoin(char* dst, size_t cap, const char* folder, const char* name);
