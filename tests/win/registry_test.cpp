// Registry operations against Wine's real registry, each test in its own scratch key,
// never below the real list of installed programs, which the end-to-end tests watch.
// (What the procedures write is pinned whole by the end-to-end snapshots.)
#include "setup/registry.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/scratch_key.h"

namespace {

bool runningUnderWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// Values are stored wide, as the shell stores folders. This program has no UTF-8
// manifest: its narrow calls use the Western code page, and a name that code page
// cannot hold counts as absent.
TEST(Registry, GetUserStringAcceptsOnlyWholeStringValues) {
    const std::wstring folder = L"C:\\users\\me\\Start Menu\\Programs";
    const std::wstring nul(1, L'\0');
    const std::wstring longest(1023, L'p');
    struct Case {
        const char* what;
        DWORD type;
        std::wstring stored;
        size_t capacity;
        int result;
        std::string text;  // expected when result is 1
    };
    const Case cases[] = {
        {"terminated string", REG_SZ, folder + nul, 1024, 1, "C:\\users\\me\\Start Menu\\Programs"},
        {"stored without its NUL", REG_SZ, L"C:\\A", 1024, 1, "C:\\A"},
        {"text ends at the first NUL", REG_SZ, L"C:\\A" + nul + L"junk" + nul, 1024, 1, "C:\\A"},
        {"expandable string counts as absent", REG_EXPAND_SZ, folder + nul, 1024, 0, ""},
        {"a name the code page holds", REG_SZ, L"C:\\users\\Zo\u00E9" + nul, 1024, 1, "C:\\users\\Zo\xE9"},
        {"a name the code page cannot hold", REG_SZ, L"C:\\users\\\u0141ukasz" + nul, 1024, 0, ""},
        {"longest text that fits", REG_SZ, longest + nul, 1024, 1, std::string(1023, 'p')},
        {"longest unterminated text that fits", REG_SZ, longest, 1024, 1, std::string(1023, 'p')},
        {"one byte too long", REG_SZ, longest + L"p" + nul, 1024, 0, ""},
        {"unterminated and too long", REG_SZ, longest + L"p", 1024, 0, ""},
        {"4096 characters: only the first 4050 count", REG_SZ, std::wstring(4095, L'q') + nul, 8192, 1,
         std::string(4050, 'q')},
        {"4096 characters into a path buffer", REG_SZ, std::wstring(4095, L'q') + nul, 1024, 0, ""},
        {"more than 4096 characters fails the read", REG_SZ, std::wstring(4096, L'q') + nul, 8192, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchKey scratch(HKEY_CURRENT_USER, "Software");
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, scratch.path().c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        RegSetValueExW(key, L"Programs", 0, c.type, reinterpret_cast<const BYTE*>(c.stored.data()),
                       static_cast<DWORD>(c.stored.size() * sizeof(wchar_t)));
        RegCloseKey(key);

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
    // Without its value or its key the text is absent, and reading never creates the key.
    ScratchKey scratch(HKEY_CURRENT_USER, "Software");
    char buffer[1024] = "untouched";
    for (const std::string& path : {scratch.path(), scratch.sub("missing")})
        EXPECT_EQ(getUserString(path.c_str(), L"Programs", buffer, sizeof buffer), 0) << path;
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, scratch.sub("missing")));
}

// Forward to the real registry, except that a key named "denied" cannot be
// opened and enumerating the key opened as "broken" fails. Each deletion is
// recorded by the path its key was opened with; a walk that would never end is
// stopped after 100 enumerations so that it fails the test instead of hanging it.
std::map<HKEY, std::string> openedPaths;
std::vector<std::string> deletedKeys;
int enumerations = 0;
LONG WINAPI recordingOpen(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
    if (std::string(path) == "denied") return ERROR_ACCESS_DENIED;
    const LONG status = RegOpenKeyExA(root, path, options, access, key);
    if (status == ERROR_SUCCESS) openedPaths[*key] = path;
    return status;
}
LONG WINAPI guardedEnum(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPSTR className,
                        LPDWORD classLength, PFILETIME time) {
    if (++enumerations > 100) return ERROR_NO_MORE_ITEMS;
    if (openedPaths[key] == "broken") return ERROR_MORE_DATA;
    return RegEnumKeyExA(key, index, name, nameLength, reserved, className, classLength, time);
}
LONG WINAPI recordingDelete(HKEY key) {
    const LONG status = realRegistryCalls.deleteKey(key);
    if (status == ERROR_SUCCESS) deletedKeys.push_back(openedPaths[key]);
    return status;
}
LONG WINAPI recordingClose(HKEY key) {
    openedPaths.erase(key);
    return RegCloseKey(key);
}

RegistryCalls recordingCalls() {
    deletedKeys.clear();
    enumerations = 0;
    return {recordingOpen, guardedEnum, recordingDelete, recordingClose};
}

// A missing key changes nothing; an entry goes innermost first, its neighbour stays.
TEST(Registry, DeleteKeyTreeRemovesInnermostFirstAndKeepsTheListKey) {
    // The entry lives below a list key, next to another entry that must stay.
    ScratchKey list(HKEY_LOCAL_MACHINE, "Software");
    ScratchKey entry(HKEY_LOCAL_MACHINE, list.path()), neighbour(HKEY_LOCAL_MACHINE, list.path());
    ASSERT_TRUE(list.created() && entry.created() && neighbour.created());
    ASSERT_TRUE(ScratchKey::create(HKEY_LOCAL_MACHINE, entry.sub("a\\x")));
    ASSERT_TRUE(ScratchKey::create(HKEY_LOCAL_MACHINE, entry.sub("b")));
    ASSERT_TRUE(writeValue(HKEY_LOCAL_MACHINE, entry.path(), "DisplayName", REG_SZ, std::string("x") + '\0'));

    const RegistryCalls recording = recordingCalls();
    EXPECT_EQ(deleteKeyTree(HKEY_LOCAL_MACHINE, entry.sub("missing").c_str(), recording), 0);
    EXPECT_EQ(deleteKeyTree(HKEY_LOCAL_MACHINE, entry.path().c_str(), recording), 1);

    EXPECT_EQ(deletedKeys, (std::vector<std::string>{"x", "a", "b", entry.path()}));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, entry.path()));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, list.path()));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, neighbour.path()));
}

// A subkey that cannot be opened, or whose subkeys cannot be listed, stays with
// its parents; the rest of the tree still goes.
TEST(Registry, DeleteKeyTreeStepsOverSubkeysItCannotOpenOrEnumerate) {
    ScratchKey scratch(HKEY_LOCAL_MACHINE, "Software");
    ASSERT_TRUE(scratch.created());
    for (const char* sub : {"a", "broken\\inner", "c\\denied", "d", "denied"})
        ASSERT_TRUE(ScratchKey::create(HKEY_LOCAL_MACHINE, scratch.sub(sub)));

    EXPECT_EQ(deleteKeyTree(HKEY_LOCAL_MACHINE, scratch.path().c_str(), recordingCalls()), 0);

    EXPECT_LE(enumerations, 100);
    EXPECT_EQ(deletedKeys, (std::vector<std::string>{"a", "d"}));
    EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, scratch.path()), (std::vector<std::string>{"broken", "c", "denied"}));
    EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, scratch.sub("c")), (std::vector<std::string>{"denied"}));
    EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, scratch.sub("broken")), (std::vector<std::string>{"inner"}));
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
// leads to stays, and machineKeyHas does not take the values of that tree for
// the entry's own.
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
    }
}

}  // namespace
