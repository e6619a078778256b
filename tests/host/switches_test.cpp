#include <gtest/gtest.h>

#include <vector>

#include "app/switches.h"

namespace {
std::vector<int> switchesSet() { return {hiddenMode, silentInstall, silentUninstall}; }

TEST(SwitchParsing, SetsExactlyTheSwitchesNamedRightAfterEachDash) {
    const struct {
        const char* commandLine;
        std::vector<int> set;  // hidden, install, uninstall
    } cases[] = {{"", {0, 0, 0}},         {"-", {0, 0, 0}},     {"h", {0, 0, 0}},
                 {"-h", {1, 0, 0}},       {"-H", {1, 0, 0}},    {"-i", {0, 1, 0}},
                 {"-I", {0, 0, 0}},       {"-u", {0, 0, 1}},    {"-U", {0, 0, 1}},
                 {"-hu", {1, 0, 0}},      {"-h -u", {1, 0, 1}}, {"-h-i", {1, 1, 0}},
                 {"--i", {0, 0, 0}},      {"-h -", {1, 0, 0}},  {"a-h", {1, 0, 0}},
                 {"-x -i -U", {0, 1, 1}}, {"/h /i", {0, 0, 0}}, {"C:\\dir-install\\x -hide", {1, 1, 0}}};
    for (const auto& c : cases) {
        hiddenMode = silentInstall = silentUninstall = 0;
        parseSwitches(c.commandLine);
        EXPECT_EQ(c.set, switchesSet()) << c.commandLine;
    }
}

TEST(SwitchParsingOnce, NullCommandLineSetsNothingAndLaterCallsNeverClearASwitch) {
    hiddenMode = silentInstall = silentUninstall = 0;
    parseSwitches(nullptr);
    EXPECT_EQ((std::vector<int>{0, 0, 0}), switchesSet());
    parseSwitches("-h -i");
    parseSwitches("-u");
    parseSwitches(nullptr);
    EXPECT_EQ((std::vector<int>{1, 1, 1}), switchesSet());
}
// A dash in the installer's own path must not count as a switch.
TEST(SkipProgramName, LeavesWhatWinMainWouldReceive) {
    const struct {
        const char* commandLine;
        const char* arguments;
    } cases[] = {{"\"C:\\my-installs\\Setup.exe\" -h -i", "-h -i"},
                 {"C:\\x-i\\Setup.exe  \t-u", "-u"},
                 {"\"C:\\a b\\Setup.exe\"-h", "-h"},
                 {"Setup.exe", ""},
                 {"\"unclosed -i", ""},
                 {"", ""}};
    for (const auto& c : cases) EXPECT_STREQ(skipProgramName(c.commandLine), c.arguments) << c.commandLine;
}
}  // namespace
