#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

namespace {

struct EditCase {
    const char* input;
    const char* expected;
    int result;  // 0 for the edits that return nothing
};

// Runs the edit on each input, placed in a buffer whose bytes after the text
// hold a guard, so any write past the terminating NUL shows up.
void expectEdits(int (*edit)(char*), std::initializer_list<EditCase> cases) {
    for (const EditCase& c : cases) {
        char buffer[64];
        std::memset(buffer, '#', sizeof buffer);
        const size_t length = std::strlen(c.input);
        std::memcpy(buffer, c.input, length + 1);
        EXPECT_EQ(c.result, edit(buffer)) << c.input;
        EXPECT_STREQ(c.expected, buffer) << c.input;
        for (size_t i = length + 1; i < sizeof buffer; ++i) {
            EXPECT_EQ('#', buffer[i]) << "write past the text of \"" << c.input << "\" at " << i;
        }
    }
}

TEST(RemoveLastComponent, CutsAtTheLastSeparator) {
    expectEdits([](char* p) { removeLastComponent(p); return 0; }, {
        {"C:\\dir\\Sonograf.exe", "C:\\dir", 0},
        {"C:\\Sonograf.exe", "C:", 0},
        {"C:\\dir\\", "C:\\dir", 0},
        {"Sonograf.exe", "Sonograf.exe", 0},
        {"", "", 0},
        {"\\Sonograf.exe", "", 0},
        {"\\\\server\\share", "\\\\server", 0},
        {"C:/dir/a.exe", "C:/dir/a.exe", 0},
    });
}

TEST(KeepFileName, MovesTheNameToTheStart) {
    expectEdits([](char* p) { keepFileName(p); return 0; }, {
        {"C:\\dir\\SonografSetup.exe", "SonografSetup.exe", 0},
        {"SonografSetup.exe", "SonografSetup.exe", 0},
        {"C:\\dir\\", "", 0},
        {"\\readme.txt", "readme.txt", 0},
        {"", "", 0},
        {"a\\b/c", "b/c", 0},
    });
}

TEST(CutToRoot, KeepsTheLeadingRootWithItsSeparator) {
    expectEdits(cutToRoot, {
        {"C:\\WINDOWS", "C:\\", 1},
        {"\\\\server\\share\\dir", "\\\\server\\", 1},
        {"\\dir\\sub", "\\dir\\", 1},
        {"\\a\\b", "\\a\\b", 0},
        {"WINDOWS", "WINDOWS", 0},
        {"dir\\sub", "dir\\", 1},
        {"", "", 0},
        {"C:", "C:", 0},
    });
}

TEST(CutToDriveRoot, KeepsOnlyDriveAndServerRoots) {
    expectEdits(cutToDriveRoot, {
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
    });
}

// The startup folder's fallbacks ("Startup", empty) must never count as a
// folder: a shortcut deleted there would be looked for in the current folder.
TEST(PathIsAbsolute, OnlyDriveAndNetworkPathsCount) {
    const struct {
        const char* path;
        int absolute;
    } cases[] = {{"C:\\Users\\Startup", 1}, {"\\\\server\\share", 1}, {"Startup", 0}, {"", 0},
                 {"C:", 0},                 {"C:Startup", 0},          {"\\Startup", 0}, {"C", 0},
                 {"C:/Users", 1},           {"//server/share", 1},     {"/Startup", 0},  {".", 0}};
    for (const auto& c : cases) EXPECT_EQ(pathIsAbsolute(c.path), c.absolute) << c.path;
}
}  // namespace
