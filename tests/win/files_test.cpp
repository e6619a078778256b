#include "platform/files.h"

#include <gtest/gtest.h>

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

// A handle that lets nobody else read, write or delete the file.
HANDLE holdWithoutSharing(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file) << path;
    return file;
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

// Existing levels are no error, and a file as the last component counts as
// present; a file further up fails the chain.
TEST(CreateFolderChain, BuildsAndRebuildsARealChain) {
    TempFolder temp;
    std::string target = temp.file("OV\\Sonograf");
    EXPECT_EQ(1, createFolderChain(target.c_str()));
    EXPECT_TRUE(isFolder(temp.file("OV")) && isFolder(target));
    EXPECT_EQ(1, createFolderChain(target.c_str()));
    makeFile(temp.file("taken"));
    EXPECT_EQ(1, createFolderChain(temp.file("taken").c_str()));
    EXPECT_EQ(0, createFolderChain(temp.file("taken\\below").c_str()));
    EXPECT_FALSE(isFolder(temp.file("taken")));
}

// --- removePath ----------------------------------------------------------------

// A file (read-only too) or an empty folder goes; a folder holding something
// and a file held open stay. Only a lookup that finds nothing counts as gone:
// a name the system refuses to look at stays, and a path longer than MAX_PATH
// is reached. A folder link is never entered (Wine cannot remove one, which
// then stays): what it points to is kept.
TEST(RemovePath, RemovesAFileOrAnEmptyFolderAndTellsWhetherAnythingStays) {
    enum Kind { Nothing, File, ReadOnlyFile, EmptyFolder, FullFolder, HeldFile, RefusedName, LongPath, FolderLink };
    const struct {
        const char* what;
        Kind kind;
        int result;
    } rows[] = {{"nothing", Nothing, 1},
                {"a file", File, 1},
                {"a read-only file", ReadOnlyFile, 1},
                {"an empty folder", EmptyFolder, 1},
                {"a folder holding a file", FullFolder, 0},
                {"a file held without sharing", HeldFile, 0},
                {"a name the system refuses", RefusedName, 0},
                {"a file whose path is longer than MAX_PATH", LongPath, 1},
                {"a folder link", FolderLink, 0}};
    for (const auto& row : rows) {
        TempFolder temp;
        const std::string outside = temp.file("outside"), deep = temp.file(std::string(200, 'd'));
        std::string path = temp.file("target");
        makeFolder(outside);
        makeFile(outside + "\\kept.txt");
        HANDLE holder = INVALID_HANDLE_VALUE;
        switch (row.kind) {
            case Nothing: break;
            case File: makeFile(path); break;
            case ReadOnlyFile: makeReadOnlyFile(path); break;
            case EmptyFolder: makeFolder(path); break;
            case FullFolder:
                makeFolder(path);
                makeFile(path + "\\user.txt");
                break;
            case HeldFile:
                makeFile(path);
                holder = holdWithoutSharing(path);
                break;
            case RefusedName: path = temp.file("a<b"); break;
            case LongPath:
                path = deep + "\\" + std::string(100, 'f');
                ASSERT_TRUE(CreateDirectoryW(wide(deep).c_str(), nullptr));
                CloseHandle(CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
                ASSERT_NE(GetFileAttributesW(wide(path).c_str()), INVALID_FILE_ATTRIBUTES) << row.what;
                break;
            case FolderLink: ASSERT_TRUE(plantFolderLink(path, outside)) << row.what; break;
        }
        EXPECT_EQ(row.result, removePath(path.c_str())) << row.what;
        CloseHandle(holder);
        const bool stays = GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES || row.kind == RefusedName;
        EXPECT_EQ(row.result == 0, stays) << row.what;
        EXPECT_TRUE(present(outside + "\\kept.txt")) << row.what;
        if (row.kind == FolderLink) removeFolderLink(path);
        DeleteFileW(wide(path).c_str());
        RemoveDirectoryW(wide(deep).c_str());
    }
}

// --- writeWholeFile, copyWholeFile, fileExists -------------------------------

std::string partialOf(const std::string& path) { return path + PARTIAL_SUFFIX; }

// Nothing to write leaves an empty file, in place of one or as a new one.
TEST(WriteWholeFile, WritesNothingIntoAnEmptyFile) {
    TempFolder temp;
    const std::string earlier = temp.file("data.bin"), fresh = temp.file("empty");
    makeFile(earlier, "before");
    EXPECT_EQ(1, writeWholeFile(earlier.c_str(), "", 0));
    EXPECT_EQ(1, writeWholeFile(fresh.c_str(), nullptr, 0));
    for (const std::string& path : {earlier, fresh}) EXPECT_TRUE(present(path) && readFile<std::string>(path).empty());
}

DWORD fakeWriteCount = 0;
BOOL fakeWriteResult = TRUE;
BOOL fakeMoveResult = TRUE;
BOOL fakeCopyResult = TRUE;

// Writes the first fakeWriteCount bytes, then reports fakeWriteResult.
BOOL WINAPI fakeWriteFile(HANDLE file, LPCVOID data, DWORD, LPDWORD written, LPOVERLAPPED) {
    WriteFile(file, data, fakeWriteCount, written, nullptr);
    return fakeWriteResult;
}

BOOL WINAPI fakeMoveFile(LPCSTR from, LPCSTR to, DWORD flags) {
    return fakeMoveResult && MoveFileExA(from, to, flags);
}

// A copy that breaks off (a full disk) leaves part of the file behind.
BOOL WINAPI fakeCopyFile(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
    if (fakeCopyResult) return CopyFileW(from, to, failIfExists);
    CloseHandle(CreateFileW(to, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    return FALSE;
}

// Both writers, writing and copying, replace the file under its final name
// whole or leave it as it was, and leave no temporary file and no open handle.
// Whatever goes wrong on the way (a failed or short write, a copy that breaks
// off, a rename that fails) keeps the earlier file. What stands at the final
// name is replaced, never written through: a link's target keeps its bytes. A
// folder, or a file held open without delete sharing, makes the write fail and
// stays as it was. A temporary file left by a killed run is cleared away,
// read-only or an empty folder too; a folder holding something makes the write
// fail instead.
TEST(WholeFileWriters, ReplaceTheFileWholeOrKeepItAsItWas) {
    enum Obstacle { EarlierFile, LinkAtPath, ReadOnlyAtPath, LeftoverPartial, ReadOnlyPartial, FolderPartial,
                    FullFolderPartial, FolderAtPath, HeldAtPath, MissingFolder };
    const struct {
        const char* what;
        Obstacle obstacle;
        DWORD written;  // by the write call, of 4
        BOOL writeResult, copyResult, moveResult;
        int write, copy;  // the results expected of each writer
    } cases[] = {{"an earlier file", EarlierFile, 4, TRUE, TRUE, TRUE, 1, 1},
                 {"a short write", EarlierFile, 3, TRUE, TRUE, TRUE, 0, 1},
                 {"a failed write of every byte", EarlierFile, 4, FALSE, TRUE, TRUE, 0, 1},
                 {"a failed write of nothing", EarlierFile, 0, FALSE, TRUE, TRUE, 0, 1},
                 {"a copy that breaks off", EarlierFile, 4, TRUE, FALSE, TRUE, 1, 0},
                 {"a rename that fails", EarlierFile, 4, TRUE, TRUE, FALSE, 0, 0},
                 {"a link", LinkAtPath, 4, TRUE, TRUE, TRUE, 1, 1},
                 {"a read-only file", ReadOnlyAtPath, 4, TRUE, TRUE, TRUE, 1, 1},
                 {"a temporary file left by a killed run", LeftoverPartial, 4, TRUE, TRUE, TRUE, 1, 1},
                 {"a read-only temporary file left behind", ReadOnlyPartial, 4, TRUE, TRUE, TRUE, 1, 1},
                 {"an empty folder at the temporary name", FolderPartial, 4, TRUE, TRUE, TRUE, 1, 1},
                 {"a folder holding a file at the temporary name", FullFolderPartial, 4, TRUE, TRUE, TRUE, 0, 0},
                 {"a folder", FolderAtPath, 4, TRUE, TRUE, TRUE, 0, 0},
                 {"a file held without sharing", HeldAtPath, 4, TRUE, TRUE, TRUE, 0, 0},
                 {"a missing folder", MissingFolder, 4, TRUE, TRUE, TRUE, 0, 0}};
    TempFolder temp;
    const std::string source = temp.file("source.bin"), bytes("ab\0d", 4);
    makeFile(source, bytes);
    FileCalls calls = realFileCalls;
    calls.writeFile = fakeWriteFile;
    calls.moveFile = fakeMoveFile;
    calls.copyFile = fakeCopyFile;
    for (const bool copy : {false, true}) {
        for (const auto& c : cases) {
            const std::string what = std::string(c.what) + (copy ? ", copy" : ", write");
            fakeWriteCount = c.written;
            fakeWriteResult = c.writeResult;
            fakeCopyResult = c.copyResult;
            fakeMoveResult = c.moveResult;
            TempFolder scratch;
            const std::string outside = scratch.file("outside.txt");
            const std::string path = scratch.file(c.obstacle == MissingFolder ? "missing\\target.bin" : "target.bin");
            makeFile(outside, "outside");
            HANDLE holder = INVALID_HANDLE_VALUE;
            switch (c.obstacle) {
                case EarlierFile: makeFile(path, "before"); break;
                case LinkAtPath: ASSERT_TRUE(plantFileLink(path, outside)) << what; break;
                case ReadOnlyAtPath: makeReadOnlyFile(path); break;
                case LeftoverPartial: makeFile(partialOf(path), "torn"); break;
                case ReadOnlyPartial: makeReadOnlyFile(partialOf(path)); break;
                case FolderPartial: makeFolder(partialOf(path)); break;
                case FullFolderPartial:
                    makeFolder(partialOf(path));
                    makeFile(partialOf(path) + "\\user.txt");
                    break;
                case FolderAtPath: makeFolder(path); break;
                case HeldAtPath:
                    makeFile(path, "before");
                    holder = holdWithoutSharing(path);
                    break;
                case MissingFolder: break;
            }
            const int result = copy ? copyWholeFile(wide(source).c_str(), path.c_str(), calls)
                                    : writeWholeFile(path.c_str(), bytes.data(), 4, calls);
            CloseHandle(holder);
            EXPECT_EQ(copy ? c.copy : c.write, result) << what;
            EXPECT_EQ("outside", readFile<std::string>(outside)) << what;
            // A folder holding something is never emptied: it stays, with the file in it.
            EXPECT_EQ(c.obstacle == FullFolderPartial, present(partialOf(path) + "\\user.txt")) << what;
            EXPECT_EQ(c.obstacle == FullFolderPartial, present(partialOf(path))) << what;
            EXPECT_EQ(c.obstacle == FolderAtPath, isFolder(path)) << what;
            if (result == 1) EXPECT_EQ(0u, GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) << what;
            if (c.obstacle == MissingFolder) EXPECT_FALSE(present(path)) << what;
            if (c.obstacle == FolderAtPath || c.obstacle == FullFolderPartial || c.obstacle == MissingFolder) continue;
            EXPECT_EQ(result == 1 ? bytes : "before", readFile<std::string>(path)) << what;
            EXPECT_TRUE(DeleteFileA(path.c_str())) << what << ": the file was closed";
        }
    }
}

// The source is found through its wide path whatever characters its folder
// holds; a read-only source gives a writable copy; a copy onto the source
// itself keeps the file and counts as done; a missing source fails.
TEST(CopyWholeFile, CopiesFromAnyFolderAndKeepsTheSourceItself) {
    TempFolder temp;
    const std::wstring folder = wide(temp.path()) + L"\\\u03a3\u03bf\u03bd\u043e \u97f3";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring source = folder + L"\\setup.exe";
    HANDLE file = CreateFileW(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr);
    DWORD written = 0;
    WriteFile(file, "program", 7, &written, nullptr);
    CloseHandle(file);
    const std::string copy = temp.file("setup.exe");
    EXPECT_EQ(1, copyWholeFile(source.c_str(), copy.c_str()));
    EXPECT_EQ("program", readFile<std::string>(copy));
    EXPECT_EQ(0u, GetFileAttributesA(copy.c_str()) & FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(1, copyWholeFile(wide(copy).c_str(), copy.c_str())) << "onto itself";
    EXPECT_EQ("program", readFile<std::string>(copy));
    EXPECT_EQ(0, copyWholeFile((folder + L"\\absent.exe").c_str(), temp.file("other.exe").c_str()));
    EXPECT_FALSE(present(temp.file("other.exe")));
}

// Presence is judged by attributes, so a file held open by another process
// without any sharing still counts.
TEST(FileExists, SeesFilesAndFoldersWhoeverHoldsThem) {
    TempFolder temp;
    std::string file = temp.file("readme.txt");
    makeFile(file);
    makeFolder(temp.file("folder"));
    HANDLE holder = holdWithoutSharing(file);
    const struct {
        std::string path;
        int file, folder;
    } cases[] = {{file, 1, 0},
                 {temp.file("folder"), 0, 1},
                 {temp.file("missing.txt"), 0, 0},
                 {temp.file("missing\\readme.txt"), 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.file, fileExists(c.path.c_str())) << c.path;
        EXPECT_EQ(c.folder, folderExists(c.path.c_str())) << c.path;
    }
    CloseHandle(holder);
}

}  // namespace
