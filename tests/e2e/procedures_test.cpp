// The real installer's silent install and uninstall, checked by comparing
// snapshots of the places they touch. Every case starts and ends on a system
// without the application.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
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

std::string nameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

// The wide form runs a program named in any characters.
int run(const std::wstring& program, const char* arguments) {
    return static_cast<int>(finishProgram(startProgram(program, wide(arguments)), 60000));
}

int run(const std::string& program, const char* arguments) { return run(wide(program), arguments); }

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
    for (const std::string& folder : {paths.programFiles, paths.userPrograms, paths.commonPrograms, paths.startup})
        addFiles(lines, wide(folder));
    addKeys(lines, HKEY_LOCAL_MACHINE, "HKLM\\", parentOf(paths.uninstallKey));
    addKeys(lines, HKEY_CURRENT_USER, "HKCU\\", "Orvane");
    return lines;
}

// Suspends or resumes every thread of a process: a hung program.
void holdThreads(HANDLE process, bool hold) {
    for (DWORD id : threadsOf(GetProcessId(process))) {
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, id);
        hold ? SuspendThread(thread) : ResumeThread(thread);
        CloseHandle(thread);
    }
}

// The per-user "Programs" value, set through the wide registry API, and the
// current folder, for some steps; put back as they were (the value deleted,
// if there was none) when the object goes.
class ProgramsValue {
public:
    ProgramsValue(const std::wstring& folder, const std::string& current) {
        RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, &key_);
        had_ = RegQueryValueExW(key_, L"Programs", nullptr, nullptr, saved_, &size_) == ERROR_SUCCESS;
        RegSetValueExW(key_, L"Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
        GetCurrentDirectoryA(sizeof previous_, previous_);
        SetCurrentDirectoryA(current.c_str());
    }
    ~ProgramsValue() {
        SetCurrentDirectoryA(previous_);
        if (had_) RegSetValueExW(key_, L"Programs", 0, REG_SZ, saved_, size_);
        else RegDeleteValueW(key_, L"Programs");
        RegCloseKey(key_);
    }

private:
    HKEY key_ = nullptr;
    BYTE saved_[4096] = {};
    DWORD size_ = sizeof saved_;
    bool had_ = false;
    char previous_[MAX_PATH] = {};
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
        DeleteFileA((paths.startup + "\\Sonograf (Orvane).lnk").c_str());
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
    std::string installed(const std::string& name) const { return paths.installFolder + "\\" + name; }
    // A value of the uninstall entry as stored, empty when it is not there.
    std::string entryValue(const char* name) const {
        char data[1024] = {};
        DWORD size = sizeof data - 1;
        // The installer's view is this program's own.
        if (RegGetValueA(HKEY_LOCAL_MACHINE, paths.uninstallKey.c_str(), name, RRF_RT_ANY, nullptr, data, &size))
            size = 0;
        return std::string(data, size);
    }
    // Restarts Windows' session in the prefix as a restart of Windows would:
    // the pending file operations are carried out; running programs stay. 0
    // once done and the copy set aside is gone.
    int restarted() const {
        char system[MAX_PATH] = {};
        GetSystemDirectoryA(system, sizeof system);
        return (runProgram(std::string(system) + "\\wineboot.exe", "-r", 120000) == STILL_ACTIVE) |
               !waitUntil([&] { return !present(setAside); });
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
    // The application, the readme and the uninstaller copy: how many of them
    // are there with exactly their right bytes, or -1 when one is there torn.
    // A folder in a file's place, or a file held without sharing, is not read.
    int productFilesWhole() const {
        const std::pair<std::string, std::string> files[] = {
            {installed("sonograf.exe"), app}, {installed("readme.txt"), readme}, {copy, setup}};
        int whole = 0;
        for (const auto& file : files) {
            std::ifstream in(file.first, std::ios::binary);
            if (!in) continue;
            if (std::string(std::istreambuf_iterator<char>(in), {}) != file.second) return -1;
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

// Every state an install, a kill, a user or another program can leave, and
// every run over it, as steps of one kind: start clean or installed (or go on
// from the step before), prepare the state, run, and expect the run's code and
// exactly its traces, the changes since the clean system. Product files are
// whole or absent after every step, and a step that leaves a complete install
// is followed by an uninstall, by the program that installed, that takes it away.
TEST_F(Procedures, EveryStateAndRunEndsWithItsCodeAndExactlyItsTraces) {
    // What a complete install adds, value for value; the shortcuts' sizes are
    // read from it, their targets and working folder through the shell.
    ASSERT_EQ(run(installer, "-h -i"), 0);
    const std::string entry = "HKLM\\" + paths.uninstallKey;
    Lines complete = {"D " + parentOf(paths.installFolder), "D " + paths.installFolder,
                      fileLine(installed("sonograf.exe"), app.size()), fileLine(installed("readme.txt"), readme.size()),
                      fileLine(copy, setup.size()), "K " + entry,
                      textLine(entry, "DisplayName", "Sonograf, The Spectrum Analyzer"),
                      textLine(entry, "Publisher", "Orvane Software"),
                      textLine(entry, "UninstallString", "\"" + copy + "\""), textLine(entry, "DisplayIcon", copy),
                      textLine(entry, "DisplayVersion", PRODUCT_VERSION),
                      textLine(entry, "InstallLocation", paths.installFolder),
                      textLine(entry, "QuietUninstallString", "\"" + copy + "\" -h -u"),
                      dwordLine(entry, "EstimatedSize",
                                static_cast<DWORD>((app.size() + readme.size() + setup.size() + 1023) / 1024)),
                      dwordLine(entry, "NoModify", 1), dwordLine(entry, "NoRepair", 1)};
    for (const std::string& menu : {paths.userMenuFolder, paths.commonMenuFolder}) {
        complete.insert({"D " + parentOf(menu), "D " + menu});
        for (const auto& name : {std::make_pair("Readme", "readme.txt"), std::make_pair("Sonograf", "Sonograf.exe")}) {
            const std::string shortcut = menu + "\\" + name.first + ".LNK";
            complete.insert(fileLine(shortcut, readFile(shortcut).size()));
            const LinkFields fields = readLink(shortcut);
            EXPECT_EQ(fields.target, installed(name.second)) << shortcut;
            EXPECT_EQ(fields.workingFolder, paths.installFolder) << shortcut;
        }
    }
    EXPECT_EQ(changes(), complete);
    ASSERT_EQ(run(installer, "-h -u"), 0);
    removeAll();
    const std::string package = installerPackage(installer);
    ASSERT_GT(package.size(), PACKAGE_HEADER_SIZE);
    PackageEntry entries[PACKAGE_ENTRY_COUNT];
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i)
        readPackageEntry(reinterpret_cast<const uint8_t*>(package.data()), i, &entries[i]);
    const std::string ov = parentOf(paths.installFolder), application = installed("sonograf.exe");
    const std::string readmeFile = installed("readme.txt");
    auto with = [](Lines lines, const Lines& more) {
        lines.insert(more.begin(), more.end());
        return lines;
    };
    auto entryPart = [&](const Lines& lines) {
        Lines part;
        for (const std::string& line : lines)
            if (line.find(entry) != std::string::npos) part.insert(line);
        return part;
    };
    // What an uninstall keeps: the parent folders and the tray settings at 0.
    const std::string tray = "HKCU\\Orvane\\Sonograf";
    const Lines settings = {"K HKCU\\Orvane", "K " + tray, dwordLine(tray, "SysTray", 0),
                            dwordLine(tray, "SysTrayShowOnRun", 0)};
    const Lines documented = with(settings, {"D " + ov, "D " + parentOf(paths.userMenuFolder),
                                             "D " + parentOf(paths.commonMenuFolder)});
    const Lines folders = {"D " + ov, "D " + paths.installFolder};
    const Lines firstFile = with(folders, {fileLine(application, entries[0].size)});
    const Lines withCopy = with(documented, {fileLine(setAside, setup.size())});
    // What an uninstall that the application withstands keeps: the entry, the copy and the application.
    const Lines kept = with(with(documented, entryPart(complete)),
                            {"D " + paths.installFolder, fileLine(copy, setup.size()), fileLine(application, app.size())});
    Lines halfUninstalled = documented, copyBlocked = {"D " + copy};
    halfUninstalled.erase("D " + parentOf(paths.userMenuFolder));  // a failed install makes no menu folders
    halfUninstalled.erase("D " + parentOf(paths.commonMenuFolder));
    const std::string readmeShortcut = paths.userMenuFolder + "\\Readme.LNK";
    Lines readmeBlocked = {"D " + readmeShortcut};
    for (const std::string& line : complete) {
        if (entryPart({line}).empty() && line != fileLine(copy, setup.size())) copyBlocked.insert(line);
        if (line.rfind("F " + readmeShortcut + " ", 0) != 0) readmeBlocked.insert(line);
    }
    const Lines outsideLeft = {fileLine(ov + "\\outside.txt", 0), "D " + ov + "\\target",
                               fileLine(ov + "\\target\\kept.txt", 0), "D " + paths.userMenuFolder,
                               "D " + paths.userMenuFolder + "\\data"};

    TempFolder temp, outside;
    std::wstring program;  // what a step runs
    HANDLE holder = INVALID_HANDLE_VALUE, running = nullptr, second = nullptr;
    std::unique_ptr<ProgramsValue> programsValue;
    auto variant = [&](const std::string& bytes) {
        program = wide(temp.file("SonografSetup.exe"));
        EXPECT_TRUE(copyWithPackage(installer, temp.file("SonografSetup.exe"), bytes));
    };
    // Whatever the installer's file is called, like the application or in
    // characters outside the code page, and whatever its folder is called (as
    // the downloads folder of a user named so), the copy has its own one name,
    // writable though the installer was read-only.
    const std::wstring foreign = kForeignName, foreignFolder = wide(temp.path()) + L"\\" + foreign;
    const std::wstring startedAs[] = {L"Other Setup.exe", L"Sonograf.exe", foreign + L".exe",
                                      foreign + L"\\SonografSetup.exe"};
    auto started = [&](const std::wstring& name) {
        return [&, name] {
            CreateDirectoryW(foreignFolder.c_str(), nullptr);
            program = wide(temp.path()) + L"\\" + name;
            EXPECT_TRUE(CopyFileW(wide(installer).c_str(), program.c_str(), FALSE));
            SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_READONLY);
        };
    };
    auto flipped = [&](size_t at) {
        std::string bytes = package;
        bytes[at] ^= 1;
        return bytes;
    };
    auto removing = [](std::vector<std::string> paths) {
        return [paths] {
            for (const std::string& path : paths) DeleteFileA(path.c_str()), TempFolder::removeTree(path);
        };
    };
    auto makeInstallFolder = [&] {
        CreateDirectoryA(ov.c_str(), nullptr);
        CreateDirectoryA(paths.installFolder.c_str(), nullptr);
    };
    auto hold = [&](const std::string& path) {
        return [&, path] {
            holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            EXPECT_NE(holder, INVALID_HANDLE_VALUE) << path;
        };
    };
    auto release = [&] {
        programsValue.reset();
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        holder = INVALID_HANDLE_VALUE;
        for (HANDLE* process : {&running, &second}) {
            if (*process) {  // every application a step starts is asked to end; a hung one ends once resumed
                holdThreads(*process, false);
                EXPECT_NE(finishProgram(*process, 30000), STILL_ACTIVE) << "an application not asked to end";
            }
            *process = nullptr;
        }
    };
    using Run = std::function<int()>;
    auto silent = [&](const char* arguments) { return Run([&program, arguments] { return run(program, arguments); }); };
    // Killed the moment `moment` holds, a run leaves files whole or absent and an
    // entry marked complete whole; the next -i completes what it left, -u removes it.
    auto killed = [&](const char* arguments, std::function<bool()> moment) {
        return Run([&, arguments, moment] {
            HANDLE process = startProgram(installer, arguments);
            while (WaitForSingleObject(process, 0) == WAIT_TIMEOUT && !moment()) {
            }
            TerminateProcess(process, 1);
            finishProgram(process, 60000);
            EXPECT_GE(productFilesWhole(), 0) << arguments << ": a torn file";
            if (entryComplete()) {
                EXPECT_EQ(entryPart(changes()), entryPart(complete)) << arguments << ": an entry marked complete is whole";
            } else {  // an uninstall killed late has reset the tray settings already
                const Lines left = keyExists(HKEY_CURRENT_USER, "Orvane") ? settings : Lines();
                EXPECT_EQ(run(installer, "-h -i"), 0) << arguments;
                EXPECT_EQ(changes(), with(complete, left)) << arguments << ": completed by -i";
                EXPECT_EQ(productFilesWhole(), 3) << arguments;
            }
            return run(installer, "-h -u");
        });
    };

    enum Start { Clean, Installed, Continue };
    struct Step {
        std::string what;
        Start start;
        std::function<void()> prepare;
        Run run;
        int code;
        Lines traces;
    };
    std::vector<Step> steps = {
        {"uninstall with nothing installed", Clean, nullptr, silent("-h -u"), 0, {}},
        {"install when installed uninstalls", Installed, nullptr, silent("-h -i"), 0, documented},
        {"ten install and uninstall cycles", Clean, nullptr,
         [&] {
             int codes = 0;
             for (int i = 0; i < 10; ++i) codes |= run(installer, "-h -i") | run(installer, "-h -u");
             return codes;
         },
         0, documented},
        {"no package", Clean, [&] { variant(""); }, silent("-h -i"), PACKAGE_UNREADABLE, {}},
        {"stored byte flipped in entry 0", Clean, [&] { variant(flipped(entries[0].offset)); }, silent("-h -i"),
         COPY_FAILED, folders},
        {"stored byte flipped in entry 1", Clean, [&] { variant(flipped(entries[1].offset)); }, silent("-h -i"),
         COPY_FAILED, firstFile},
        // The application fails alone: only readme.txt is written, and no entry.
        {"digest of entry 0 wrong", Clean, [&] { variant(flipped(PACKAGE_FIELD_DIGEST)); }, silent("-h -i"),
         COPY_FAILED, with(folders, {fileLine(readmeFile, readme.size())})},
        {"only readme.txt after a failed install, uninstalled", Continue, [&] { program = wide(installer); },
         silent("-h -u"), 0, halfUninstalled},
        {"entry name climbing out of the folder", Clean, [&] { variant(renamedEntry(package, 1, "..\\readme.txt")); },
         silent("-h -i"), COPY_FAILED, firstFile},
        {"a file where the folder OV must go", Clean, [&] { writeFile(ov, ""); }, silent("-h -i"),
         INSTALL_FOLDER_NOT_CREATED, {fileLine(ov, 0)}},
        {"foreign values and subkeys in the entry's key", Clean,
         [&] {
             EXPECT_TRUE(ScratchKey::create(HKEY_LOCAL_MACHINE, paths.uninstallKey + "\\Foreign"));
             for (const char* name : {"SystemComponent", "WindowsInstaller"})
                 EXPECT_TRUE(writeValue(HKEY_LOCAL_MACHINE, paths.uninstallKey, name, REG_DWORD, std::string("\1\0\0\0", 4)));
         },
         silent("-h -i"), 0, complete},
        {"file links at the readme's and the copy's names", Clean,
         [&] {
             makeInstallFolder();
             for (const std::string& name : {std::string("readme.txt"), nameOf(copy)})
                 EXPECT_TRUE(writeFile(outside.file(name), "") && plantFileLink(installed(name), outside.file(name)));
         },
         silent("-h -i"), 0, complete},
        {"a folder named like the copy", Clean,
         [&] {
             makeInstallFolder();
             CreateDirectoryA(copy.c_str(), nullptr);
         },
         silent("-h -i"), COPY_FAILED, copyBlocked},
        {"temporary files left: the copy's read-only, a folder", Clean,
         [&] {
             makeInstallFolder();
             EXPECT_TRUE(writeFile(copy + PARTIAL_SUFFIX, "torn") &&
                         SetFileAttributesA((copy + PARTIAL_SUFFIX).c_str(), FILE_ATTRIBUTE_READONLY) &&
                         CreateDirectoryA((application + PARTIAL_SUFFIX).c_str(), nullptr));
         },
         silent("-h -i"), 0, complete},
        {"run from the copy's own path", Clean,
         [&] {
             makeInstallFolder();
             CopyFileA(installer.c_str(), copy.c_str(), FALSE);
         },
         [&] { return run(copy, "-h -i"); }, 0, complete},
        {"a folder at the per-user readme shortcut's name", Clean,
         [&] {
             for (const std::string& folder : {parentOf(paths.userMenuFolder), paths.userMenuFolder, readmeShortcut})
                 CreateDirectoryA(folder.c_str(), nullptr);
         },
         silent("-h -i"), 0, readmeBlocked},
        {"install over an application held open", Installed, hold(application), silent("-h -i"), APPLICATION_STAYS,
         kept},
        {"the same, released", Continue, release, silent("-h -u"), 0, documented},
        {"a folder where the copy was, never moved out as the copy", Installed,
         [&] { EXPECT_TRUE(DeleteFileA(copy.c_str()) && CreateDirectoryA(copy.c_str(), nullptr)); }, silent("-h -u"),
         0, documented},
        {"the application's startup shortcut", Installed,
         [&] { EXPECT_TRUE(writeFile(paths.startup + "\\Sonograf (Orvane).lnk", "")); }, silent("-h -u"), 0,
         documented},
        // This header names no application: the application stays, not the product's own to it.
        {"a header naming a file outside the folder, a link out of a menu folder", Installed,
         [&] {
             EXPECT_TRUE(writeFile(ov + "\\outside.txt", "") && CreateDirectoryA((ov + "\\target").c_str(), nullptr) &&
                         writeFile(ov + "\\target\\kept.txt", ""));
             EXPECT_TRUE(plantFolderLink(link = paths.userMenuFolder + "\\data", ov + "\\target"));
             variant(renamedEntry(package, 0, "..\\outside.txt"));
         },
         silent("-h -u"), 0,
         with(with(documented, outsideLeft), {"D " + paths.installFolder, fileLine(application, app.size())})},
        {"the same, by the installer", Continue, [&] { program = wide(installer); }, silent("-h -u"), 0,
         with(documented, outsideLeft)},
        // Run from the uninstaller copy under any spelling of its path, or from
        // its window's Remove as Programs and Features starts it, the uninstall
        // removes the install folder at once; the copy, moved beside it, goes at
        // the next restart, which takes nothing a later install wrote.
        {"the copy run in lower case, -u", Installed, [&] { CharLowerW(&(program = wide(copy))[0]); }, silent("-u"), 0,
         withCopy},
        {"the copy run with '/' separators", Installed,
         [&] {
             program = wide(copy);
             std::replace(program.begin(), program.end(), L'\\', L'/');
         },
         silent("-h -u"), 0, withCopy},
        {"the copy run by its short name", Installed,
         [&] {
             program.resize(MAX_PATH);
             program.resize(GetShortPathNameW(wide(copy).c_str(), &program[0], MAX_PATH));
         },
         silent("-h -u"), 0, withCopy},
        {"the copy's window, its Remove", Installed, nullptr,
         [&] {
             HANDLE process = startProgram(copy, "");
             HWND window = awaitWindow(windowByClass, process, "OVSonograf0Installer0MainWindow0");
             PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
             return static_cast<int>(finishProgram(process, 60000));
         },
         0, withCopy},
        {"installed again, then a restart", Continue, nullptr, [&] { return run(installer, "-h -i") | restarted(); }, 0,
         with(complete, settings)},
    };
    for (const std::wstring& name : startedAs)
        steps.push_back({"started as " + utf8(name), Clean, started(name), silent("-h -i"), 0, complete});
    // The per-user shortcuts go into a "Programs" folder named in any
    // characters; a relative value ("." or empty) would name a folder below
    // the current one and counts as absent. Nothing else is made in or taken
    // from the current folder, whose Orvane\Sonograf holds a file of the user's.
    const std::string current = parentOf(paths.commonMenuFolder);
    const std::wstring foreignPrograms = wide(current) + L"\\" + foreign + L" Programs";
    const std::string file = current + "\\Orvane\\Sonograf\\file";
    const Lines mine = {"D " + utf8(foreignPrograms), "D " + parentOf(parentOf(file)), "D " + parentOf(file),
                        fileLine(file, 0)};
    // The lines with the per-user menu's moved into `programs` (the same shortcuts), or left out without one.
    auto userMenuIn = [&](const Lines& lines, const std::string& programs) {
        Lines moved;
        for (std::string line : lines) {
            const size_t at = line.find(paths.userPrograms + "\\");
            if (at == std::string::npos) moved.insert(line);
            else if (!programs.empty()) moved.insert(line.replace(at, paths.userPrograms.size(), programs));
        }
        return moved;
    };
    for (const std::wstring& value : {foreignPrograms, std::wstring(L"."), std::wstring()}) {
        const std::string programs = value.size() > 1 ? utf8(value) : "";
        steps.push_back({"per-user Programs \"" + utf8(value) + "\"", Clean,
                         [&, value] {
                             for (const std::string& folder : {current, parentOf(parentOf(file)), parentOf(file)})
                                 CreateDirectoryA(folder.c_str(), nullptr);
                             CreateDirectoryW(foreignPrograms.c_str(), nullptr);
                             EXPECT_TRUE(writeFile(file, ""));
                             programsValue.reset(new ProgramsValue(value, current));
                         },
                         silent("-h -i"), 0, with(userMenuIn(complete, programs), mine)});
        steps.push_back({"the same, uninstalled", Continue, nullptr, silent("-h -u"), 0,
                         with(userMenuIn(documented, programs), mine)});
    }
    const std::string partial = installed("sonograf.exe" PARTIAL_SUFFIX), copyPartial = copy + PARTIAL_SUFFIX;
    const struct {
        const char* what;
        Start start;
        const char* arguments;
        std::function<bool()> moment;
    } kills[] = {{"install killed while the application is written", Clean, "-h -i", [&] { return present(partial); }},
                 {"install killed as the application appears", Clean, "-h -i", [&] { return present(application); }},
                 {"install killed while the copy is written", Clean, "-h -i", [&] { return present(copyPartial); }},
                 {"install killed as the copy appears", Clean, "-h -i", [&] { return present(copy); }},
                 {"install killed as its entry is marked complete", Clean, "-h -i", [&] { return entryComplete(); }},
                 {"uninstall killed as the application goes", Installed, "-h -u", [&] { return !present(application); }}};
    const char* asked = std::getenv("SONOGRAF_KILL_TRIES");
    for (int attempt = 0, tries = asked ? std::atoi(asked) : 3; attempt < tries; ++attempt)
        for (const auto& kill : kills)
            steps.push_back({kill.what, kill.start, nullptr, killed(kill.arguments, kill.moment), 0, documented});
    // What any interrupted or hindered run left, -u removes of the product's
    // own, run by the installer or through the registered QuietUninstallString.
    // An application that runs hung or is held open, or another product file
    // held open, fails the uninstall with its own code and keeps the entry and
    // the copy for a retry, which ends the job once it is free. Every running
    // application is asked to end. A user's files in the product's folders
    // stay, with their folders, one whose path no narrow call reaches
    // included, and the run still ends 0. Run from the copy, the folder goes
    // too, and the copy, moved out of it, at the next restart.
    const std::string userFiles[] = {installed("Recordings\\take1.wav"), installed(std::string(240, 'n')),
                                     paths.userMenuFolder + "\\My notes.txt", paths.commonMenuFolder + "\\Mine.LNK"};
    Lines userLines = {"D " + paths.installFolder, "D " + installed("Recordings"), "D " + paths.userMenuFolder,
                       "D " + paths.commonMenuFolder};
    for (const std::string& file : userFiles) userLines.insert(fileLine(file, 0));
    const Lines readmeKept = with(with(documented, entryPart(complete)), {"D " + paths.installFolder,
                                  fileLine(copy, setup.size()), fileLine(readmeFile, readme.size())});
    const struct {
        const char* what;
        std::function<void()> prepare;
        int code;
        Lines kept, mine;  // what a failed run keeps; the user's, which stays
    } states[] = {{"only the entry and the copy",
                   removing({paths.userMenuFolder, paths.commonMenuFolder, readmeFile, application}), 0},
                  {"application and readme deleted", removing({readmeFile, application}), 0},
                  {"application deleted", removing({application}), 0},
                  {"application read-only",
                   [&] { SetFileAttributesA(application.c_str(), FILE_ATTRIBUTE_READONLY); }, 0},
                  {"application held open without sharing", hold(application), APPLICATION_STAYS, kept},
                  {"application hung",
                   [&] {
                       running = startProgram(application, "");
                       EXPECT_NE(awaitWindow(windowByTitle, running, "Sonograf"), nullptr);
                       holdThreads(running, true);
                   },
                   APPLICATION_STAYS, kept},
                  {"readme.txt held open without sharing", hold(readmeFile), PRODUCT_FILE_STAYS, readmeKept},
                  {"two applications running",
                   [&] {
                       for (HANDLE* process : {&running, &second}) {
                           *process = startProgram(application, "");
                           EXPECT_NE(awaitWindow(windowByTitle, *process, "Sonograf"), nullptr);
                       }
                   },
                   0},
                  {"a user's files in the product's folders",
                   [&] {
                       CreateDirectoryA(installed("Recordings").c_str(), nullptr);
                       for (const std::string& file : userFiles)
                           CloseHandle(CreateFileW(wide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
                   },
                   0, {}, userLines},
                  {"temporary files left: read-only, a folder, a file",
                   [&] {
                       EXPECT_TRUE(writeFile(application + PARTIAL_SUFFIX, "") &&
                                   CreateDirectoryA((readmeFile + PARTIAL_SUFFIX).c_str(), nullptr) &&
                                   writeFile(copy + PARTIAL_SUFFIX, "torn") &&
                                   SetFileAttributesA((application + PARTIAL_SUFFIX).c_str(), FILE_ATTRIBUTE_READONLY));
                   },
                   0}};
    for (const auto& state : states) {
        for (const bool quiet : {false, true}) {
            const std::string what = std::string(state.what) + (quiet ? ", QuietUninstallString" : ", installer");
            Run uninstall = quiet ? Run([&] { return runQuietUninstall(); }) : silent("-h -u");
            const Lines left = with(quiet ? withCopy : documented, state.mine);
            if (state.code != 0) {
                steps.push_back({what, Installed, state.prepare, uninstall, state.code, state.kept});
                steps.push_back({what + ", retried once it is free", Continue, release, uninstall, 0, left});
            } else {
                steps.push_back({what, Installed, state.prepare, uninstall, 0, left});
            }
            if (quiet)
                steps.push_back({what + ", after a restart", Continue, nullptr, [&] { return restarted(); }, 0,
                                 with(documented, state.mine)});
        }
    }

    for (const Step& step : steps) {
        if (step.start != Continue) {
            release();
            removeAll();
            program = wide(installer);
            if (step.start == Installed) ASSERT_EQ(run(installer, "-h -i"), 0) << step.what;
        }
        if (step.prepare) step.prepare();
        EXPECT_EQ(step.run(), step.code) << step.what;
        EXPECT_EQ(changes(), step.traces) << step.what;
        EXPECT_GE(productFilesWhole(), 0) << step.what << ": a torn file";
        if (std::includes(step.traces.begin(), step.traces.end(), complete.begin(), complete.end())) {
            EXPECT_EQ(productFilesWhole(), 3) << step.what;
            EXPECT_EQ(GetFileAttributesA(copy.c_str()) & FILE_ATTRIBUTE_READONLY, 0u) << step.what;
            EXPECT_EQ(run(program, "-h -u"), 0) << step.what << ", uninstalled";
            EXPECT_EQ(changes(), documented) << step.what << ", uninstalled";
        }
    }
    release();
    for (const std::string& name : {std::string("readme.txt"), nameOf(copy)})
        EXPECT_EQ(readFile<std::string>(outside.file(name)), "") << name << ": a link's target, untouched";
}

}  // namespace
