// Shortcut files written through Wine's shell-link object and read back through it.
#include "setup/shortcuts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "support/bytes.h"
#include "support/link_reader.h"
#include "support/temp_folder.h"

namespace {

// Each test gets an install folder holding both targets and an empty shortcut folder.
class Shortcuts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_TRUE(CreateDirectoryA(install.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(menu.c_str(), nullptr));
        ASSERT_TRUE(writeFile(install + "\\readme.txt", "readme") && writeFile(install + "\\Sonograf.exe", "MZ"));
    }
    void TearDown() override { CoUninitialize(); }
    // A shortcut in the menu folder to a file in the install folder.
    HRESULT create(const char* file, const char* name) {
        return createShortcut((install + "\\" + file).c_str(), menu.c_str(), name);
    }

    TempFolder temp;
    const std::string install = temp.file("OV Sonograf");
    const std::string menu = temp.file("Start Menu");
};

TEST_F(Shortcuts, CreatedLinkReadsBackWithItsFields) {
    struct Case {
        const char* what;
        std::string folder;
        const char* name;
        std::string target;
        const char* arguments;
    };
    const Case cases[] = {
        {"folder without separator", menu, "Readme", install + "\\readme.txt", ""},
        {"folder with separator", menu + "\\", "Sonograf", install + "\\Sonograf.exe", ""},
        {"with arguments", menu, "Tool", install + "\\Sonograf.exe", "-x 1"},
        {"a link made again", menu, "Readme", install + "\\Sonograf.exe", ""},
        {"over a file that is no link", menu, "Other", install + "\\readme.txt", ""},
    };
    ASSERT_TRUE(writeFile(menu + "\\Other.LNK", "not a link"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(createShortcut(c.target.c_str(), c.folder.c_str(), c.name, c.arguments), S_OK);
        LinkFields link = readLink(menu + "\\" + c.name + ".LNK");
        ASSERT_EQ(link.loaded, S_OK);
        EXPECT_EQ(link.target, c.target);
        EXPECT_EQ(link.description, c.name);
        EXPECT_EQ(link.arguments, c.arguments);
        EXPECT_EQ(link.workingFolder, install);
    }
    // Exactly one file per shortcut, named with the upper-case extension.
    std::vector<std::string> names = namesIn(menu);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Other.LNK", "Readme.LNK", "Sonograf.LNK", "Tool.LNK"}));
}

// Windows collapses a doubled '\\' when it opens a path, so the composed text is checked itself.
TEST(ShortcutPath, JoinsWithExactlyOneSeparator) {
    const struct {
        const char* folder;
        const char* path;
    } cases[] = {{"C:\\Menu", "C:\\Menu\\Readme.LNK"}, {"C:\\Menu\\", "C:\\Menu\\Readme.LNK"}};
    for (const auto& c : cases) {
        char path[kShortcutPathSize];
        ASSERT_EQ(composeShortcutPath(path, c.folder, "Readme"), 0) << c.folder;
        EXPECT_STREQ(path, c.path);
    }
}

// Neither a thread without COM nor a name too long for any path writes a file.
TEST_F(Shortcuts, CreatingWithoutComOrWithAnOverlongNameFailsAndWritesNothing) {
    // A fresh thread has not initialised COM; the test's own thread is single-threaded,
    // so there is no process-wide multithreaded apartment to fall back on either.
    HRESULT result = S_OK;
    std::thread worker([&] { result = create("readme.txt", "Readme"); });
    worker.join();
    EXPECT_EQ(result, CO_E_NOTINITIALIZED);
    const std::string name(2048, 'n');
    EXPECT_TRUE(FAILED(create("readme.txt", name.c_str())));
    EXPECT_TRUE(namesIn(menu).empty());
}

}  // namespace
