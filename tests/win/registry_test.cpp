// Registry operations against Wine's real registry, each test in its own scratch key,
// never below the real list of installed programs, which the end-to-end tests watch.
#include "setup/registry.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/scratch_key.h"

namespace {

struct StoredValue {
    LONG status = -1;
    DWORD type = 0;
    std::vector<unsigned char> data;
};

StoredValue readValue(HKEY root, const std::string& path, const char* name, REGSAM view = 0) {
    StoredValue value;
    HKEY key;
    value.status = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key);
    if (value.status != ERROR_SUCCESS) return value;
    DWORD size = 0;
    value.status = RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
    value.data.resize(size);
    if (value.status == ERROR_SUCCESS && size > 0)
        value.status = RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size);
    RegCloseKey(key);
    return value;
}

std::vector<unsigned char> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

bool runningUnderWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

TEST(Registry, MachineStringCreatesMissingKeysAndStoresTheNul) {
    ScratchKey scratch(HKEY_LOCAL_MACHINE, "Software");
    ASSERT_TRUE(scratch.created());
    const std::string path = scratch.sub("a\\b\\OV:Sonograf {3C77C191-1FE5-4e3c}");
    const std::string uninstaller = "C:\\Program Files\\OV\\Sonograf\\SonografSetup.exe";

    EXPECT_EQ(setMachineString(path.c_str(), "Publisher", "Orvane Software"), 1);
    EXPECT_EQ(setMachineString(path.c_str(), "UninstallString", uninstaller.c_str()), 1);

    StoredValue publisher = readValue(HKEY_LOCAL_MACHINE, path, "Publisher");
    ASSERT_EQ(publisher.status, ERROR_SUCCESS);
    EXPECT_EQ(publisher.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(publisher.data, bytesOf(std::string("Orvane Software") + '\0'));
    EXPECT_EQ(publisher.data.size(), 16u);
    // A path with blanks is stored as it stands, without quotes.
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, path, "UninstallString").data, bytesOf(uninstaller + '\0'));

    // Writing again below the existing key replaces the value.
    EXPECT_EQ(setMachineString(path.c_str(), "Publisher", "Other"), 1);
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, path, "Publisher").data, bytesOf(std::string("Other") + '\0'));
}

TEST(Registry, UserDwordCreatesTheSettingsKeyAndResetsValues) {
    ScratchKey scratch(HKEY_CURRENT_USER, "Software");
    ASSERT_TRUE(scratch.created());
    const std::string path = scratch.sub("Orvane\\Sonograf");
    ASSERT_TRUE(writeValue(HKEY_CURRENT_USER, path, "SysTray", REG_DWORD, std::string("\x07\x00\x00\x00", 4)));

    EXPECT_EQ(setUserDword(path.c_str(), "SysTray", 0), 1);
    EXPECT_EQ(setUserDword(path.c_str(), "SysTrayShowOnRun", 0x01020304u), 1);

    StoredValue sysTray = readValue(HKEY_CURRENT_USER, path, "SysTray");
    EXPECT_EQ(sysTray.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(sysTray.data, (std::vector<unsigned char>{0, 0, 0, 0}));
    StoredValue showOnRun = readValue(HKEY_CURRENT_USER, path, "SysTrayShowOnRun");
    EXPECT_EQ(showOnRun.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(showOnRun.data, (std::vector<unsigned char>{4, 3, 2, 1}));
}

TEST(Registry, GetUserStringAcceptsOnlyWholeStringValues) {
    const std::string folder = "C:\\users\\me\\Start Menu\\Programs";
    const std::string nul(1, '\0');
    const std::string longest(1023, 'p');
    struct Case {
        const char* what;
        DWORD type;
        std::string stored;
        size_t capacity;
        int result;
        std::string text;  // expected when result is 1
    };
    const Case cases[] = {
        {"terminated string", REG_SZ, folder + nul, 1024, 1, folder},
        {"stored without its NUL", REG_SZ, folder, 1024, 1, folder},
        {"text ends at the first NUL", REG_SZ, "C:\\A" + nul + "junk" + nul, 1024, 1, "C:\\A"},
        {"expandable string counts as absent", REG_EXPAND_SZ, folder + nul, 1024, 0, ""},
        {"longest text that fits", REG_SZ, longest + nul, 1024, 1, longest},
        {"longest unterminated text that fits", REG_SZ, longest, 1024, 1, longest},
        {"one byte too long", REG_SZ, longest + "p" + nul, 1024, 0, ""},
        {"unterminated and too long", REG_SZ, longest + "p", 1024, 0, ""},
        {"4096 bytes: only the first 4050 count", REG_SZ, std::string(4095, 'q') + nul, 8192, 1,
         std::string(4050, 'q')},
        {"4096 bytes into a path buffer", REG_SZ, std::string(4095, 'q') + nul, 1024, 0, ""},
        {"more than 4096 bytes fails the read", REG_SZ, std::string(4096, 'q') + nul, 8192, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchKey scratch(HKEY_CURRENT_USER, "Software");
        ASSERT_TRUE(scratch.created());
        ASSERT_TRUE(writeValue(HKEY_CURRENT_USER, scratch.path(), "Programs", c.type, c.stored));

        // Guard bytes behind the capacity catch any write past it.
        std::vector<char> buffer(c.capacity + 64, '#');
        int result = getUserString(scratch.path().c_str(), L"Programs", buffer.data(), c.capacity);
        EXPECT_EQ(result, c.result);
        if (c.result == 1) {
            EXPECT_EQ(std::string(buffer.data()), c.text);
        } else {
            EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + c.capacity), std::string(c.capacity, '#'));
        }
        EXPECT_EQ(std::string(buffer.end() - 64, buffer.end()), std::string(64, '#'));
    }
}

// Without its key or its value the text is absent, and reading never creates
// the key. This program has no UTF-8 manifest: its narrow calls use the Western
// code page, and a text that code page cannot hold counts as absent too.
TEST(Registry, GetUserStringAbsentWithoutKeyOrValueOrOutsideTheCodePage) {
    const struct {
        const wchar_t* stored;  // no value when null
        const char* below;      // a missing subkey to read from, or ""
        int result;
    } cases[] = {{L"C:\\users\\Zo\u00E9\\Programs", "", 1},
                 {L"C:\\users\\\u0141ukasz\\Programs", "", 0},
                 {nullptr, "", 0},
                 {nullptr, "missing", 0}};
    for (const auto& c : cases) {
        ScratchKey scratch(HKEY_CURRENT_USER, "Software");
        ASSERT_TRUE(scratch.created());
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, scratch.path().c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        if (c.stored)
            RegSetValueExW(key, L"Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.stored),
                           static_cast<DWORD>((wcslen(c.stored) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        const std::string path = *c.below ? scratch.sub(c.below) : scratch.path();
        char buffer[1024] = "untouched";
        EXPECT_EQ(getUserString(path.c_str(), L"Programs", buffer, sizeof buffer), c.result) << path;
        EXPECT_STREQ(buffer, c.result ? "C:\\users\\Zo\xE9\\Programs" : "untouched") << path;
        EXPECT_EQ(keyExists(HKEY_CURRENT_USER, path), !*c.below) << path;
    }
}

// Forward to the real registry and record the order of the key deletions,
// each key by the path it was opened with.
std::map<HKEY, std::string> openedPaths;
std::vector<std::string> deletedKeys;
LONG WINAPI namingOpen(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
    const LONG status = RegOpenKeyExA(root, path, options, access, key);
    if (status == ERROR_SUCCESS) openedPaths[*key] = path;
    return status;
}
LONG WINAPI recordingDelete(HKEY key) {
    deletedKeys.push_back(openedPaths[key]);
    return realRegistryCalls.deleteKey(key);
}

// A missing key changes nothing; an entry goes innermost first, its neighbour stays.
TEST(Registry, DeleteKeyTreeRemovesInnermostFirstAndKeepsTheListKey) {
    // The entry lives below a list key, next to another entry that must stay.
    ScratchKey list(HKEY_LOCAL_MACHINE, "Software");
    ScratchKey entry(HKEY_LOCAL_MACHINE, list.path()), neighbour(HKEY_LOCAL_MACHINE, list.path());
    ASSERT_TRUE(list.created() && entry.created() && neighbour.created());
    ASSERT_TRUE(ScratchKey::create(HKEY_LOCAL_MACHINE, entry.sub("a\\x")));
    ASSERT_TRUE(ScratchKey::create(HKEY_LOCAL_MACHINE, entry.sub("b")));
    ASSERT_TRUE(writeValue(HKEY_LOCAL_MACHINE, entry.path(), "DisplayName", REG_SZ, std::string("x") + '\0') &&
                writeValue(HKEY_LOCAL_MACHINE, neighbour.path(), "DisplayName", REG_SZ, std::string("y") + '\0'));

    deletedKeys.clear();
    RegistryCalls recording = realRegistryCalls;
    recording.openKey = namingOpen;
    recording.deleteKey = recordingDelete;
    EXPECT_EQ(deleteKeyTree(HKEY_LOCAL_MACHINE, entry.sub("missing").c_str(), recording), 0);
    EXPECT_EQ(deleteKeyTree(HKEY_LOCAL_MACHINE, entry.path().c_str(), recording), 1);

    EXPECT_EQ(deletedKeys, (std::vector<std::string>{"x", "a", "b", entry.path()}));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, entry.path()));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, list.path()));
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, neighbour.path(), "DisplayName").data, bytesOf(std::string("y") + '\0'));
}

// Denies everyone the right to delete or enumerate a key until destroyed, then gives back its old security.
class DeniedKey {
public:
    DeniedKey(HKEY root, const std::string& path) {
        if (RegOpenKeyExA(root, path.c_str(), 0, READ_CONTROL | WRITE_DAC, &key_) != ERROR_SUCCESS) return;
        DWORD size = sizeof saved_;
        if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_, &size) != ERROR_SUCCESS) return;
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return;
        SECURITY_DESCRIPTOR descriptor;
        applied_ = InitializeAcl(reinterpret_cast<ACL*>(acl_), sizeof acl_, ACL_REVISION) &&
                   AddAccessDeniedAce(reinterpret_cast<ACL*>(acl_), ACL_REVISION, DELETE | KEY_ENUMERATE_SUB_KEYS,
                                      everyone) &&
                   AddAccessAllowedAce(reinterpret_cast<ACL*>(acl_), ACL_REVISION, KEY_ALL_ACCESS, everyone) &&
                   InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                   SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<ACL*>(acl_), FALSE) &&
                   RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        FreeSid(everyone);
    }
    ~DeniedKey() {
        if (applied_) RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_);
        if (key_) RegCloseKey(key_);
    }
    bool applied() const { return applied_; }

private:
    HKEY key_ = nullptr;
    alignas(8) unsigned char saved_[4096];
    alignas(8) unsigned char acl_[256];
    bool applied_ = false;
};

// Forward to the real registry, but enumerating the key opened as "broken" fails
// for as long as that handle is open, and a walk that would never end is stopped
// after 100 enumerations so that it fails the test instead of hanging it.
HKEY brokenKey = nullptr;
int enumerations = 0;
LONG WINAPI recordingOpen(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
    LONG status = RegOpenKeyExA(root, path, options, access, key);
    if (status == ERROR_SUCCESS && std::string(path) == "broken") brokenKey = *key;
    return status;
}
LONG WINAPI recordingClose(HKEY key) {
    if (key == brokenKey) brokenKey = nullptr;
    return RegCloseKey(key);
}
LONG WINAPI guardedEnum(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPSTR className,
                        LPDWORD classLength, PFILETIME time) {
    if (++enumerations > 100) return ERROR_NO_MORE_ITEMS;
    if (key == brokenKey) return ERROR_MORE_DATA;
    return RegEnumKeyExA(key, index, name, nameLength, reserved, className, classLength, time);
}

RegistryCalls guardedCalls() {
    brokenKey = nullptr;
    enumerations = 0;
    RegistryCalls calls = realRegistryCalls;
    calls.openKey = recordingOpen;
    calls.enumKey = guardedEnum;
    calls.closeKey = recordingClose;
    return calls;
}

TEST(Registry, DeleteKeyTreeStepsOverSubkeysItCannotOpenOrDelete) {
    ScratchKey scratch(HKEY_LOCAL_MACHINE, "Software");
    ASSERT_TRUE(scratch.created());
    for (const char* sub : {"a", "b", "c\\x", "d"})
        ASSERT_TRUE(ScratchKey::create(HKEY_LOCAL_MACHINE, scratch.sub(sub)));
    // b cannot be opened for deletion; c can, but its subkey x cannot, so c cannot be deleted.
    DeniedKey deniedB(HKEY_LOCAL_MACHINE, scratch.sub("b"));
    DeniedKey deniedX(HKEY_LOCAL_MACHINE, scratch.sub("c\\x"));
    ASSERT_TRUE(deniedB.applied() && deniedX.applied());
    HKEY probe;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, scratch.sub("b").c_str(), 0, DELETE | KEY_ENUMERATE_SUB_KEYS, &probe),
              ERROR_ACCESS_DENIED)
        << "the registry does not enforce the denial";
    RegCloseKey(probe);

    EXPECT_EQ(deleteKeyTree(HKEY_LOCAL_MACHINE, scratch.path().c_str(), guardedCalls()), 0);

    EXPECT_LE(enumerations, 100);
    EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, scratch.path()), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, scratch.sub("c")), (std::vector<std::string>{"x"}));
}

TEST(Registry, DeleteKeyTreeEndsWhenASubkeyCannotBeEnumerated) {
    ScratchKey scratch(HKEY_LOCAL_MACHINE, "Software");
    ASSERT_TRUE(scratch.created());
    for (const char* sub : {"a", "broken\\inner", "c"})
        ASSERT_TRUE(ScratchKey::create(HKEY_LOCAL_MACHINE, scratch.sub(sub)));

    EXPECT_EQ(deleteKeyTree(HKEY_LOCAL_MACHINE, scratch.path().c_str(), guardedCalls()), 0);

    EXPECT_LE(enumerations, 100);
    EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, scratch.path()), (std::vector<std::string>{"broken"}));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, scratch.sub("broken\\inner")));
}

// Plants a registry link at `path` below HKLM that leads to `target` below
// HKLM, both in this program's view; true when it is there.
bool plantKeyLink(const std::string& path, const std::string& target) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                        KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    std::string native = target;  // "Software\...": a 32-bit program's lies below Wow6432Node
    if (runningUnderWow64()) native.insert(native.find('\\') + 1, "Wow6432Node\\");
    const std::wstring value = L"\\Registry\\Machine\\" + std::wstring(native.begin(), native.end());
    const LONG set = RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(value.data()),
                                    static_cast<DWORD>(value.size() * sizeof(wchar_t)));
    RegCloseKey(key);
    return set == ERROR_SUCCESS;
}

// A link at the entry's key, or below it, is deleted as the link: the tree it
// leads to keeps its values and subkeys, and machineKeyHas does not take the
// values of that tree for the entry's own.
TEST(Registry, DeleteKeyTreeRemovesALinkNeverWhatItLeadsTo) {
    for (const char* linkAt : {"", "inner"}) {
        ScratchKey scratch(HKEY_LOCAL_MACHINE, "Software"), target(HKEY_LOCAL_MACHINE, "Software");
        ASSERT_TRUE(scratch.created() && target.created());
        ASSERT_TRUE(ScratchKey::create(HKEY_LOCAL_MACHINE, target.sub("sub")) &&
                    writeValue(HKEY_LOCAL_MACHINE, target.path(), "NoRepair", REG_DWORD, std::string("\1\0\0\0", 4)));
        const std::string entry = scratch.sub("entry"), link = *linkAt ? entry + "\\" + linkAt : entry;
        ASSERT_TRUE(!*linkAt || ScratchKey::create(HKEY_LOCAL_MACHINE, entry));
        ASSERT_TRUE(plantKeyLink(link, target.path())) << linkAt;
        ASSERT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, link), std::vector<std::string>{"sub"}) << linkAt << ": followed";

        EXPECT_EQ(machineKeyHas(entry.c_str(), nullptr), 1) << linkAt;
        EXPECT_EQ(machineKeyHas(entry.c_str(), L"NoRepair"), 0) << linkAt;
        EXPECT_EQ(deleteKeyTree(HKEY_LOCAL_MACHINE, entry.c_str()), 1) << linkAt;
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, entry)) << linkAt;
        EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, target.path()), std::vector<std::string>{"sub"}) << linkAt;
        EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, target.path(), "NoRepair").status, ERROR_SUCCESS) << linkAt;
    }
}

TEST(Registry, UninstallEntryOfA32BitProgramLandsInThe32BitView) {
    if (!runningUnderWow64()) GTEST_SKIP() << "only a 32-bit program under WOW64 has two views";
    ScratchKey scratch(HKEY_LOCAL_MACHINE, "SOFTWARE");  // redirected as the list key below it is
    ASSERT_TRUE(scratch.created());
    const std::string path = scratch.sub(uninstallEntryName);
    const std::string path32 = "SOFTWARE\\Wow6432Node\\" + path.substr(std::string("SOFTWARE\\").size());
    ASSERT_EQ(setMachineString(path.c_str(), "DisplayName", "Sonograf, The Spectrum Analyzer"), 1);

    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, path32, "DisplayName", KEY_WOW64_64KEY).data,
              bytesOf(std::string("Sonograf, The Spectrum Analyzer") + '\0'));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, scratch.path(), KEY_WOW64_64KEY));
    // The 64-bit reg.exe, reached through sysnative, sees it the same way.
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    const std::string reg = std::string(windows) + "\\sysnative\\reg.exe";
    EXPECT_EQ(runProgram(reg, "query \"HKLM\\" + path32 + "\" /v DisplayName", 30000), 0u);
    EXPECT_EQ(runProgram(reg, "query \"HKLM\\" + path + "\" /v DisplayName", 30000), 1u);
}

}  // namespace
