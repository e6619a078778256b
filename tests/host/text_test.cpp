#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A destination of `cap` usable bytes followed by guard bytes that no helper
// may touch.
struct Guarded {
    static const size_t kGuard = 16;
    char bytes[64 + kGuard];
    size_t cap;
    explicit Guarded(size_t capacity, const char* initial = "") : cap(capacity) {
        std::memset(bytes, '#', sizeof bytes);
        std::strcpy(bytes, initial);
    }
    char* text() { return bytes; }
    bool guardIntact() const {
        for (size_t i = cap; i < sizeof bytes; ++i) {
            if (bytes[i] != '#') return false;
        }
        return true;
    }
};

TEST(TextCopy, FitsOrLeavesTheDestinationUnchanged) {
    struct Case {
        size_t cap;
        const char* initial;
        const char* src;
        int result;
        const char* expected;
    } const cases[] = {
        {8, "old", "1234567", 0, "1234567"},  // exactly fills the buffer with its NUL
        {8, "old", "12345678", -1, "old"},    // one byte too long
        {8, "old", "", 0, ""},
        {1, "", "", 0, ""},
        {1, "", "a", -1, ""},
    };
    for (const Case& c : cases) {
        Guarded dst(c.cap, c.initial);
        EXPECT_EQ(c.result, textCopy(dst.text(), c.cap, c.src)) << c.src;
        EXPECT_STREQ(c.expected, dst.text()) << c.src;
        EXPECT_TRUE(dst.guardIntact()) << c.src;
    }
}

TEST(TextCopy, ZeroCapacityIsRefusedWithoutWriting) {
    Guarded dst(0);
    dst.bytes[0] = '#';
    EXPECT_EQ(-1, textCopy(dst.text(), 0, ""));
    EXPECT_TRUE(dst.guardIntact());
}

TEST(TextAppend, ReportsOverflowAndKeepsTheText) {
    struct Case {
        size_t cap;
        const char* initial;
        const char* add;
        int result;
        const char* expected;
    } const cases[] = {
        {8, "abc", "defg", 0, "abcdefg"},
        {8, "abc", "defgh", -1, "abc"},
        {8, "abcdefg", "", 0, "abcdefg"},
        {8, "abcdefg", "h", -1, "abcdefg"},
        {8, "", "", 0, ""},
    };
    for (const Case& c : cases) {
        Guarded dst(c.cap, c.initial);
        EXPECT_EQ(c.result, textAppend(dst.text(), c.cap, c.add)) << c.initial << "+" << c.add;
        EXPECT_STREQ(c.expected, dst.text());
        EXPECT_TRUE(dst.guardIntact());
    }
}

TEST(TextJoin, PutsExactlyOneSeparatorBetweenFolderAndName) {
    struct Case {
        size_t cap;
        const char* folder;
        const char* name;
        int result;
        const char* expected;
    } const cases[] = {
        {64, "C:\\Program Files", "OV\\Sonograf", 0, "C:\\Program Files\\OV\\Sonograf"},
        {64, "D:\\", "OV\\Sonograf", 0, "D:\\OV\\Sonograf"},
        {64, "C:", "x", 0, "C:\\x"},
        {64, "", "name", 0, "\\name"},
        {64, "dir", "", 0, "dir\\"},
        {6, "ab", "cd", 0, "ab\\cd"},   // 5 characters and the NUL
        {5, "ab", "cd", -1, "old"},     // the separator no longer fits
        {5, "ab\\", "c", 0, "ab\\c"},   // no separator added, so it fits
        {5, "ab\\", "cd", -1, "old"},
    };
    for (const Case& c : cases) {
        Guarded dst(c.cap, "old");
        EXPECT_EQ(c.result, textJoin(dst.text(), c.cap, c.folder, c.name)) << c.folder << "|" << c.name;
        EXPECT_STREQ(c.expected, dst.text());
        EXPECT_TRUE(dst.guardIntact());
    }
}

TEST(TextJoin, ExtendsAFolderHeldInTheDestinationItself) {
    struct Case {
        size_t cap;
        const char* folder;
        int result;
        const char* expected;
    } const cases[] = {
        {32, "C:\\Program Files", 0, "C:\\Program Files\\OV"},
        {32, "D:\\", 0, "D:\\OV"},
        {8, "C:\\abcd", -1, "C:\\abcd"},
    };
    for (const Case& c : cases) {
        Guarded dst(c.cap, c.folder);
        EXPECT_EQ(c.result, textJoin(dst.text(), c.cap, dst.text(), "OV"));
        EXPECT_STREQ(c.expected, dst.text());
        EXPECT_TRUE(dst.guardIntact());
    }
}

}  // namespace
