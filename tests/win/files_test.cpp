#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/folder_link.h"
#include "support/temp_folder.h"

namespace {

bool isFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void makeFile(const std::string& path, const std::string& content = "x") {
    ASSERT_TRUE(writeFile(path, content)) << path;
}

void makeFolder(const std::string& path) {
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
}

void makeReadOnlyFile(const std::string& path) {
    makeFile(path);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY)) << path;
}

// --- createFolderChain with a recording CreateDirectoryA -------------------

std::vector<std::string> createdPaths;
std::string refusedPath;  // CreateDirectoryA fails with access denied here
DWORD fakeLastError = 0;

BOOL WINAPI recordCreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    createdPaths.push_back(path);
    fakeLastError = refusedPath == path ? ERROR_ACCESS_DENIED : ERROR_ALREADY_EXISTS;
    return FALSE;
}

DWORD WINAPI fakeGetLastError() {
    return fakeLastError;
}

FileCalls recordingCalls() {
    FileCalls calls = realFileCalls;
    calls.createDirectory = recordCreateDirectory;
    calls.getLastError = fakeGetLastError;
    return calls;
}

TEST(CreateFolderChain, CreatesEachLevelBelowTheRoot) {
    const std::string longPath = "C:\\" + std::string(1020, 'a');  // 1023 characters: fits
    struct Case {
        std::string path;
        std::string refused;
        int result;
        std::vector<std::string> calls;
    } const cases[] = {
        {"C:\\Program Files\\OV\\Sonograf", "", 1,
         {"C:\\Program Files", "C:\\Program Files\\OV", "C:\\Program Files\\OV\\Sonograf"}},
        {"C:\\a", "", 0, {}},
        {"C:\\", "", 0, {}},
        {"C:\\ab", "", 1, {"C:\\ab"}},
        {"C:\\dir", "", 1, {"C:\\dir"}},
        {"C:\\a\\b\\", "", 1, {"C:\\a", "C:\\a\\b"}},
        {"\\\\server\\share\\x", "", 1, {"\\\\server\\share\\x"}},
        {"\\\\server\\share\\dir\\sub", "", 1, {"\\\\server\\share\\dir", "\\\\server\\share\\dir\\sub"}},
        {"\\\\server\\share", "", 1, {}},
        {"\\\\server\\share\\", "", 1, {}},
        {"C:\\one\\two\\three", "C:\\one\\two", 0, {"C:\\one", "C:\\one\\two"}},
        {"C:\\one\\two", "C:\\one\\two", 0, {"C:\\one", "C:\\one\\two"}},
        {longPath, "", 1, {longPath}},
        {longPath + "a", "", 0, {}},  // 1024 characters: refused before any call
    };
    FileCalls calls = recordingCalls();
    for (const Case& c : cases) {
        createdPaths.clear();
        refusedPath = c.refused;
        EXPECT_EQ(c.result, createFolderChain(c.path.c_str(), calls)) << c.path;
        EXPECT_EQ(c.calls, createdPaths) << c.path;
    }
    EXPECT_EQ(0, createFolderChain(nullptr, calls));
}

TEST(CreateFolderChain, BuildsAndRebuildsARealChain) {
    TempFolder temp;
    std::string target = temp.file("OV\\Sonograf");
    EXPECT_EQ(1, createFolderChain(target.c_str()));
    EXPECT_TRUE(isFolder(temp.file("OV")));
    EXPECT_TRUE(isFolder(target));
    EXPECT_EQ(1, createFolderChain(target.c_str())) << "existing levels are no error";
}

TEST(CreateFolderChain, TreatsAFileComponentAsPresent) {
    TempFolder temp;
    makeFile(temp.file("taken"));
    EXPECT_EQ(1, createFolderChain(temp.file("taken").c_str())) << "the file is the last component";
    EXPECT_EQ(0, createFolderChain(temp.file("taken\\below").c_str()));
    EXPECT_FALSE(isFolder(temp.file("taken")));
}

// --- deleteFolderTree ---------------------------------------------------------

int findFirstCount = 0;
const int kFindFirstLimit = 200;  // ends a walk that would otherwise never stop

// Counts the enumerations ("...\*.*"), not the look at the folder itself.
HANDLE WINAPI countFindFirstFile(LPCSTR pattern, LPWIN32_FIND_DATAA found) {
    const std::string text = pattern;
    if (text.size() >= 3 && text.compare(text.size() - 3, 3, "*.*") == 0 && ++findFirstCount > kFindFirstLimit)
        return INVALID_HANDLE_VALUE;
    return FindFirstFileA(pattern, found);
}

int deleteCounted(const std::string& folder) {
    FileCalls calls = realFileCalls;
    calls.findFirstFile = countFindFirstFile;
    findFirstCount = 0;
    return deleteFolderTree(folder.c_str(), calls);
}

TEST(DeleteFolderTree, DeletesEverythingDepthFirst) {
    TempFolder temp;
    std::string root = temp.file("tree");
    makeFolder(root);
    makeFile(root + "\\a.txt");
    makeFile(root + "\\.config");
    makeFolder(root + "\\sub");
    makeFile(root + "\\sub\\b.bin");
    makeFolder(root + "\\sub\\deeper");
    makeFile(root + "\\sub\\deeper\\c");
    EXPECT_EQ(1, deleteCounted(root + "\\"));
    EXPECT_FALSE(present(root));
    // Each deletion restarts the enumeration: one per entry and one more, per folder.
    EXPECT_EQ(4 + 3 + 2, findFirstCount);
}

TEST(DeleteFolderTree, LeavesAMissingFolderAlone) {
    TempFolder temp;
    EXPECT_EQ(1, deleteFolderTree(temp.file("absent").c_str()));
    EXPECT_EQ(1, deleteFolderTree(""));
    EXPECT_TRUE(isFolder(temp.path()));
}

TEST(DeleteFolderTree, RefusesAPatternLongerThanItsBuffer) {
    std::string longest = "C:\\" + std::string(2040, 'd');  // with "\*.*": 2047 characters, fits
    EXPECT_EQ(1, deleteCounted(longest));
    EXPECT_EQ(1, findFirstCount);
    EXPECT_EQ(1, deleteCounted(longest + "d"));
    EXPECT_EQ(0, findFirstCount);
}

// Entries listed before the read-only file are deleted; the walk stops at it,
// so those listed after it stay (skipping it would delete them too).
TEST(DeleteFolderTree, StopsAtAReadOnlyFile) {
    TempFolder temp;
    std::string root = temp.file("tree");
    makeFolder(root);
    for (const char* name : {"a1", "b2", "m3", "n4"}) makeFile(root + "\\" + name);
    makeReadOnlyFile(root + "\\locked.txt");
    const std::vector<std::string> listed = namesIn(root);
    const size_t lockedAt = std::find(listed.begin(), listed.end(), "locked.txt") - listed.begin();
    ASSERT_LT(lockedAt + 1, listed.size()) << "the listing must put an entry after the read-only file";

    EXPECT_EQ(1, deleteCounted(root));
    for (size_t i = 0; i < listed.size(); ++i)
        EXPECT_EQ(i >= lockedAt, present(root + "\\" + listed[i])) << listed[i] << " listed at " << i;
    EXPECT_EQ(static_cast<int>(lockedAt) + 1, findFirstCount);
}

TEST(DeleteFolderTree, SkipsDotNamedSubfoldersAndDeletesTheRest) {
    TempFolder temp;
    std::string root = temp.file("tree");
    makeFolder(root);
    makeFolder(root + "\\.cache");
    makeFile(root + "\\.cache\\kept");
    makeFile(root + "\\one");
    makeFile(root + "\\.two");
    makeFolder(root + "\\three");
    EXPECT_EQ(1, deleteFolderTree(root.c_str()));
    EXPECT_TRUE(present(root + "\\.cache\\kept"));
    EXPECT_FALSE(present(root + "\\one"));
    EXPECT_FALSE(present(root + "\\.two"));
    EXPECT_FALSE(present(root + "\\three"));
}

// A nested subfolder that cannot be removed is found first again by every new
// enumeration; the walk must give up on its parent instead of entering it
// again and again.
TEST(DeleteFolderTree, EndsAtAnUndeletableNestedSubfolder) {
    struct Case {
        const char* blocker;  // what keeps tree\outer\inner from being removed
        bool readOnlyFile;
    } const cases[] = {{"locked.txt", true}, {".hidden", false}};
    for (const Case& c : cases) {
        TempFolder temp;
        std::string root = temp.file("tree");
        makeFolder(root);
        makeFolder(root + "\\outer");
        makeFolder(root + "\\outer\\inner");
        std::string blocker = root + "\\outer\\inner\\" + c.blocker;
        if (c.readOnlyFile) {
            makeReadOnlyFile(blocker);
        } else {
            makeFolder(blocker);
        }
        EXPECT_EQ(1, deleteCounted(root)) << c.blocker;
        // tree, outer and inner are each enumerated once before the walk gives up.
        EXPECT_EQ(3, findFirstCount) << c.blocker;
        EXPECT_TRUE(present(blocker)) << c.blocker;
        EXPECT_TRUE(isFolder(root)) << c.blocker;
    }
}

std::vector<std::string> removedFolders;

BOOL WINAPI recordRemoveDirectory(LPCSTR path) {
    removedFolders.push_back(path);
    return RemoveDirectoryA(path);
}

// A link planted in the tree, or given as the tree itself, is removed as a
// link (Wine cannot remove one, so it stays): what it points to is kept.
TEST(DeleteFolderTree, RemovesAFolderLinkWithoutEnteringIt) {
    for (const bool linkInside : {true, false}) {
        TempFolder temp;
        const std::string target = temp.file("elsewhere");
        const std::string root = temp.file("tree");
        makeFolder(target);
        makeFile(target + "\\keep.txt");
        makeFolder(root);
        const std::string link = linkInside ? root + "\\link" : temp.file("link");
        ASSERT_TRUE(plantFolderLink(link, target));
        FileCalls calls = realFileCalls;
        calls.removeDirectory = recordRemoveDirectory;
        removedFolders.clear();
        EXPECT_EQ(1, deleteFolderTree(linkInside ? root.c_str() : link.c_str(), calls));
        EXPECT_TRUE(present(target + "\\keep.txt")) << linkInside;
        EXPECT_EQ(removedFolders.front(), link) << linkInside;
        removeFolderLink(link);
    }
}

// --- writeWholeFile and fileExists -------------------------------------------

TEST(WriteWholeFile, WritesExactlyTheGivenBytes) {
    TempFolder temp;
    std::string path = temp.file("data.bin");
    const std::string bytes("ab\0cd", 5);
    EXPECT_EQ(1, writeWholeFile(path.c_str(), bytes.data(), 5));
    EXPECT_EQ(bytes, readFile<std::string>(path));
    EXPECT_EQ(1, writeWholeFile(path.c_str(), "z", 1)) << "replaces a longer file";
    EXPECT_EQ("z", readFile<std::string>(path));
    EXPECT_EQ(1, writeWholeFile(path.c_str(), "", 0)) << "truncates to nothing";
    EXPECT_TRUE(present(path) && readFile<std::string>(path).empty());
    EXPECT_EQ(1, writeWholeFile(temp.file("empty").c_str(), nullptr, 0));
    EXPECT_TRUE(present(temp.file("empty")) && readFile<std::string>(temp.file("empty")).empty());
}

TEST(WriteWholeFile, FailsWithoutAFolderOrWhileTheFileIsHeld) {
    TempFolder temp;
    EXPECT_EQ(0, writeWholeFile(temp.file("absent\\data.bin").c_str(), "x", 1));
    EXPECT_FALSE(present(temp.file("absent")));

    std::string held = temp.file("held.bin");
    makeFile(held, "before");
    // The holder shares everything, so only the writer's own refusal to share fails the open.
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(0, writeWholeFile(held.c_str(), "after", 5));
    CloseHandle(holder);
    EXPECT_EQ("before", readFile<std::string>(held));
}

DWORD fakeWriteCount = 0;
BOOL fakeWriteResult = TRUE;

BOOL WINAPI fakeWriteFile(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) {
    *written = fakeWriteCount;
    return fakeWriteResult;
}

// A short or failed write (a full disk) leaves no file behind, not even
// over one that was there before.
TEST(WriteWholeFile, ReportsAShortOrFailedWriteAndRemovesTheFile) {
    struct Case {
        BOOL result;
        DWORD written;
        int expected;
    } const cases[] = {{TRUE, 4, 1}, {TRUE, 3, 0}, {FALSE, 4, 0}, {FALSE, 0, 0}};
    TempFolder temp;
    FileCalls calls = realFileCalls;
    calls.writeFile = fakeWriteFile;
    for (const Case& c : cases) {
        fakeWriteResult = c.result;
        fakeWriteCount = c.written;
        std::string path = temp.file("short.bin");
        makeFile(path, "before");
        EXPECT_EQ(c.expected, writeWholeFile(path.c_str(), "abcd", 4, calls)) << c.result << "/" << c.written;
        EXPECT_EQ(c.expected == 1, present(path)) << c.result << "/" << c.written;
        if (c.expected == 1) EXPECT_TRUE(DeleteFileA(path.c_str())) << "the file was closed";
    }
}

TEST(FileExists, OpensForReading) {
    TempFolder temp;
    std::string file = temp.file("readme.txt");
    makeFile(file);
    makeFolder(temp.file("folder"));
    EXPECT_EQ(1, fileExists(file.c_str()));
    EXPECT_EQ(0, fileExists(temp.file("missing.txt").c_str()));
    EXPECT_EQ(0, fileExists(temp.file("missing\\readme.txt").c_str()));
    EXPECT_EQ(0, fileExists(temp.file("folder").c_str()));

    HANDLE writer = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    EXPECT_EQ(0, fileExists(file.c_str())) << "held without read sharing";
    CloseHandle(writer);
    EXPECT_EQ(1, fileExists(file.c_str())) << "the probe left no handle open";
}

}  // namespace
