// The window's layout rectangles, OS labels, click test and the bounded status
// caption copy. The texts of both states are checked as drawn, end to end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/layout.h"

namespace {
void expectRect(const LayoutRect& r, int32_t left, int32_t top, int32_t right, int32_t bottom, const char* what) {
    EXPECT_EQ((std::vector<int32_t>{r.left, r.top, r.right, r.bottom}), (std::vector<int32_t>{left, top, right, bottom}))
        << what;
}

TEST(Layout, RectanglesFollowThePictureSize) {
    const WindowLayout l = computeLayout(900, 424);
    expectRect(l.osLabel, 15, 95, 740, 424, "label");
    expectRect(l.osShadow, 16, 96, 740, 424, "shadow");
    expectRect(l.band, 0, 424, 901, 525, "band");
    expectRect(l.line1, 20, 454, 900, 524, "line 1");
    expectRect(l.line2, 20, 474, 900, 524, "line 2");
    expectRect(l.button, 580, 444, 880, 504, "button");
    expectRect(l.installing, 580, 444, 880, 489, "installing");
    expectRect(l.status, 580, 484, 880, 504, "status");
    const WindowLayout small = computeLayout(400, 100);
    expectRect(small.button, 80, 120, 380, 180, "button of a smaller picture");
    expectRect(small.osLabel, 15, 95, 240, 100, "label of a smaller picture");
}

TEST(Layout, OsLabelForEveryCodeAndUnknownOutside) {
    const char* const expected[] = {"O/S: < XP", "O/S: WIN XP", "O/S: Server 2003", "O/S: VISTA", "O/S: WIN7",
                                    "O/S: WIN8", "O/S: WIN8.1", "O/S: WIN10",       "O/S: > WIN10"};
    for (int32_t code = 0; code < 9; ++code) EXPECT_STREQ(osLabel(code), expected[code]) << code;
    for (int32_t code : {-1, 9, 100, INT32_MIN}) EXPECT_STREQ(osLabel(code), "O/S: unknown") << code;
}

TEST(Layout, ClickTestExcludesEveryEdgeLine) {
    const LayoutRect button = {580, 444, 880, 504};
    struct Case {
        int32_t x, y;
        int inside;
    } cases[] = {{581, 445, 1}, {879, 503, 1}, {730, 474, 1}, {580, 474, 0}, {880, 474, 0},
                 {730, 444, 0}, {730, 504, 0}, {579, 474, 0}, {730, 505, 0}};
    for (const Case& c : cases) EXPECT_EQ(insideStrictly(button, c.x, c.y), c.inside) << c.x << "," << c.y;
}

TEST(Layout, CaptionCopyIsBoundedAndTerminated) {
    char out[DRAWN_TEXT_SIZE];
    EXPECT_EQ(copyCaption(out, sizeof out, "Copy Files"), 10u);
    EXPECT_STREQ(out, "Copy Files");
    // A 1024-byte status text without any terminator, as a text being rewritten may look.
    char status[1024];
    for (char& c : status) c = 'x';
    out[sizeof out - 1] = '?';
    EXPECT_EQ(copyCaption(out, sizeof out, status), DRAWN_TEXT_SIZE - 1);
    EXPECT_EQ(std::string(out), std::string(DRAWN_TEXT_SIZE - 1, 'x'));
    EXPECT_EQ(copyCaption(out, 1, "abc"), 0u);
    EXPECT_STREQ(out, "");
}
}  // namespace
