// A signed installer (SONOGRAF_SETUP here is the copy that the signing test
// signed with a throwaway certificate) installs and uninstalls silently, and the uninstaller
// it leaves behind is the signed file itself, signature and all.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/installed.h"
#include "support/process.h"

namespace {

TEST(SignedInstaller, InstallsItsSignedSelfUnchangedAndUninstallsSilently) {
    const std::string setup = installerPath();
    const std::vector<uint8_t> signedBytes = readFile(setup);
    ASSERT_FALSE(signedBytes.empty()) << "no signed installer at \"" << setup << "\"";
    const std::string copy = installedPaths().installFolder + "\\SonografSetup.exe";

    EXPECT_EQ(runProgram(setup, "-h -i", 120000), 0u);
    EXPECT_TRUE(readFile(copy) == signedBytes) << copy << " is not the signed installer byte for byte";
    EXPECT_EQ(runProgram(setup, "-h -u", 120000), 0u);
    EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES) << copy << " is left behind";
}

}  // namespace
