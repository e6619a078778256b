// The real installer's silent install and uninstall: what they put on the
// system, what an uninstall leaves behind, and how a damaged package fails.
// Every case starts and ends on a system without the application.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "package/package_format.h"
#include "support/folder_link.h"
#include "support/installed.h"
#include "support/link_reader.h"
#include "support/process.h"
#include "support/scratch_key.h"
#include "support/temp_folder.h"

namespace {
const DWORD kWait = 60000;
const InstalledPaths paths = installedPaths();

std::string environment(const char* name) {
    char value[1024] = {};
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n < sizeof value ? std::string(value) : std::string();
}

std::string readBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

std::string shellFolder(int id) {
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, id, nullptr, 0, folder);
    return folder;
}

std::string parentOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }
std::string nameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

int run(const std::string& program, const char* arguments) {
    return static_cast<int>(runProgram(program, arguments, kWait));
}

// --- Snapshots of the places an install touches ------------------------------
// One line per folder ("D path"), file ("F path size"), key ("K path") and
// value ("V path\name type bytes"); links are listed, not entered.
using Snapshot = std::set<std::string>;

void addFiles(Snapshot& snapshot, const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            snapshot.insert("F " + path + " " + std::to_string(found.nFileSizeLow));
        } else {
            snapshot.insert("D " + path);
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) addFiles(snapshot, path);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::string hex(const BYTE* bytes, DWORD size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (DWORD i = 0; i < size; ++i) text += {digits[bytes[i] >> 4], digits[bytes[i] & 15]};
    return text;
}

void addKeys(Snapshot& snapshot, HKEY root, const std::string& label, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | paths.view, &key) != ERROR_SUCCESS) return;
    const std::string name = label + "\\" + path;
    snapshot.insert("K " + name);
    char valueName[256];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof valueName, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, i, valueName, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        snapshot.insert("V " + name + "\\" + valueName + " " + std::to_string(type) + " " + hex(data, dataSize));
    }
    char subkey[256];
    for (DWORD i = 0; RegEnumKeyA(key, i, subkey, sizeof subkey) == ERROR_SUCCESS; ++i)
        addKeys(snapshot, root, label, path + "\\" + subkey);
    RegCloseKey(key);
}

const char kUninstallList[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

Snapshot snapshot() {
    Snapshot s;
    addFiles(s, shellFolder(CSIDL_PROGRAM_FILES));
    addFiles(s, parentOf(parentOf(paths.userMenuFolder)));
    addFiles(s, parentOf(parentOf(paths.commonMenuFolder)));
    addKeys(s, HKEY_LOCAL_MACHINE, "HKLM", kUninstallList);
    addKeys(s, HKEY_CURRENT_USER, "HKCU", "Orvane");
    return s;
}

// Lines in `after` but not in `before`, and lines gone, each marked.
std::vector<std::string> difference(const Snapshot& before, const Snapshot& after) {
    std::vector<std::string> lines;
    for (const std::string& line : after)
        if (!before.count(line)) lines.push_back("+" + line);
    for (const std::string& line : before)
        if (!after.count(line)) lines.push_back("-" + line);
    return lines;
}

// What an uninstall keeps: the parent folders and the tray settings at 0.
std::vector<std::string> documentedTraces() {
    const std::string settings = "HKCU\\Orvane\\Sonograf";
    Snapshot traces = {"D " + parentOf(paths.installFolder), "D " + parentOf(paths.userMenuFolder),
                       "D " + parentOf(paths.commonMenuFolder), "K HKCU\\Orvane", "K " + settings,
                       "V " + settings + "\\SysTray 4 00000000", "V " + settings + "\\SysTrayShowOnRun 4 00000000"};
    return difference({}, traces);
}

// --- Reading back what the install wrote --------------------------------------
std::vector<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    do {
        if (found.cFileName[0] != '.') names.insert(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return std::vector<std::string>(names.begin(), names.end());
}

using Values = std::set<std::pair<std::string, std::string>>;  // name, "type bytes"

Values entryValues() {
    Snapshot s;
    addKeys(s, HKEY_LOCAL_MACHINE, "HKLM", paths.uninstallKey);
    Values values;
    const std::string prefix = "V HKLM\\" + paths.uninstallKey + "\\";
    for (const std::string& line : s) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string rest = line.substr(prefix.size());
        values.insert({rest.substr(0, rest.find(' ')), rest.substr(rest.find(' ') + 1)});
    }
    return values;
}

std::pair<std::string, std::string> text(const char* name, const std::string& value) {
    return {name, "1 " + hex(reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1))};
}

std::pair<std::string, std::string> dword(const char* name, DWORD value) {
    return {name, "4 " + hex(reinterpret_cast<const BYTE*>(&value), 4)};
}

// The window of a process titled `title`, waited for up to 30 s.
HWND windowOf(HANDLE process, const char* title) {
    for (int tries = 0; tries < 600; ++tries) {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, nullptr, title)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == GetProcessId(process)) return window;
        }
        Sleep(50);
    }
    return nullptr;
}

class Procedures : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_FALSE(paths.userMenuFolder.empty());
        ASSERT_FALSE(paths.commonMenuFolder.empty());
        removeAll();
        before = snapshot();
    }
    void TearDown() override {
        removeAll();
        CoUninitialize();
    }
    void removeAll() {
        if (!link.empty()) removeFolderLink(link);
        for (const std::string& folder :
             {parentOf(paths.installFolder), parentOf(paths.userMenuFolder), parentOf(paths.commonMenuFolder)}) {
            SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(folder.c_str());
            TempFolder::removeTree(folder);
        }
        ScratchKey::removeTree(HKEY_LOCAL_MACHINE, paths.uninstallKey);
        ScratchKey::removeTree(HKEY_CURRENT_USER, "Orvane");
    }
    std::vector<std::string> changes() const { return difference(before, snapshot()); }
    std::string installed(const std::string& name) const { return paths.installFolder + "\\" + name; }

    Snapshot before;
    std::string link;
    const std::string installer = installerPath();
};

TEST_F(Procedures, SilentInstallPutsEveryPieceInPlace) {
    struct Case {
        const char* startedAs;  // nullptr: the built installer itself
        bool readOnly;
    } const cases[] = {{nullptr, false}, {"Other Setup.exe", true}};
    for (const Case& c : cases) {
        TempFolder temp;
        std::string started = installer;
        if (c.startedAs != nullptr) {
            started = temp.file(c.startedAs);
            ASSERT_TRUE(CopyFileA(installer.c_str(), started.c_str(), FALSE));
            if (c.readOnly) SetFileAttributesA(started.c_str(), FILE_ATTRIBUTE_READONLY);
        }
        ASSERT_EQ(run(started, "-h -i"), 0) << started;

        const std::string app = readBytes(environment("SONOGRAF_APP"));
        const std::string readme = readBytes(environment("SONOGRAF_README"));
        EXPECT_EQ(readBytes(installed("sonograf.exe")), app);
        EXPECT_EQ(readBytes(installed("readme.txt")), readme);
        const std::string copy = installed(nameOf(started));
        EXPECT_EQ(readBytes(copy), readBytes(installer));
        EXPECT_EQ(GetFileAttributesA(copy.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
        EXPECT_EQ(namesIn(paths.installFolder).size(), 3u);

        for (const std::string& menu : {paths.userMenuFolder, paths.commonMenuFolder}) {
            EXPECT_EQ(namesIn(menu), (std::vector<std::string>{"Readme.LNK", "Sonograf.LNK"})) << menu;
            for (const auto& shortcut : {std::make_pair("Readme", "readme.txt"), std::make_pair("Sonograf", "Sonograf.exe")}) {
                LinkFields fields = readLink(menu + "\\" + shortcut.first + ".LNK");
                EXPECT_EQ(fields.loaded, S_OK);
                EXPECT_EQ(fields.target, installed(shortcut.second));
                EXPECT_EQ(fields.workingFolder, paths.installFolder);
            }
        }

        const DWORD kib = static_cast<DWORD>((app.size() + readme.size() + readBytes(installer).size() + 1023) / 1024);
        const Values expected = {text("DisplayName", "Sonograf, The Spectrum Analyzer"),
                                 text("Publisher", "Orvane Software"),
                                 text("UninstallString", "\"" + copy + "\""),
                                 text("DisplayIcon", copy),
                                 text("DisplayVersion", "1.0.1.3"),
                                 text("InstallLocation", paths.installFolder),
                                 text("QuietUninstallString", "\"" + copy + "\" -h -u"),
                                 dword("EstimatedSize", kib),
                                 dword("NoModify", 1),
                                 dword("NoRepair", 1)};
        EXPECT_EQ(entryValues(), expected);

        HANDLE application = startProgram(installed("Sonograf.exe"), "");
        ASSERT_NE(application, nullptr);
        HWND window = windowOf(application, "Sonograf");
        EXPECT_NE(window, nullptr);
        PostMessageA(window, WM_CLOSE, 0, 0);
        finishProgram(application, 10000);

        EXPECT_EQ(run(started, "-h -u"), 0);
        EXPECT_EQ(changes(), documentedTraces());
        removeAll();
    }
}

TEST_F(Procedures, SilentRunsLeaveOnlyTheDocumentedTraces) {
    struct Case {
        const char* what;
        std::vector<const char*> runs;  // each returns 0
        bool traces;
    };
    std::vector<const char*> tenCycles;
    for (int i = 0; i < 10; ++i) tenCycles.insert(tenCycles.end(), {"-h -i", "-h -u"});
    const Case cases[] = {{"uninstall with nothing installed", {"-h -u"}, false},
                          {"install then uninstall", {"-h -i", "-h -u"}, true},
                          {"install when installed uninstalls", {"-h -i", "-h -i"}, true},
                          {"ten cycles", tenCycles, true}};
    for (const Case& c : cases) {
        before = snapshot();
        for (const char* arguments : c.runs) ASSERT_EQ(run(installer, arguments), 0) << c.what << ": " << arguments;
        EXPECT_EQ(changes(), c.traces ? documentedTraces() : std::vector<std::string>()) << c.what;
        removeAll();
    }
}

TEST_F(Procedures, DamagedPackageOrFolderFailsLeavingOnlyWhatWasWritten) {
    const std::string package = installerPackage(installer);
    ASSERT_GT(package.size(), PACKAGE_HEADER_SIZE);
    PackageEntry entries[PACKAGE_ENTRY_COUNT];
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i)
        readPackageEntry(reinterpret_cast<const uint8_t*>(package.data()), i, &entries[i]);
    ASSERT_STREQ(entries[0].name, "sonograf.exe");

    enum Damage { NoPackage, FlipInEntry0, FlipInEntry1, UnsafeName, FolderBlocked };
    struct Case {
        const char* what;
        Damage damage;
        int code;
        std::vector<std::string> left;  // files left in the install folder
        bool folder;                    // whether the install folder is left
    } const cases[] = {{"no package", NoPackage, -1, {}, false},
                       {"stored byte flipped in entry 0", FlipInEntry0, -10, {}, true},
                       {"stored byte flipped in entry 1", FlipInEntry1, -10, {"sonograf.exe"}, true},
                       {"entry name climbing out", UnsafeName, -10, {"sonograf.exe"}, true},
                       {"install folder cannot be made", FolderBlocked, -3, {}, false}};
    for (const Case& c : cases) {
        std::string damaged = package;
        uint8_t* header = reinterpret_cast<uint8_t*>(&damaged[0]);
        if (c.damage == NoPackage) damaged.clear();
        if (c.damage == FlipInEntry0 || c.damage == FlipInEntry1) damaged[entries[c.damage - FlipInEntry0].offset] ^= 1;
        if (c.damage == UnsafeName) {
            PackageEntry entry = entries[1];
            memcpy(entry.name, "..\\readme.txt", sizeof "..\\readme.txt");
            writePackageEntry(header, 1, &entry);
        }
        const std::string blocker = parentOf(paths.installFolder);  // a file where a folder must go
        if (c.damage == FolderBlocked) CloseHandle(CreateFileA(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));

        TempFolder temp;
        const std::string copy = temp.file("SonografSetup.exe");
        ASSERT_TRUE(copyWithPackage(installer, copy, damaged)) << c.what;
        before = c.damage == FolderBlocked ? snapshot() : before;
        EXPECT_EQ(run(copy, "-h -i"), c.code) << c.what;

        // Nothing but the install folder and what was extracted into it.
        Snapshot expected;
        if (c.folder) {
            expected = {"D " + parentOf(paths.installFolder), "D " + paths.installFolder};
            for (const std::string& name : c.left)
                expected.insert("F " + installed(name) + " " + std::to_string(entries[0].size));
        }
        EXPECT_EQ(changes(), difference({}, expected)) << c.what;
        removeAll();
        before = snapshot();
    }
}

TEST_F(Procedures, UninstallFromTheCopyKeepsOnlyTheCopyAndItsFolder) {
    ASSERT_EQ(run(installer, "-h -i"), 0);
    const std::string copy = installed(nameOf(installer));
    EXPECT_EQ(run(copy, "-h -u"), 0);
    EXPECT_EQ(namesIn(paths.installFolder), std::vector<std::string>{nameOf(installer)});
    std::vector<std::string> expected = documentedTraces();
    expected.push_back("+D " + paths.installFolder);
    expected.push_back("+F " + copy + " " + std::to_string(readBytes(installer).size()));
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> found = changes();
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected);
}

TEST_F(Procedures, RunningApplicationClosesWhenTheInstallerStarts) {
    ASSERT_EQ(run(installer, "-h -i"), 0);
    HANDLE application = startProgram(installed("Sonograf.exe"), "");
    ASSERT_NE(application, nullptr);
    ASSERT_NE(windowOf(application, "Sonograf"), nullptr);
    HANDLE setup = startProgram(installer, "-h -u");
    EXPECT_NE(finishProgram(application, 20000), STILL_ACTIVE);
    finishProgram(setup, kWait);
}

// A folder link planted in the install folder is not followed: what it
// points to stays whole.
TEST_F(Procedures, UninstallLeavesTheTargetOfALinkAlone) {
    ASSERT_EQ(run(installer, "-h -i"), 0);
    TempFolder target;
    const std::string kept = target.file("kept.txt");
    CloseHandle(CreateFileA(kept.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    link = installed("data");
    ASSERT_TRUE(plantFolderLink(link, target.path()));
    EXPECT_EQ(run(installer, "-h -u"), 0);
    EXPECT_NE(GetFileAttributesA(kept.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, paths.uninstallKey, paths.view));
}
}  // namespace
