#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct EditCase {
    const char* input;
    const char* expected;
    int result;  // ignored for the edits that return nothing
};

// Runs an edit on a copy of the input placed in a buffer whose bytes after the
// text hold a guard, so any write past the terminating NUL shows up.
template <typename Edit>
std::string runEdit(const char* input, Edit edit, int* result) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    size_t length = std::strlen(input);
    std::memcpy(buffer, input, length + 1);
    *result = edit(buffer);
    for (size_t i = length + 1; i < sizeof buffer; ++i) {
        EXPECT_EQ('#', buffer[i]) << "write past the text of \"" << input << "\" at " << i;
    }
    return buffer;
}

TEST(RemoveLastComponent, CutsAtTheLastSeparator) {
    const EditCase cases[] = {
        {"C:\\dir\\Sonograf.exe", "C:\\dir", 0},
        {"C:\\Sonograf.exe", "C:", 0},
        {"C:\\dir\\", "C:\\dir", 0},
        {"Sonograf.exe", "Sonograf.exe", 0},
        {"", "", 0},
        {"\\Sonograf.exe", "", 0},
        {"\\\\server\\share", "\\\\server", 0},
        {"C:/dir/a.exe", "C:/dir/a.exe", 0},
    };
    for (const EditCase& c : cases) {
        int unused = 0;
        EXPECT_EQ(c.expected, runEdit(c.input, [](char* p) { removeLastComponent(p); return 0; }, &unused))
            << c.input;
    }
}

TEST(KeepFileName, MovesTheNameToTheStart) {
    const EditCase cases[] = {
        {"C:\\dir\\SonografSetup.exe", "SonografSetup.exe", 0},
        {"SonografSetup.exe", "SonografSetup.exe", 0},
        {"C:\\dir\\", "", 0},
        {"\\readme.txt", "readme.txt", 0},
        {"", "", 0},
        {"a\\b/c", "b/c", 0},
    };
    for (const EditCase& c : cases) {
        int unused = 0;
        EXPECT_EQ(c.expected, runEdit(c.input, [](char* p) { keepFileName(p); return 0; }, &unused)) << c.input;
    }
}

TEST(CutToRoot, KeepsTheLeadingRootWithItsSeparator) {
    const EditCase cases[] = {
        {"C:\\WINDOWS", "C:\\", 1},
        {"\\\\server\\share\\dir", "\\\\server\\", 1},
        {"\\dir\\sub", "\\dir\\", 1},
        {"\\a\\b", "\\a\\b", 0},
        {"WINDOWS", "WINDOWS", 0},
        {"dir\\sub", "dir\\", 1},
        {"", "", 0},
        {"C:", "C:", 0},
    };
    for (const EditCase& c : cases) {
        int result = -1;
        EXPECT_EQ(c.expected, runEdit(c.input, cutToRoot, &result)) << c.input;
        EXPECT_EQ(c.result, result) << c.input;
    }
}

TEST(CutToDriveRoot, KeepsOnlyDriveAndServerRoots) {
    const EditCase cases[] = {
        {"C:\\WINDOWS", "C:\\", 1},
        {"C:", "C:", 1},
        {"C:dir\\sub", "C:dir\\", 1},
        {"\\\\server\\share\\dir", "\\\\server\\", 1},
        {"\\\\server", "\\\\server", 1},
        {"\\dir\\sub", "", 0},
        {"dir\\sub", "", 0},
        {"WINDOWS", "", 0},
        {"", "", 0},
        {"C:\\", "C:\\", 1},
        {"dir\\C:", "", 0},  // a colon after the cut is never looked at
    };
    for (const EditCase& c : cases) {
        int result = -1;
        EXPECT_EQ(c.expected, runEdit(c.input, cutToDriveRoot, &result)) << c.input;
        EXPECT_EQ(c.result, result) << c.input;
    }
}

}  // namespace

namespace {
// The startup folder's fallbacks ("Startup", empty) must never count as a
// folder: a shortcut deleted there would be looked for in the current folder.
TEST(PathIsAbsolute, OnlyDriveAndNetworkPathsCount) {
    const struct {
        const char* path;
        int absolute;
    } cases[] = {{"C:\\Users\\Startup", 1}, {"\\\\server\\share", 1}, {"Startup", 0}, {"", 0},
                 {"C:", 0},                 {"C:Startup", 0},          {"\\Startup", 0}, {"C", 0}};
    for (const auto& c : cases) EXPECT_EQ(pathIsAbsolute(c.path), c.absolute) << c.path;
}
}  // namespace
