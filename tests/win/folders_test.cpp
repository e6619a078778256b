#include "platform/folders.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// --- A fake system behind the platform-call table ----------------------------

struct Answer {
    std::string text;
    long result;  // what the shell function returns
};

struct FakeSystem {
    bool shell32 = true;
    bool special = true;  // SHELL32 exports SHGetSpecialFolderPathA
    bool shfolder = true;
    bool folderPath = true;  // SHFOLDER exports SHGetFolderPathA
    std::string systemDirectory = "C:\\windows\\system32";
    bool systemDirectoryFails = false;
    std::string windowsDirectory = "C:\\WINDOWS";
    bool windowsDirectoryFails = false;
    std::string currentDirectory = "C:\\work";
    std::map<int, Answer> specialAnswers;  // a CSIDL without an answer fails
    std::map<int, Answer> folderPathAnswers;
    std::map<int, std::wstring> wideAnswers;  // SHGetSpecialFolderPathW; fails for a CSIDL without one

    std::vector<std::string> loaded;  // every LoadLibraryA path, loaded or not
    int handlesOut = 0;               // loaded and not yet freed
    std::vector<int> specialAsked;
    std::vector<BOOL> specialCreate;
    std::vector<int> folderPathAsked;
    int badArguments = 0;  // an owner window, token or flags where none belong
};

FakeSystem fake;
HMODULE const kShell32 = reinterpret_cast<HMODULE>(0x1000);
HMODULE const kShfolder = reinterpret_cast<HMODULE>(0x2000);
const char* const kGarbage = "garbage left by a failed call";

BOOL WINAPI fakeSpecialFolderPath(HWND owner, LPSTR out, int csidl, BOOL create) {
    fake.specialAsked.push_back(csidl);
    fake.specialCreate.push_back(create);
    if (owner != nullptr) ++fake.badArguments;
    auto answer = fake.specialAnswers.find(csidl);
    if (answer == fake.specialAnswers.end()) {
        std::strcpy(out, kGarbage);
        return FALSE;
    }
    std::strcpy(out, answer->second.text.c_str());
    return static_cast<BOOL>(answer->second.result);
}

BOOL WINAPI fakeSpecialFolderPathWide(HWND, LPWSTR out, int csidl, BOOL) {
    auto answer = fake.wideAnswers.find(csidl);
    if (answer == fake.wideAnswers.end()) return FALSE;
    wcscpy(out, answer->second.c_str());
    return TRUE;
}

HRESULT WINAPI fakeFolderPath(HWND owner, int csidl, HANDLE token, DWORD flags, LPSTR out) {
    fake.folderPathAsked.push_back(csidl);
    if (owner != nullptr || token != nullptr || flags != 0) ++fake.badArguments;
    auto answer = fake.folderPathAnswers.find(csidl);
    if (answer == fake.folderPathAnswers.end()) {
        std::strcpy(out, kGarbage);
        return E_FAIL;
    }
    std::strcpy(out, answer->second.text.c_str());
    return static_cast<HRESULT>(answer->second.result);
}

HMODULE WINAPI fakeLoadLibrary(LPCSTR path) {
    fake.loaded.push_back(path);
    HMODULE module = nullptr;
    if (fake.shell32 && fake.systemDirectory + "\\SHELL32.DLL" == path) module = kShell32;
    if (fake.shfolder && fake.systemDirectory + "\\SHFOLDER.DLL" == path) module = kShfolder;
    if (module != nullptr) ++fake.handlesOut;
    return module;
}

FARPROC WINAPI fakeGetProcAddress(HMODULE module, LPCSTR name) {
    if (module == kShell32 && fake.special && std::strcmp(name, "SHGetSpecialFolderPathA") == 0) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fakeSpecialFolderPath));
    }
    if (module == kShell32 && fake.special && std::strcmp(name, "SHGetSpecialFolderPathW") == 0) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fakeSpecialFolderPathWide));
    }
    if (module == kShfolder && fake.folderPath && std::strcmp(name, "SHGetFolderPathA") == 0) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fakeFolderPath));
    }
    return nullptr;
}

BOOL WINAPI fakeFreeLibrary(HMODULE module) {
    if (module != kShell32 && module != kShfolder) ++fake.badArguments;
    --fake.handlesOut;
    return TRUE;
}

// The Windows-directory calls answer the text's length, or the size needed
// (length and NUL) without writing when the buffer is too small.
UINT answerDirectory(const std::string& text, bool fails, LPSTR out, UINT size) {
    if (fails) return 0;
    if (text.size() >= size) return static_cast<UINT>(text.size() + 1);
    std::strcpy(out, text.c_str());
    return static_cast<UINT>(text.size());
}

UINT WINAPI fakeWindowsDirectory(LPSTR out, UINT size) {
    return answerDirectory(fake.windowsDirectory, fake.windowsDirectoryFails, out, size);
}

UINT WINAPI fakeSystemDirectory(LPSTR out, UINT size) {
    return answerDirectory(fake.systemDirectory, fake.systemDirectoryFails, out, size);
}

DWORD WINAPI fakeCurrentDirectory(DWORD size, LPSTR out) {
    return answerDirectory(fake.currentDirectory, false, out, size);
}

const FolderCalls kFakeCalls = {
    fakeLoadLibrary, fakeGetProcAddress, fakeFreeLibrary, fakeWindowsDirectory, fakeCurrentDirectory,
    fakeSystemDirectory,
};

const int kAllCsidls[] = {CSIDL_PROGRAM_FILES, CSIDL_PERSONAL,        CSIDL_APPDATA,
                          CSIDL_COMMON_APPDATA, CSIDL_COMMON_PROGRAMS, CSIDL_STARTUP};

// Answers for every slot, told apart by the prefix ("S" for the first pass,
// "F" for the second).
std::map<int, Answer> answersFrom(const std::string& prefix, long result) {
    std::map<int, Answer> answers;
    for (int csidl : kAllCsidls) answers[csidl] = {prefix + ":\\csidl" + std::to_string(csidl), result};
    return answers;
}

std::string S(int csidl) { return "S:\\csidl" + std::to_string(csidl); }
std::string F(int csidl) { return "F:\\csidl" + std::to_string(csidl); }

void resetFake() {
    fake = FakeSystem();
    fake.specialAnswers = answersFrom("S", TRUE);
    fake.folderPathAnswers = answersFrom("F", S_OK);
}

const std::string kShell32Path = "C:\\windows\\system32\\SHELL32.DLL";
const std::string kShfolderPath = "C:\\windows\\system32\\SHFOLDER.DLL";

// --- resolveSpecialFolders with fakes ------------------------------------------

struct TableCase {
    const char* name;
    void (*setUp)();
    std::vector<std::string> slots;  // the six slots in table order
    std::vector<int> folderPathAsked;
    std::vector<std::string> loaded;
};

std::vector<std::string> slotsOf(const SpecialFolders& t) {
    return {t.programFilesFolder,   t.personalFolder,       t.appDataFolder,
            t.commonAppDataFolder,  t.commonProgramsFolder, t.startupFolder};
}

const std::vector<std::string> kAllFromShell = {S(38), S(5), S(26), S(35), S(23), S(7)};
const std::vector<std::string> kAllFallbacks = {"C:\\Program Files\\", "C:\\work", "C:\\work",
                                                "C:\\Orvane\\CommonAPP", "", "Startup"};

TEST(ResolveSpecialFolders, FollowsTheSourcesInOrder) {
    const TableCase cases[] = {
        {"every first-pass lookup succeeds", [] {}, kAllFromShell, {}, {kShell32Path}},
        {"only the common application data fails first",
         [] { fake.specialAnswers.erase(CSIDL_COMMON_APPDATA); },
         {S(38), S(5), S(26), F(35), S(23), S(7)},
         {35},
         {kShell32Path, kShfolderPath}},
        // This program runs on the Western code page, which holds "é" but not "Ł".
        {"folders the code page cannot hold are not asked again",
         [] {
             fake.wideAnswers[CSIDL_COMMON_PROGRAMS] = L"S:\\\u0141ukasz";
             fake.wideAnswers[CSIDL_STARTUP] = L"S:\\\u0141ukasz\\Startup";
             fake.wideAnswers[CSIDL_PERSONAL] = L"S:\\Zo\u00E9";
         },
         {S(38), S(5), S(26), S(35), "", ""},
         {},
         {kShell32Path, kShfolderPath}},
        {"SHELL32 lacks the first-pass function",
         [] { fake.special = false; },
         {F(38), F(5), F(26), F(35), F(23), "Startup"},
         {38, 5, 26, 35, 23},
         {kShell32Path, kShfolderPath}},
        {"one first-pass failure and no SHFOLDER",
         [] {
             fake.specialAnswers.erase(CSIDL_PERSONAL);
             fake.shfolder = false;
         },
         {S(38), "C:\\work", S(26), S(35), S(23), S(7)},
         {},
         {kShell32Path, kShfolderPath}},
        {"SHFOLDER lacks its function",
         [] {
             fake.specialAnswers.erase(CSIDL_PROGRAM_FILES);
             fake.specialAnswers.erase(CSIDL_COMMON_APPDATA);
             fake.folderPath = false;
         },
         {"C:\\Program Files\\", S(5), S(26), "C:\\Orvane\\CommonAPP", S(23), S(7)},
         {},
         {kShell32Path, kShfolderPath}},
        {"the startup folder found by the second pass",
         [] { fake.specialAnswers.erase(CSIDL_STARTUP); },
         {S(38), S(5), S(26), S(35), S(23), F(7)},
         {7},
         {kShell32Path, kShfolderPath}},
        {"the startup folder emptied by both passes",
         [] {
             fake.specialAnswers.erase(CSIDL_STARTUP);
             fake.folderPathAnswers.erase(CSIDL_STARTUP);
         },
         {S(38), S(5), S(26), S(35), S(23), ""},
         {7},
         {kShell32Path, kShfolderPath}},
        {"only exactly TRUE and S_OK count",
         [] {
             fake.specialAnswers[CSIDL_COMMON_PROGRAMS].result = 2;
             fake.folderPathAnswers[CSIDL_COMMON_PROGRAMS].result = S_FALSE;
         },
         {S(38), S(5), S(26), S(35), "", S(7)},
         {23},
         {kShell32Path, kShfolderPath}},
        {"a Windows directory on D:",
         [] {
             fake.shell32 = false;
             fake.windowsDirectory = "D:\\WINNT";
         },
         {"D:\\Program Files\\", "C:\\work", "C:\\work", "D:\\Orvane\\CommonAPP", "", "Startup"},
         {},
         {kShell32Path}},
        {"no Windows directory",
         [] {
             fake.shell32 = false;
             fake.windowsDirectoryFails = true;
         },
         kAllFallbacks,
         {},
         {kShell32Path}},
        {"a Windows directory longer than the size passed",
         [] {
             fake.shell32 = false;
             fake.windowsDirectory = "D:\\" + std::string(2100, 'w');
         },
         kAllFallbacks,
         {},
         {kShell32Path}},
        {"a current directory longer than its slot",
         [] {
             fake.shell32 = false;
             fake.currentDirectory = "C:\\" + std::string(600, 'c');
         },
         {"C:\\Program Files\\", "", "", "C:\\Orvane\\CommonAPP", "", "Startup"},
         {},
         {kShell32Path}},
        {"no system directory: no library is loaded by bare name",
         [] { fake.systemDirectoryFails = true; },
         kAllFallbacks,
         {},
         {}},
    };
    for (const TableCase& c : cases) {
        resetFake();
        c.setUp();
        SpecialFolders table = {};  // zero-filled, as the process-wide table starts
        resolveSpecialFolders(table, kFakeCalls);
        EXPECT_EQ(c.slots, slotsOf(table)) << c.name;
        EXPECT_EQ(c.folderPathAsked, fake.folderPathAsked) << c.name;
        EXPECT_EQ(c.loaded, fake.loaded) << c.name;
        EXPECT_EQ(0, fake.handlesOut) << c.name << ": every loaded library is freed";
        EXPECT_EQ(0, fake.badArguments) << c.name;
        EXPECT_EQ(1, table.resolved) << c.name;
    }
}

TEST(ResolveSpecialFolders, AsksEverySlotInTableOrderWithItsCreateFlagOnceOnly) {
    resetFake();
    SpecialFolders table = {};
    resolveSpecialFolders(table, kFakeCalls);
    EXPECT_EQ(std::vector<int>({38, 5, 26, 35, 23, 7}), fake.specialAsked);
    EXPECT_EQ(std::vector<BOOL>({FALSE, TRUE, TRUE, TRUE, TRUE, TRUE}), fake.specialCreate);
    resetFake();  // a second call changes nothing
    fake.specialAnswers = answersFrom("Z", TRUE);
    resolveSpecialFolders(table, kFakeCalls);
    EXPECT_EQ(kAllFromShell, slotsOf(table));
    EXPECT_TRUE(fake.loaded.empty());
}

// --- resolveInstallFolder with fakes -------------------------------------------

struct InstallCase {
    const char* name;
    void (*setUp)();
    const char* subfolder;
    int result;
    std::string folder;
    std::vector<std::string> loaded;
};

TEST(ResolveInstallFolder, JoinsTheProgramFilesFolderAndTheSubfolder) {
    static const std::string kLongSubfolder(1020, 's');
    const InstallCase cases[] = {
        {"the shell answers", [] { fake.specialAnswers[38] = {"C:\\Program Files", TRUE}; }, "OV\\Sonograf", 0,
         "C:\\Program Files\\OV\\Sonograf", {kShell32Path}},
        {"the shell answers a drive root", [] { fake.specialAnswers[38] = {"D:\\", TRUE}; }, "OV\\Sonograf", 0,
         "D:\\OV\\Sonograf", {kShell32Path}},
        {"the shell names it in characters the code page cannot hold: no stand-in",
         [] { fake.wideAnswers[38] = L"C:\\\u0141"; }, "OV\\Sonograf", -1, "", {kShell32Path}},
        {"the shell answers a relative folder: no stand-in", [] { fake.specialAnswers[38] = {".", TRUE}; },
         "OV\\Sonograf", -1, "", {kShell32Path}},
        {"the second shell answers", [] { fake.specialAnswers.erase(38); }, "OV\\Sonograf", 0,
         F(38) + "\\OV\\Sonograf", {kShell32Path, kShfolderPath}},
        {"SHELL32 missing, the second shell answers", [] { fake.shell32 = false; }, "OV\\Sonograf", 0,
         F(38) + "\\OV\\Sonograf", {kShell32Path, kShfolderPath}},
        {"both shells fail and no Windows directory",
         [] {
             fake.special = false;
             fake.shfolder = false;
             fake.windowsDirectoryFails = true;
         },
         "OV\\Sonograf", 0, "C:\\Program Files\\OV\\Sonograf", {kShell32Path, kShfolderPath}},
        {"both shells fail, Windows on a server",
         [] {
             fake.specialAnswers.clear();
             fake.folderPathAnswers.clear();
             fake.windowsDirectory = "\\\\server\\share\\windows";
         },
         "OV\\Sonograf", 0, "\\\\server\\Program Files\\OV\\Sonograf", {kShell32Path, kShfolderPath}},
        {"a subfolder that does not fit", [] {}, kLongSubfolder.c_str(), -1, "", {kShell32Path}},
        {"a fallback base that does not fit",
         [] {
             fake.shell32 = false;
             fake.shfolder = false;
             fake.windowsDirectory = std::string(1500, 'w');
         },
         "OV\\Sonograf", -1, "", {kShell32Path, kShfolderPath}},
    };
    for (const InstallCase& c : cases) {
        resetFake();
        c.setUp();
        char folder[1024];
        std::strcpy(folder, "stale");
        EXPECT_EQ(c.result, resolveInstallFolder(folder, sizeof folder, c.subfolder, kFakeCalls)) << c.name;
        EXPECT_EQ(c.folder, folder) << c.name;
        EXPECT_EQ(c.loaded, fake.loaded) << c.name;
        EXPECT_EQ(0, fake.handlesOut) << c.name;
        EXPECT_EQ(0, fake.badArguments) << c.name;
        for (size_t i = 0; i < fake.specialAsked.size(); ++i) {
            EXPECT_EQ(CSIDL_PROGRAM_FILES, fake.specialAsked[i]) << c.name;
            EXPECT_EQ(FALSE, fake.specialCreate[i]) << c.name;
        }
        for (int csidl : fake.folderPathAsked) EXPECT_EQ(CSIDL_PROGRAM_FILES, csidl) << c.name;
    }
}

// --- The real shell under Wine -------------------------------------------------

bool runsUnderWow64() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return wow64 != FALSE;
}

std::string shellFolder(int csidl) {
    HMODULE shell = LoadLibraryA("shell32.dll");
    auto ask = reinterpret_cast<HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR)>(
        reinterpret_cast<void*>(GetProcAddress(shell, "SHGetFolderPathA")));
    char folder[MAX_PATH + 1] = {};
    HRESULT result = ask != nullptr ? ask(nullptr, csidl, nullptr, 0, folder) : E_FAIL;
    FreeLibrary(shell);
    return result == S_OK ? folder : "<none>";
}

std::vector<std::string> realLoads;
int realHandlesOut = 0;

HMODULE WINAPI recordLoadLibrary(LPCSTR path) {
    realLoads.push_back(path);
    HMODULE module = LoadLibraryA(path);
    if (module != nullptr) ++realHandlesOut;
    return module;
}

BOOL WINAPI recordFreeLibrary(HMODULE module) {
    --realHandlesOut;
    return FreeLibrary(module);
}

FolderCalls recordingRealCalls() {
    FolderCalls calls = realFolderCalls;
    calls.loadLibrary = recordLoadLibrary;
    calls.freeLibrary = recordFreeLibrary;
    return calls;
}

// The install folder holds the prefix's, every library is loaded from the
// system directory and freed, and the process-wide table, zero-filled until
// resolved (it lives in .bss), holds the prefix's folders.
TEST(RealFolders, InstallFolderAndTableHoldThePrefixsFolders) {
    char folder[1024];
    ASSERT_EQ(0, resolveInstallFolder(folder, sizeof folder, "OV\\Sonograf", recordingRealCalls()));
    const char* expected =
        runsUnderWow64() ? "C:\\Program Files (x86)\\OV\\Sonograf" : "C:\\Program Files\\OV\\Sonograf";
    EXPECT_STREQ(expected, folder);
    EXPECT_EQ(0, realHandlesOut);
    char system[MAX_PATH + 1] = {};
    GetSystemDirectoryA(system, sizeof system);
    std::string prefix = std::string(system) + "\\";
    ASSERT_FALSE(realLoads.empty());
    for (const std::string& path : realLoads) {
        EXPECT_EQ(0, _strnicmp(prefix.c_str(), path.c_str(), prefix.size())) << path << " is not in " << system;
    }

    EXPECT_STREQ("", getStartupFolder());
    EXPECT_STREQ("", getCommonProgramsFolder());
    resolveSpecialFolders();
    EXPECT_EQ(shellFolder(CSIDL_PROGRAM_FILES), specialFolders.programFilesFolder);
    EXPECT_EQ(shellFolder(CSIDL_COMMON_PROGRAMS), getCommonProgramsFolder());
    EXPECT_EQ(shellFolder(CSIDL_STARTUP), getStartupFolder());
    EXPECT_STRNE("", getCommonProgramsFolder());
    EXPECT_STRNE("Startup", getStartupFolder());
}

}  // namespace
