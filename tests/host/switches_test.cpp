#include <gtest/gtest.h>

#include "app/switches.h"

namespace {
struct SwitchCase {
    const char* commandLine;
    int hidden, install, uninstall;
};

class SwitchParsing : public ::testing::TestWithParam<SwitchCase> {
protected:
    void SetUp() override { hiddenMode = silentInstall = silentUninstall = 0; }
};

TEST_P(SwitchParsing, SetsExactlyTheSwitchesNamedRightAfterEachDash) {
    const SwitchCase& c = GetParam();
    parseSwitches(c.commandLine);
    EXPECT_EQ(hiddenMode, c.hidden) << c.commandLine;
    EXPECT_EQ(silentInstall, c.install) << c.commandLine;
    EXPECT_EQ(silentUninstall, c.uninstall) << c.commandLine;
}

INSTANTIATE_TEST_SUITE_P(Table, SwitchParsing,
                         ::testing::Values(SwitchCase{"", 0, 0, 0}, SwitchCase{"-", 0, 0, 0},
                                           SwitchCase{"h", 0, 0, 0}, SwitchCase{"-h", 1, 0, 0},
                                           SwitchCase{"-H", 1, 0, 0}, SwitchCase{"-i", 0, 1, 0},
                                           SwitchCase{"-I", 0, 0, 0}, SwitchCase{"-u", 0, 0, 1},
                                           SwitchCase{"-U", 0, 0, 1}, SwitchCase{"-hu", 1, 0, 0},
                                           SwitchCase{"-h -u", 1, 0, 1}, SwitchCase{"-h-i", 1, 1, 0},
                                           SwitchCase{"--i", 0, 0, 0}, SwitchCase{"-h -", 1, 0, 0},
                                           SwitchCase{"a-h", 1, 0, 0}, SwitchCase{"-x -i -U", 0, 1, 1},
                                           SwitchCase{"/h /i", 0, 0, 0},
                                           SwitchCase{"C:\\dir-install\\x -hide", 1, 1, 0}));

TEST(SwitchParsingOnce, NullCommandLineSetsNothingAndLaterCallsNeverClearASwitch) {
    hiddenMode = silentInstall = silentUninstall = 0;
    parseSwitches(nullptr);
    EXPECT_EQ(hiddenMode + silentInstall + silentUninstall, 0);
    parseSwitches("-h -i");
    parseSwitches("-u");
    parseSwitches(nullptr);
    EXPECT_EQ(hiddenMode, 1);
    EXPECT_EQ(silentInstall, 1);
    EXPECT_EQ(silentUninstall, 1);
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
