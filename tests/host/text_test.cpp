#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

enum Edit { kCopy, kAppend, kJoin, kJoinOntoItself };

// Each edit writes into a destination of `cap` usable bytes that starts as
// `initial` and is followed by guard bytes no edit may touch. The copy and
// append take `a`; the join joins folder `a` and name `b`, or, onto itself,
// the destination's own text and `b`.
TEST(TextEdits, FitOrLeaveTheDestinationAsItWasWithinItsCapacity) {
    const struct {
        Edit edit;
        size_t cap;
        const char* initial;
        const char* a;
        const char* b;
        int result;
        const char* expected;
    } cases[] = {
        {kCopy, 8, "old", "1234567", "", 0, "1234567"},  // exactly fills the buffer with its NUL
        {kCopy, 8, "old", "12345678", "", -1, "old"},    // one byte too long
        {kCopy, 8, "old", "", "", 0, ""},
        {kCopy, 1, "", "", "", 0, ""},
        {kCopy, 1, "", "a", "", -1, ""},
        {kCopy, 0, "", "", "", -1, nullptr},  // no room even for the NUL: not one byte written
        {kAppend, 8, "abc", "defg", "", 0, "abcdefg"},
        {kAppend, 8, "abc", "defgh", "", -1, "abc"},
        {kAppend, 8, "abcdefg", "", "", 0, "abcdefg"},
        {kAppend, 8, "abcdefg", "h", "", -1, "abcdefg"},
        {kAppend, 8, "", "", "", 0, ""},
        {kJoin, 64, "old", "C:\\Program Files", "OV\\Sonograf", 0, "C:\\Program Files\\OV\\Sonograf"},
        {kJoin, 64, "old", "D:\\", "OV\\Sonograf", 0, "D:\\OV\\Sonograf"},
        {kJoin, 64, "old", "C:", "x", 0, "C:\\x"},
        {kJoin, 64, "old", "", "name", 0, "\\name"},
        {kJoin, 64, "old", "dir", "", 0, "dir\\"},
        {kJoin, 6, "old", "ab", "cd", 0, "ab\\cd"},  // 5 characters and the NUL
        {kJoin, 5, "old", "ab", "cd", -1, "old"},    // the separator no longer fits
        {kJoin, 5, "old", "ab\\", "c", 0, "ab\\c"},  // no separator added, so it fits
        {kJoin, 5, "old", "ab\\", "cd", -1, "old"},
        {kJoinOntoItself, 32, "C:\\Program Files", nullptr, "OV", 0, "C:\\Program Files\\OV"},
        {kJoinOntoItself, 32, "D:\\", nullptr, "OV", 0, "D:\\OV"},
        {kJoinOntoItself, 8, "C:\\abcd", nullptr, "OV", -1, "C:\\abcd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "edit " << c.edit << " cap " << c.cap << " of \"" << c.initial
                                          << "\" with \"" << (c.a ? c.a : "") << "\" \"" << c.b << "\"");
        char bytes[64 + 16];
        std::memset(bytes, '#', sizeof bytes);
        if (c.cap > 0) std::strcpy(bytes, c.initial);
        const int result = c.edit == kCopy     ? textCopy(bytes, c.cap, c.a)
                           : c.edit == kAppend ? textAppend(bytes, c.cap, c.a)
                                               : textJoin(bytes, c.cap, c.edit == kJoin ? c.a : bytes, c.b);
        EXPECT_EQ(c.result, result);
        if (c.expected) EXPECT_STREQ(c.expected, bytes);
        EXPECT_EQ(std::string(sizeof bytes - c.cap, '#'), std::string(bytes + c.cap, sizeof bytes - c.cap))
            << "written past the capacity";
    }
}

}  // namespace
