// The real installer's silent install and uninstall, checked by comparing
// snapshots of the places they touch. Every case starts and ends on a system
// without the application.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/exit_code.h"
#include "core/version.h"
#include "package/package_format.h"
#include "platform/files.h"
#include "support/bytes.h"
#include "support/folder_link.h"
#include "support/installed.h"
#include "support/link_reader.h"
#include "support/process.h"
#include "support/scratch_key.h"
#include "support/temp_folder.h"
#include "support/windows_of.h"

namespace {
const InstalledPaths paths = installedPaths();
const std::string kSettings = "HKCU\\Orvane\\Sonograf";

std::string parentOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }
std::string nameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }
std::string lowerCase(std::string text) {
    CharLowerA(&text[0]);
    return text;
}

int run(const std::string& program, const char* arguments) {
    return static_cast<int>(runProgram(program, arguments, 60000));
}

int run(const std::wstring& program, const wchar_t* arguments) {
    return static_cast<int>(finishProgram(startProgram(program, arguments), 60000));
}

// The package with the name of entry `index` replaced.
std::string renamedEntry(std::string package, uint32_t index, const char* name) {
    uint8_t* header = reinterpret_cast<uint8_t*>(&package[0]);
    PackageEntry entry;
    readPackageEntry(header, index, &entry);
    memset(entry.name, 0, sizeof entry.name);
    memcpy(entry.name, name, strlen(name));
    writePackageEntry(header, index, &entry);
    return package;
}

// A snapshot has one line per folder ("D path"), file ("F path size"), key
// ("K path") and value ("V path\name type bytes"); links are listed, not entered.
using Lines = std::set<std::string>;

std::string fileLine(const std::string& path, size_t size) { return "F " + path + " " + std::to_string(size); }

std::string valueLine(const std::string& key, const std::string& name, DWORD type, const void* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string line = "V " + key + "\\" + name + " " + std::to_string(type) + " ";
    for (const BYTE* byte = static_cast<const BYTE*>(data); byte < static_cast<const BYTE*>(data) + size; ++byte)
        line += {digits[*byte >> 4], digits[*byte & 15]};
    return line;
}

std::string textLine(const std::string& key, const char* name, const std::string& text) {
    return valueLine(key, name, REG_SZ, text.c_str(), text.size() + 1);
}

std::string dwordLine(const std::string& key, const char* name, DWORD value) {
    return valueLine(key, name, REG_DWORD, &value, sizeof value);
}

// Snapshot lines name files in UTF-8, so names outside the code page show as they are.
std::string utf8(const std::wstring& text) {
    std::string result(text.size() * 3, '\0');
    result.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0],
                                      static_cast<int>(result.size()), nullptr, nullptr));
    return result;
}

void addFiles(Lines& lines, const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring path = folder + L"\\" + found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            lines.insert(fileLine(utf8(path), found.nFileSizeLow));
        } else if (found.cFileName[0] != L'.') {
            lines.insert("D " + utf8(path));
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) addFiles(lines, path);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

Lines filesBelow(const std::wstring& folder) {
    Lines lines;
    addFiles(lines, folder);
    return lines;
}

void addKeys(Lines& lines, HKEY root, const std::string& label, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | paths.view, &key) != ERROR_SUCCESS) return;
    lines.insert("K " + label + path);
    char name[256], subkey[256];
    BYTE data[4096];
    DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
    for (DWORD i = 0; RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) == ERROR_SUCCESS;
         ++i, nameSize = sizeof name, dataSize = sizeof data)
        lines.insert(valueLine(label + path, name, type, data, dataSize));
    // The Windows tests' scratch keys, which may come and go meanwhile, are not ours.
    for (DWORD i = 0; RegEnumKeyA(key, i, subkey, sizeof subkey) == ERROR_SUCCESS; ++i)
        if (strncmp(subkey, "sonograf-test-", 14) != 0) addKeys(lines, root, label, path + "\\" + subkey);
    RegCloseKey(key);
}

Lines snapshot() {
    Lines lines;
    for (const std::string& folder : {paths.programFiles, paths.userPrograms, paths.commonPrograms})
        addFiles(lines, wide(folder));
    addKeys(lines, HKEY_LOCAL_MACHINE, "HKLM\\", parentOf(paths.uninstallKey));
    addKeys(lines, HKEY_CURRENT_USER, "HKCU\\", "Orvane");
    return lines;
}

// The tray settings at 0, as every uninstall leaves them.
Lines settingsTraces() {
    return {"K HKCU\\Orvane", "K " + kSettings, dwordLine(kSettings, "SysTray", 0),
            dwordLine(kSettings, "SysTrayShowOnRun", 0)};
}

// What an uninstall keeps: the parent folders and the tray settings at 0.
Lines documentedTraces() {
    Lines traces = settingsTraces();
    traces.insert({"D " + parentOf(paths.installFolder), "D " + parentOf(paths.userMenuFolder),
                   "D " + parentOf(paths.commonMenuFolder)});
    return traces;
}

// Suspends or resumes every thread of a process: a hung program.
void holdThreads(HANDLE process, bool hold) {
    for (DWORD id : threadsOf(GetProcessId(process))) {
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, id);
        hold ? SuspendThread(thread) : ResumeThread(thread);
        CloseHandle(thread);
    }
}

// The per-user "Programs" value set for one case through the wide registry
// API, and put back as it was (or deleted, if there was none) when it ends.
class ProgramsValue {
public:
    explicit ProgramsValue(const std::wstring& folder) {
        RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, &key_);
        had_ = RegQueryValueExW(key_, L"Programs", nullptr, nullptr, saved_, &size_) == ERROR_SUCCESS;
        RegSetValueExW(key_, L"Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }
    ~ProgramsValue() {
        if (had_) RegSetValueExW(key_, L"Programs", 0, REG_SZ, saved_, size_);
        else RegDeleteValueW(key_, L"Programs");
        RegCloseKey(key_);
    }

private:
    HKEY key_ = nullptr;
    BYTE saved_[4096] = {};
    DWORD size_ = sizeof saved_;
    bool had_ = false;
};

// A name no Western code page holds: what a narrow call gives for it is another name.
const wchar_t* const kForeignName = L"\u0141ukasz\u5C71\u7530";

class Procedures : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_FALSE(paths.userPrograms.empty() || paths.commonPrograms.empty());
        removeAll();
    }
    void TearDown() override {
        removeAll();
        CoUninitialize();
    }
    void removeAll() {
        if (!link.empty()) removeFolderLink(link);
        for (const std::string& folder :
             {parentOf(paths.installFolder), parentOf(paths.userMenuFolder), parentOf(paths.commonMenuFolder)}) {
            DeleteFileA(folder.c_str());
            TempFolder::removeTree(folder);
        }
        ScratchKey::removeTree(HKEY_LOCAL_MACHINE, paths.uninstallKey);
        ScratchKey::removeTree(HKEY_CURRENT_USER, "Orvane");
        before = snapshot();
    }
    // The lines added since `before`; a line that went is marked with "-".
    Lines changes() const {
        Lines now = snapshot(), changed;
        for (const std::string& line : now)
            if (!before.count(line)) changed.insert(line);
        for (const std::string& line : before)
            if (!now.count(line)) changed.insert("-" + line);
        return changed;
    }
    // Runs `program` with `arguments`; expects its exit code, then the changes since `before`.
    void expectRun(const std::string& program, const char* arguments, int code, const Lines& traces,
                   const std::string& what) const {
        EXPECT_EQ(run(program, arguments), code) << what << ": " << arguments;
        EXPECT_EQ(changes(), traces) << what << ": " << arguments;
    }
    std::string installed(const std::string& name) const { return paths.installFolder + "\\" + name; }
    std::string entry() const { return "HKLM\\" + paths.uninstallKey; }
    bool entryThere() const { return keyExists(HKEY_LOCAL_MACHINE, paths.uninstallKey, paths.view); }
    // A value of the uninstall entry as stored, empty when it is not there.
    std::string entryValue(const char* name) const {
        char data[1024] = {};
        DWORD size = sizeof data - 1;
        // The installer's view is this program's own.
        if (RegGetValueA(HKEY_LOCAL_MACHINE, paths.uninstallKey.c_str(), name, RRF_RT_ANY, nullptr, data, &size))
            size = 0;
        return std::string(data, size);
    }
    bool entryComplete() const { return !entryValue("NoRepair").empty(); }
    // Runs the registered QuietUninstallString: "<copy>" -h -u.
    int runQuietUninstall() const {
        const std::string command = entryValue("QuietUninstallString").c_str();
        const size_t close = command.find('"', 1);
        EXPECT_TRUE(command.size() > 2 && command[0] == '"' && close != std::string::npos) << command;
        if (close == std::string::npos) return 1;
        return run(command.substr(1, close - 1), command.substr(close + 1).c_str());
    }
    // What a complete install adds, its three files checked byte for byte.
    Lines completeInstall() {
        EXPECT_EQ(run(installer, "-h -i"), 0);
        const Lines lines = changes();
        EXPECT_EQ(productFilesWhole(), 3);
        EXPECT_EQ(run(installer, "-h -u"), 0);
        removeAll();
        return lines;
    }
    // The application, the readme and the uninstaller copy: how many of them
    // are there with exactly their right bytes, or -1 when one is there torn.
    int productFilesWhole() const {
        const std::pair<std::string, std::string> files[] = {
            {installed("sonograf.exe"), app}, {installed("readme.txt"), readme}, {copy, setup}};
        int whole = 0;
        for (const auto& file : files) {
            if (!present(file.first)) continue;
            if (readFile<std::string>(file.first) != file.second) return -1;
            ++whole;
        }
        return whole;
    }

    Lines before;
    std::string link;
    const std::string installer = installerPath();
    const std::string copy = installed("SonografSetup.exe");
    // Where an uninstall run from the copy moves it, until the next restart.
    const std::string setAside = parentOf(paths.installFolder) + "\\SonografSetup.tmp";
    const std::string app = readFile<std::string>(environmentValue("SONOGRAF_APP"));
    const std::string readme = readFile<std::string>(environmentValue("SONOGRAF_README"));
    const std::string setup = readFile<std::string>(installerPath());
};

TEST_F(Procedures, SilentInstallPutsEveryPieceInPlaceAndUninstallTakesItAway) {
    const std::string entry = this->entry();
    // Whatever the installer's file is called, like the application or in
    // characters outside the code page, the copy has its own one name.
    const std::wstring names[] = {L"", L"Other Setup.exe", L"Sonograf.exe", std::wstring(kForeignName) + L".exe"};
    for (const std::wstring& startedAs : names) {
        TempFolder temp;
        std::wstring started = wide(installer);
        if (!startedAs.empty()) {
            started = wide(temp.path()) + L"\\" + startedAs;
            ASSERT_TRUE(CopyFileW(wide(installer).c_str(), started.c_str(), FALSE));
            SetFileAttributesW(started.c_str(), FILE_ATTRIBUTE_READONLY);  // the copy is made writable
        }
        const std::string what = utf8(started);
        ASSERT_EQ(run(started, L"-h -i"), 0) << what;

        Lines expected = {"D " + parentOf(paths.installFolder), "D " + paths.installFolder,
                          fileLine(installed("sonograf.exe"), app.size()),
                          fileLine(installed("readme.txt"), readme.size()), fileLine(copy, setup.size()),
                          "K " + entry, textLine(entry, "DisplayName", "Sonograf, The Spectrum Analyzer"),
                          textLine(entry, "Publisher", "Orvane Software"),
                          textLine(entry, "UninstallString", "\"" + copy + "\""), textLine(entry, "DisplayIcon", copy),
                          textLine(entry, "DisplayVersion", PRODUCT_VERSION),
                          textLine(entry, "InstallLocation", paths.installFolder),
                          textLine(entry, "QuietUninstallString", "\"" + copy + "\" -h -u"),
                          dwordLine(entry, "EstimatedSize", static_cast<DWORD>((app.size() + readme.size() + setup.size() + 1023) / 1024)),
                          dwordLine(entry, "NoModify", 1), dwordLine(entry, "NoRepair", 1)};
        for (const std::string& menu : {paths.userMenuFolder, paths.commonMenuFolder}) {
            expected.insert({"D " + parentOf(menu), "D " + menu});
            for (const auto& name : {std::make_pair("Readme", "readme.txt"), std::make_pair("Sonograf", "Sonograf.exe")}) {
                const std::string shortcut = menu + "\\" + name.first + ".LNK";
                expected.insert(fileLine(shortcut, readFile(shortcut).size()));
                const LinkFields fields = readLink(shortcut);
                EXPECT_EQ(fields.target, installed(name.second)) << shortcut;
                EXPECT_EQ(fields.workingFolder, paths.installFolder) << shortcut;
            }
        }
        EXPECT_EQ(changes(), expected) << what;
        EXPECT_TRUE(readFile<std::string>(installed("sonograf.exe")) == app && readFile<std::string>(installed("readme.txt")) == readme &&
                    readFile<std::string>(copy) == setup) << what;
        EXPECT_EQ(GetFileAttributesA(copy.c_str()) & FILE_ATTRIBUTE_READONLY, 0u) << what;

        HANDLE application = startProgram(installed("Sonograf.exe"), "");
        HWND window = awaitWindow(windowByTitle, application, "Sonograf");
        EXPECT_NE(window, nullptr);
        PostMessageA(window, WM_CLOSE, 0, 0);
        finishProgram(application, 10000);

        EXPECT_EQ(run(started, L"-h -u"), 0) << what;
        EXPECT_EQ(changes(), documentedTraces()) << what;
        // The temporary folder's own removal sees only names the code page holds.
        if (!startedAs.empty() && SetFileAttributesW(started.c_str(), FILE_ATTRIBUTE_NORMAL))
            DeleteFileW(started.c_str());
        removeAll();
    }
}

TEST_F(Procedures, SilentRunsLeaveOnlyTheDocumentedTraces) {
    std::vector<const char*> tenCycles;
    for (int i = 0; i < 10; ++i) tenCycles.insert(tenCycles.end(), {"-h -i", "-h -u"});
    const struct {
        const char* what;
        std::vector<const char*> runs;  // each returns 0
        Lines left;
    } cases[] = {{"uninstall with nothing installed", {"-h -u"}, {}},
                 {"install then uninstall", {"-h -i", "-h -u"}, documentedTraces()},
                 {"install when installed uninstalls", {"-h -i", "-h -i"}, documentedTraces()},
                 {"ten cycles", tenCycles, documentedTraces()}};
    for (const auto& c : cases) {
        for (const char* arguments : c.runs) ASSERT_EQ(run(installer, arguments), 0) << c.what << ": " << arguments;
        EXPECT_EQ(changes(), c.left) << c.what;
        removeAll();
    }
}

// As from the downloads folder of a user named so.
TEST_F(Procedures, InstallerStartedFromAFolderNamedOutsideTheCodePage) {
    TempFolder temp;
    const std::wstring folder = wide(temp.path()) + L"\\" + kForeignName;
    const std::wstring started = folder + L"\\SonografSetup.exe";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(wide(installer).c_str(), started.c_str(), FALSE));
    EXPECT_EQ(finishProgram(startProgram(started, L"-h -i"), 60000), 0u);
    EXPECT_EQ(productFilesWhole(), 3);
    const Lines now = changes();
    EXPECT_TRUE(now.count(textLine(entry(), "UninstallString", "\"" + copy + "\"")));
    EXPECT_TRUE(now.count(textLine(entry(), "QuietUninstallString", "\"" + copy + "\" -h -u")));
    // What the registered quiet uninstall runs: the copy, which moves out of the folder.
    Lines expected = documentedTraces();
    expected.insert(fileLine(setAside, setup.size()));
    expectRun(copy, "-h -u", 0, expected, "the copy");
    DeleteFileW(started.c_str());
    RemoveDirectoryW(folder.c_str());
}

// The per-user shortcuts go into a "Programs" folder named in any characters;
// a relative value ("." or empty) would name a folder below the current one
// and counts as absent. Nothing else is made in or taken from the current
// folder, whose Orvane\Sonograf holds a file of the user's.
TEST_F(Procedures, ProgramsValueNamedInAnyCharactersOrRelative) {
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof previous, previous);
    for (const std::wstring& name : {std::wstring(kForeignName) + L" Programs", std::wstring(L"."), std::wstring()}) {
        TempFolder current;
        const std::wstring folder = wide(current.path());
        ASSERT_TRUE(CreateDirectoryA(current.file("Orvane").c_str(), nullptr) &&
                    CreateDirectoryA(current.file("Orvane\\Sonograf").c_str(), nullptr) &&
                    writeFile(current.file("Orvane\\Sonograf\\file"), ""));
        const bool absolute = name.size() > 1;
        const std::wstring programs = absolute ? folder + L"\\" + name : name;
        if (absolute) CreateDirectoryW(programs.c_str(), nullptr);
        Lines kept = filesBelow(folder), installed = kept;
        if (absolute) {
            const std::string menu = utf8(programs) + "\\Orvane";
            kept.insert("D " + menu);
            installed.insert({"D " + menu, "D " + menu + "\\Sonograf", "F " + menu + "\\Sonograf\\Readme.LNK",
                              "F " + menu + "\\Sonograf\\Sonograf.LNK"});
        }
        ProgramsValue value(programs);
        SetCurrentDirectoryA(current.path().c_str());
        for (const char* arguments : {"-h -i", "-h -u"}) {
            EXPECT_EQ(run(installer, arguments), 0) << arguments;
            Lines now;  // shortcut sizes left out
            for (const std::string& line : filesBelow(folder))
                now.insert(line.find(".LNK ") == std::string::npos ? line : line.substr(0, line.find(".LNK ") + 4));
            EXPECT_EQ(now, arguments[4] == 'i' ? installed : kept) << utf8(name) << " " << arguments;
            EXPECT_FALSE(changes().count("D " + parentOf(paths.userMenuFolder))) << utf8(name) << " " << arguments;
        }
        SetCurrentDirectoryA(previous);
        if (absolute) {  // the temporary folder's own removal sees only names the code page holds
            RemoveDirectoryW((programs + L"\\Orvane").c_str());
            RemoveDirectoryW(programs.c_str());
        }
        removeAll();
    }
}

// Whatever the package, the install folder or the entry's key holds, an install
// ends with its own code and exactly its traces: a damaged package or a blocked
// folder leaves only what was written before, and no entry; a file link at a
// product file's name is replaced, never written through; a folder where the
// copy must go fails before the entry is written; run from the copy's own path
// the installer keeps that file; anything else's values and subkeys in the
// entry's key go; a leftover temporary file goes whatever it is. What an
// install completes, an uninstall takes away.
TEST_F(Procedures, InstallEndsWithItsCodeAndExactlyItsTraces) {
    const Lines complete = completeInstall();
    const std::string package = installerPackage(installer);
    ASSERT_GT(package.size(), PACKAGE_HEADER_SIZE);
    PackageEntry entries[PACKAGE_ENTRY_COUNT];
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i)
        readPackageEntry(reinterpret_cast<const uint8_t*>(package.data()), i, &entries[i]);
    const Lines folders = {"D " + parentOf(paths.installFolder), "D " + paths.installFolder};
    Lines firstFile = folders, copyBlocked = {"D " + copy};
    firstFile.insert(fileLine(installed("sonograf.exe"), entries[0].size));
    for (const std::string& line : complete)  // all but the copy and the entry
        if (line.find(entry()) == std::string::npos && line != fileLine(copy, setup.size())) copyBlocked.insert(line);
    enum State { NoPackage, FlipInEntry0, FlipInEntry1, UnsafeName, FileAtFolder, ForeignEntry, FileLinks, FolderAtCopy,
                 Leftovers, RunFromCopy };
    const struct {
        const char* what;
        State state;
        int code;
        Lines left;
    } rows[] = {{"no package", NoPackage, PACKAGE_UNREADABLE, {}},
                {"stored byte flipped in entry 0", FlipInEntry0, COPY_FAILED, folders},
                {"stored byte flipped in entry 1", FlipInEntry1, COPY_FAILED, firstFile},
                {"entry name climbing out of the folder", UnsafeName, COPY_FAILED, firstFile},
                {"a file where the folder OV must go", FileAtFolder, INSTALL_FOLDER_NOT_CREATED,
                 {fileLine(parentOf(paths.installFolder), 0)}},
                {"foreign values and subkeys in the entry's key", ForeignEntry, 0, complete},
                {"file links at the readme's and the copy's names", FileLinks, 0, complete},
                {"a folder named like the copy", FolderAtCopy, COPY_FAILED, copyBlocked},
                {"temporary files left: the copy's read-only, a folder", Leftovers, 0, complete},
                {"run from the copy's own path", RunFromCopy, 0, complete}};
    TempFolder temp, outside;
    const std::string linked[] = {installed("readme.txt"), copy};
    for (const auto& row : rows) {
        std::string program = installer, damaged = package;
        if (row.state >= FileLinks) {
            CreateDirectoryA(parentOf(paths.installFolder).c_str(), nullptr);
            CreateDirectoryA(paths.installFolder.c_str(), nullptr);
        }
        switch (row.state) {
            case NoPackage: damaged.clear(); break;
            case FlipInEntry0:
            case FlipInEntry1: damaged[entries[row.state - FlipInEntry0].offset] ^= 1; break;
            case UnsafeName: damaged = renamedEntry(package, 1, "..\\readme.txt"); break;
            case FileAtFolder: writeFile(parentOf(paths.installFolder), ""); break;
            case ForeignEntry:
                ASSERT_TRUE(ScratchKey::create(HKEY_LOCAL_MACHINE, paths.uninstallKey + "\\Foreign"));
                for (const char* name : {"SystemComponent", "WindowsInstaller"})
                    ASSERT_TRUE(writeValue(HKEY_LOCAL_MACHINE, paths.uninstallKey, name, REG_DWORD, std::string("\1\0\0\0", 4)));
                break;
            case FileLinks:
                for (const std::string& link : linked)
                    ASSERT_TRUE(writeFile(outside.file(nameOf(link)), "") && plantFileLink(link, outside.file(nameOf(link))));
                break;
            case FolderAtCopy: ASSERT_TRUE(CreateDirectoryA(copy.c_str(), nullptr)); break;
            case Leftovers:
                ASSERT_TRUE(writeFile(copy + PARTIAL_SUFFIX, "torn") &&
                            SetFileAttributesA((copy + PARTIAL_SUFFIX).c_str(), FILE_ATTRIBUTE_READONLY) &&
                            CreateDirectoryA(installed("sonograf.exe" PARTIAL_SUFFIX).c_str(), nullptr));
                break;
            case RunFromCopy: ASSERT_TRUE(CopyFileA(installer.c_str(), (program = copy).c_str(), FALSE)); break;
        }
        if (row.state <= UnsafeName)
            ASSERT_TRUE(copyWithPackage(installer, program = temp.file("SonografSetup.exe"), damaged)) << row.what;
        expectRun(program, "-h -i", row.code, row.left, row.what);
        if (row.code == 0) {
            EXPECT_EQ(productFilesWhole(), 3) << row.what;
            expectRun(installer, "-h -u", 0, documentedTraces(), row.what);
        }
        removeAll();
    }
    for (const std::string& link : linked)
        EXPECT_EQ(readFile<std::string>(outside.file(nameOf(link))), "") << link << ": its target, untouched";
}

// Starts the program and terminates it as soon as `watched` is there
// (`appears`) or gone; true when it was still running then.
bool killWhen(const std::string& program, const char* arguments, const std::string& watched, bool appears) {
    HANDLE process = startProgram(program, arguments);
    bool killed = false;
    for (const DWORD start = GetTickCount(); WaitForSingleObject(process, 0) == WAIT_TIMEOUT;) {
        if (present(watched) == appears || GetTickCount() - start > 60000) {
            killed = TerminateProcess(process, 1);
            break;
        }
    }
    WaitForSingleObject(process, 60000);
    CloseHandle(process);
    return killed;
}

// Killed at any moment, a run leaves each product file whole or absent, and
// the next runs install completely, temporary files of the killed run gone,
// and uninstall completely. Tries per row: SONOGRAF_KILL_TRIES, 3 by default.
TEST_F(Procedures, AKilledRunLeavesWholeFilesAndTheNextRunsFinish) {
    const Lines complete = completeInstall();
    const char* asked = std::getenv("SONOGRAF_KILL_TRIES");
    const int tries = asked ? std::atoi(asked) : 3;
    const struct {
        const char* what;
        const char* arguments;
        std::string watched;
        bool appears;
    } rows[] = {{"install killed while the application is written", "-h -i", installed("sonograf.exe" PARTIAL_SUFFIX), true},
                {"install killed as the application appears", "-h -i", installed("sonograf.exe"), true},
                {"install killed while the uninstaller copy is written", "-h -i", copy + PARTIAL_SUFFIX, true},
                {"install killed as the uninstaller copy appears", "-h -i", copy, true},
                {"uninstall killed as the application goes", "-h -u", installed("sonograf.exe"), false}};
    int kills = 0, torn = 0;
    for (const auto& row : rows) {
        for (int attempt = 0; attempt < tries; ++attempt) {
            const std::string what = std::string(row.what) + ", try " + std::to_string(attempt);
            if (!row.appears) ASSERT_EQ(run(installer, "-h -i"), 0) << what;
            kills += killWhen(installer, row.arguments, row.watched, row.appears);
            const int whole = productFilesWhole();
            torn += whole < 0;
            EXPECT_GE(whole, 0) << what << ": a torn file";
            // Killed only after its entry was complete, the install is done,
            // and -i would take it away again.
            if (!entryComplete()) {
                // An uninstall killed late has reset the tray settings already.
                Lines expected = complete, settings = settingsTraces();
                if (keyExists(HKEY_CURRENT_USER, "Orvane")) expected.insert(settings.begin(), settings.end());
                expectRun(installer, "-h -i", 0, expected, what);
                EXPECT_EQ(productFilesWhole(), 3) << what;
            }
            expectRun(installer, "-h -u", 0, documentedTraces(), what);
            removeAll();
        }
    }
    std::cout << "killed " << kills << " of " << 5 * tries << " runs; torn files: " << torn << std::endl;
}

// Restarts Windows' session in the prefix as a restart of Windows would: the
// pending file operations are carried out; running programs stay.
void restartWindows() {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    EXPECT_NE(runProgram(std::string(system) + "\\wineboot.exe", "-r", 120000), STILL_ACTIVE);
}

// Whatever an interrupted or hindered run left, -u removes all of the
// product's own, run by the installer or through the registered
// QuietUninstallString. An application that runs hung or is held open, or
// another product file held open, fails the uninstall with its own code and
// keeps the entry and the copy; once it is free the uninstall ends the job.
// Every running application is asked to end. Files of the user's in the
// product's folders stay, with their folders, one whose path no narrow call
// reaches included, and the run still ends 0. Run from the copy, the folder
// goes too (when nothing of the user's is left in it), and the copy, moved
// out of it, at the next restart.
TEST_F(Procedures, UninstallRemovesWhatAnyStateLeft) {
    std::string damaged = installerPackage(installer);
    PackageEntry first;
    readPackageEntry(reinterpret_cast<const uint8_t*>(damaged.data()), 0, &first);
    first.digest[0] ^= 1;  // the application fails alone: only readme.txt is written
    writePackageEntry(reinterpret_cast<uint8_t*>(&damaged[0]), 0, &first);
    TempFolder temp;
    const std::string damagedInstaller = temp.file("SonografSetup.exe");
    ASSERT_TRUE(copyWithPackage(installer, damagedInstaller, damaged));
    const std::string application = installed("sonograf.exe");
    enum State { EntryAndCopyOnly, AppAndReadmeDeleted, AppDeleted, AppReadOnly, AppHeld, AppHung, ReadmeHeld,
                 TwoAppsRunning, UserFiles, Leftovers, FailedInstall, FolderAtCopy };
    // A user's files in the install folder and in both Start-menu folders; the
    // long name puts its path past MAX_PATH.
    const std::string userFiles[] = {installed("Recordings\\take1.wav"), installed(std::string(240, 'n')),
                                     paths.userMenuFolder + "\\My notes.txt", paths.commonMenuFolder + "\\Mine.LNK"};
    Lines userLines = {"D " + paths.installFolder, "D " + installed("Recordings"), "D " + paths.userMenuFolder,
                       "D " + paths.commonMenuFolder};
    for (const std::string& file : userFiles) userLines.insert(fileLine(file, 0));
    const std::string leftovers[] = {application + PARTIAL_SUFFIX, installed("readme.txt" PARTIAL_SUFFIX),
                                     copy + PARTIAL_SUFFIX};
    const struct {
        const char* what;
        State state;  // made after the install
        int code;     // of the first uninstall
    } rows[] = {{"only the entry and the copy", EntryAndCopyOnly, 0},
                {"application and readme deleted", AppAndReadmeDeleted, 0},
                {"application deleted", AppDeleted, 0},
                {"application read-only", AppReadOnly, 0},
                {"application held open without sharing", AppHeld, APPLICATION_STAYS},
                {"application hung", AppHung, APPLICATION_STAYS},
                {"only readme.txt after a failed install", FailedInstall, 0},
                {"readme.txt held open without sharing", ReadmeHeld, PRODUCT_FILE_STAYS},
                {"two applications running", TwoAppsRunning, 0},
                {"a user's files in the product's folders", UserFiles, 0},
                {"temporary files left: read-only, a folder, a file", Leftovers, 0},
                {"a folder where the copy was, never moved out as the copy", FolderAtCopy, 0}};
    for (const auto& row : rows) {
        for (const bool quiet : {false, true}) {
            // A failed install writes no entry and a folder runs nothing: no QuietUninstallString to run.
            if (quiet && row.state >= FailedInstall) continue;
            const std::string what = std::string(row.what) + (quiet ? ", QuietUninstallString" : ", installer");
            auto uninstall = [&] { return quiet ? runQuietUninstall() : run(installer, "-h -u"); };
            if (row.state == FailedInstall) {
                ASSERT_EQ(run(damagedInstaller, "-h -i"), COPY_FAILED) << what;
                ASSERT_TRUE(present(installed("readme.txt")) && !present(application)) << what;
            } else {
                ASSERT_EQ(run(installer, "-h -i"), 0) << what;
            }
            HANDLE holder = INVALID_HANDLE_VALUE, running = nullptr, second = nullptr;
            switch (row.state) {
                case EntryAndCopyOnly:
                    TempFolder::removeTree(paths.userMenuFolder);
                    TempFolder::removeTree(paths.commonMenuFolder);
                    [[fallthrough]];
                case AppAndReadmeDeleted: DeleteFileA(installed("readme.txt").c_str()); [[fallthrough]];
                case AppDeleted: DeleteFileA(application.c_str()); break;
                case AppReadOnly: SetFileAttributesA(application.c_str(), FILE_ATTRIBUTE_READONLY); break;
                case AppHeld:
                    holder = CreateFileA(application.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                    EXPECT_NE(holder, INVALID_HANDLE_VALUE) << what;
                    break;
                case AppHung:
                    running = startProgram(application, "");
                    EXPECT_NE(awaitWindow(windowByTitle, running, "Sonograf"), nullptr) << what;
                    holdThreads(running, true);
                    break;
                case FailedInstall: break;
                case FolderAtCopy:
                    EXPECT_TRUE(DeleteFileA(copy.c_str()) && CreateDirectoryA(copy.c_str(), nullptr)) << what;
                    break;
                case ReadmeHeld:
                    holder = CreateFileA(installed("readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                         nullptr);
                    EXPECT_NE(holder, INVALID_HANDLE_VALUE) << what;
                    break;
                case TwoAppsRunning:
                    running = startProgram(application, "");
                    EXPECT_NE(awaitWindow(windowByTitle, running, "Sonograf"), nullptr) << what;
                    second = startProgram(application, "");
                    EXPECT_NE(awaitWindow(windowByTitle, second, "Sonograf"), nullptr) << what;
                    break;
                case UserFiles:
                    CreateDirectoryA(installed("Recordings").c_str(), nullptr);
                    for (const std::string& file : userFiles)
                        CloseHandle(CreateFileW(wide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
                    break;
                case Leftovers:
                    EXPECT_TRUE(writeFile(leftovers[0], "") && CreateDirectoryA(leftovers[1].c_str(), nullptr) &&
                                writeFile(leftovers[2], "torn") &&
                                SetFileAttributesA(leftovers[0].c_str(), FILE_ATTRIBUTE_READONLY))
                        << what;
                    break;
            }
            EXPECT_EQ(uninstall(), row.code) << what;
            if (row.state == TwoAppsRunning) {
                EXPECT_NE(finishProgram(running, 0), STILL_ACTIVE) << what;
                EXPECT_NE(finishProgram(second, 0), STILL_ACTIVE) << what;
                running = nullptr;
            }
            if (row.code != 0) {
                const std::string held = row.state == ReadmeHeld ? installed("readme.txt") : application;
                EXPECT_TRUE(entryThere() && present(copy) && present(held)) << what << ": all kept for a retry";
                CloseHandle(holder);
                if (running) {
                    holdThreads(running, false);
                    finishProgram(running, 30000);
                }
                EXPECT_EQ(uninstall(), 0) << what << ", retried";
            }
            Lines traces = documentedTraces();
            if (row.state == FailedInstall) {  // no Start-menu folders were made
                traces.erase("D " + parentOf(paths.userMenuFolder));
                traces.erase("D " + parentOf(paths.commonMenuFolder));
            }
            if (row.state == UserFiles) traces.insert(userLines.begin(), userLines.end());
            Lines left = traces;
            if (quiet) left.insert(fileLine(setAside, setup.size()));
            EXPECT_EQ(changes(), left) << what;
            if (quiet) {
                restartWindows();
                waitUntil([&] { return !present(setAside); });
                EXPECT_EQ(changes(), traces) << what << ", after a restart";
            }
            if (row.state == UserFiles)  // beyond the reach of the narrow calls that tidy up
                for (const std::string& file : userFiles) DeleteFileW(wide(file).c_str());
            removeAll();
        }
    }
}

// Run from the uninstaller copy under any spelling of its path, or from its
// window's Remove as Programs and Features starts it, the uninstall removes
// the install folder at once; the copy, moved beside it, goes at the next
// restart, which takes nothing a later install wrote.
TEST_F(Procedures, UninstallFromTheCopyLeavesOnlyTheMovedCopyForTheRestart) {
    ASSERT_EQ(run(installer, "-h -i"), 0);
    std::string slashes = copy;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    char shortPath[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA(copy.c_str(), shortPath, MAX_PATH), 0u);
    const struct {
        const char* what;
        std::string program;    // empty: the registered QuietUninstallString
        const char* arguments;  // empty: Enter in the window, its Remove
    } rows[] = {{"QuietUninstallString", "", ""},
                {"lower case, -u", lowerCase(copy), "-u"},
                {"'/' separators", slashes, "-h -u"},
                {"short names", shortPath, "-h -u"},
                {"the window's Remove", copy, ""}};
    Lines left = documentedTraces();
    left.insert(fileLine(setAside, setup.size()));
    for (const auto& row : rows) {
        if (row.program.empty()) {
            EXPECT_EQ(runQuietUninstall(), 0);
        } else if (*row.arguments) {
            EXPECT_EQ(run(row.program, row.arguments), 0) << row.what;
        } else {
            HANDLE process = startProgram(copy, "");
            HWND window = awaitWindow(windowByClass, process, "OVSonograf0Installer0MainWindow0");
            PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
            EXPECT_EQ(finishProgram(process, 60000), 0u);
        }
        EXPECT_EQ(changes(), left) << row.what;
        ASSERT_EQ(run(installer, "-h -i"), 0) << row.what;  // the next row's install, the last one kept
    }
    Lines installed = changes();
    restartWindows();
    waitUntil([&] { return !present(setAside); });
    installed.erase(fileLine(setAside, setup.size()));
    EXPECT_EQ(changes(), installed);
    EXPECT_EQ(productFilesWhole(), 3);
}

TEST_F(Procedures, RunningApplicationClosesWhenTheInstallerStarts) {
    ASSERT_EQ(run(installer, "-h -i"), 0);
    HANDLE application = startProgram(installed("Sonograf.exe"), "");
    ASSERT_NE(awaitWindow(windowByTitle, application, "Sonograf"), nullptr);
    HANDLE setup = startProgram(installer, "-h -u");
    EXPECT_NE(finishProgram(application, 20000), STILL_ACTIVE);
    finishProgram(setup, 60000);
}

// Nothing outside the install folder goes: not a file the uninstaller's header
// names outside it, nor the target of a folder link planted in it.
TEST_F(Procedures, UninstallLeavesFilesOutsideTheFolderAlone) {
    ASSERT_EQ(run(installer, "-h -i"), 0);
    const std::string outside = parentOf(paths.installFolder) + "\\outside.txt";
    writeFile(outside, "");
    TempFolder temp, target;
    const std::string kept = target.file("kept.txt");
    writeFile(kept, "");
    link = installed("data");
    ASSERT_TRUE(plantFolderLink(link, target.path()));
    const std::string uninstaller = temp.file("SonografSetup.exe");
    ASSERT_TRUE(copyWithPackage(installer, uninstaller, renamedEntry(installerPackage(installer), 1, "..\\outside.txt")));
    EXPECT_EQ(run(uninstaller, "-h -u"), 0);
    EXPECT_TRUE(present(outside) && present(kept));
    EXPECT_FALSE(entryThere());
}
}  // namespace
